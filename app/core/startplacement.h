/*
 * The place a child window of the main window takes when it opens, worked out from the main
 * window's client area. The main window reaches its size only after it is shown (its own
 * minimum-size rule, then the window manager, which may change it again), so the place is taken
 * on the window's first show and taken again whenever the client area changes size, until the
 * user moves or resizes the window.
 */
#pragma once

#include <QtCore/QObject>
#include <QtCore/QRect>

#include <functional>

class ChildWindowHost;
class QWidget;

class StartPlacement : public QObject {
    Q_OBJECT

public:
    // Places the frame of a child window (its sub-window) for a client area of the given size.
    using Rule = std::function<void(QWidget& frame, QSize client)>;

    // Watches the window, which owns the placement.
    StartPlacement(QWidget& window, ChildWindowHost& host, Rule rule);

    // Whether the window still follows the client area's size.
    bool isFollowing() const { return m_following; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    QWidget& m_window;
    ChildWindowHost& m_host;
    Rule m_rule;
    QWidget* m_frame = nullptr;
    // Where the last placement put the frame; the frame anywhere else was moved by the user.
    QRect m_placed;
    bool m_following = true;
};
