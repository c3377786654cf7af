/*
 * A drop onto a widget as the desktop delivers it: a drag enter, then the drop, at the middle of
 * the target. Qt hands a drop only to the widget that took the drag's enter.
 */
#pragma once

#include <QtCore/QMimeData>
#include <QtGui/QDropEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>

// Drops data (taking ownership of it) offering the given action; returns the action the target
// took, IgnoreAction when it refused.
inline Qt::DropAction Drop(QWidget* target, QMimeData* data, Qt::DropAction offered) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(offered);
    QApplication::sendEvent(target, &event);
    delete data;
    return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}
