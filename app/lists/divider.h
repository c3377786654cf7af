/*
 * A thin vertical divider between two columns of the file chooser (`HFrame1`, `HFrame2`). It
 * moves nothing itself: it reports each pointer step while the left button alone is down, and
 * its window moves the columns.
 */
#pragma once

#include <QtWidgets/QFrame>

class Divider : public QFrame {
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

signals:
    // x: the pointer's position relative to the divider's left edge (negative to the left).
    void dragged(int x);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
};
