/*
 * The frame a child window of the main window is placed by: the sub-window of the main
 * window's area that holds it, or the window itself while it stands alone.
 */
#pragma once

#include <QtWidgets/QMdiSubWindow>

inline QWidget& ChildFrame(QWidget& window) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
        return *frame;
    return window;
}
