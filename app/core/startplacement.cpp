/*
 * A child window's start-up place, kept until the user moves the window.
 */
#include "app/core/startplacement.h"

#include "app/core/childframe.h"
#include "app/core/childwindowhost.h"

#include <QtCore/QEvent>

StartPlacement::StartPlacement(QWidget& window, ChildWindowHost& host, Rule rule)
    : QObject(&window)
    , m_window(window)
    , m_host(host)
    , m_rule(std::move(rule)) {
    m_window.installEventFilter(this);
    m_host.clientArea().installEventFilter(this);
}

bool StartPlacement::eventFilter(QObject* watched, QEvent* event) {
    if (!m_following)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        // The sub-window exists from the first show on; its moves and sizes are watched too.
        if (watched == &m_window && !m_frame) {
            m_frame = &ChildFrame(m_window);
            if (m_frame != &m_window)
                m_frame->installEventFilter(this);
            place();
        }
        break;
    case QEvent::Resize:
        if (watched == &m_host.clientArea() && m_frame)
            place();
        else if (watched == m_frame && m_frame->geometry() != m_placed)
            m_following = false;
        break;
    case QEvent::Move:
        if (watched == m_frame && m_frame->geometry() != m_placed)
            m_following = false;
        break;
    default:
        break;
    }
    return false;
}

void StartPlacement::place() {
    // A minimised or maximised sub-window keeps the place the user gave it.
    if (m_frame->isMinimized() || m_frame->isMaximized()) {
        m_following = false;
        return;
    }
    // The frame's own moves and resizes are compared with the place once it is taken.
    m_placed = QRect();
    const bool wasFollowing = m_following;
    m_following = false;
    m_rule(*m_frame, m_host.clientSize());
    m_placed = m_frame->geometry();
    m_following = wasFollowing;
}
