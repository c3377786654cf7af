/*
 * The one place child windows live: the main window's area. Each child window gets a sub-window
 * of its own the first time it is shown, which is deleted when it closes. The windows and
 * commands show, place and find child windows here; only the main window knows which windows
 * there are.
 */
#pragma once

#include <QtCore/QList>
#include <QtCore/QRect>
#include <QtCore/QSize>

class ChosenFiles;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

class ChildWindowHost {
public:
    explicit ChildWindowHost(QMdiArea& area)
        : m_area(area) {}

    // Shows a child window and makes it the active one.
    void show(QWidget& child);
    // Shows a child window with its frame at the given place, in the area's coordinates.
    void showAt(QWidget& child, const QRect& frame);
    // Makes a sub-window the active one.
    void activate(QMdiSubWindow* window);

    // The child window of the active sub-window; nullptr when there is none.
    QWidget* activeChild() const;
    // The chosen-file list of the active child window; nullptr when it has none.
    ChosenFiles* activeChosenFiles() const;
    // Every sub-window, in the order they were added.
    QList<QMdiSubWindow*> windows() const;

    // The main window's client area: the area's viewport, and its size. Unlike the viewport's
    // own size, this size is known before the main window is first shown.
    QWidget& clientArea() const;
    QSize clientSize() const;
    // The top-level window the area belongs to: boxes and tool windows centre over it.
    QWidget& mainWindow() const;

private:
    QMdiSubWindow* frameOf(QWidget& child);

    QMdiArea& m_area;
};
