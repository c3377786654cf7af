/*
 * The column divider.
 */
#include "app/lists/divider.h"

#include <QtCore/QtMath>
#include <QtGui/QMouseEvent>

Divider::Divider(QWidget* parent)
    : QFrame(parent) {
    setFrameShape(QFrame::VLine);
    setFrameShadow(QFrame::Raised);
    setCursor(Qt::SplitHCursor);
}

void Divider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::LeftButton)
        emit dragged(qFloor(event->position().x()));
}
