/*
 * The three-state picture button of the tool bar, and how its clicks complete: a button that
 * reports mouse presses lets its container act on the press and completes the click only when
 * the container did not refuse it and no modal box took the press over; a button that reports
 * state changes asks its container before a click changes the state.
 */
#include "controls/toolpanel/statebutton.h"

#include "common/twips.h"

#include <QtCore/QPointer>
#include <QtGui/QMouseEvent>
#include <QtGui/QPen>
#include <QtWidgets/QStyleOptionToolButton>
#include <QtWidgets/QStylePainter>

namespace OrloTool {

namespace {

short buttonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

short shiftCode(Qt::KeyboardModifiers modifiers) {
    return short((modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
                 (modifiers.testFlag(Qt::AltModifier) ? 4 : 0));
}

} // namespace

StateButton::StateButton(Report report, QWidget* parent)
    : QToolButton(parent)
    , m_report(report) {
    // Checkable, and checked while down, so that a screen reader hears the state and its changes;
    // the state itself changes only through setState (nextCheckState does nothing).
    setCheckable(true);
    // A button that reports presses only completes mouse clicks (mouseReleaseEvent): a keyboard
    // click would change its state without the container hearing of it.
    if (m_report == Report::StateChange)
        connect(this, &QAbstractButton::clicked, this, &StateButton::completeClick);
}

bool StateButton::setState(int state) {
    if (state < 0 || state > 2) {
        qWarning("%ls: state %d refused, a toggle button has the states 0, 1 and 2", qUtf16Printable(objectName()),
                 state);
        return false;
    }
    if (state != m_state) {
        m_state = qint16(state);
        setChecked(m_state == 1);
        update();
        emit stateChanged();
    }
    return true;
}

void StateButton::nextCheckState() {}

void StateButton::refuseClick() {
    if (m_reporting)
        m_clickRefused = true;
}

void StateButton::completeClick() {
    const QPointer<StateButton> self(this);
    m_clickRefused = false;
    m_reporting = true;
    emit clickRequested();
    if (!self)
        return;
    m_reporting = false;
    if (!m_clickRefused)
        flip();
}

void StateButton::mousePressEvent(QMouseEvent* event) {
    if (m_report == Report::MousePress) {
        // A modal box that the container opens from its handler takes the mouse release, so the
        // click must not complete afterwards. Qt tells the window that the box blocks it.
        const QPointer<StateButton> self(this);
        const QPointer<QWidget> window = this->window();
        m_windowBlocked = false;
        m_clickRefused = false;
        m_reporting = true;
        window->installEventFilter(this);
        emit mousePressed(buttonCode(event->button()), shiftCode(event->modifiers()),
                          float(twips::fromPixels(event->position().x())),
                          float(twips::fromPixels(event->position().y())));
        if (!self)
            return;
        m_reporting = false;
        if (window)
            window->removeEventFilter(this);
        // Without the base class's press the button is not down, so the release completes nothing.
        if (m_windowBlocked || m_clickRefused || !isEnabled()) {
            event->accept();
            return;
        }
    }
    QToolButton::mousePressEvent(event);
}

void StateButton::mouseReleaseEvent(QMouseEvent* event) {
    // isDown() holds only when the press went to QAbstractButton, that is when no modal box
    // intervened; the base class then tells whether the release completes the click.
    const bool completesClick = m_report == Report::MousePress && isDown() && event->button() == Qt::LeftButton &&
                                hitButton(event->position().toPoint());
    QToolButton::mouseReleaseEvent(event);
    if (completesClick)
        flip();
}

void StateButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    if (m_state == 2)
        option.state &= ~QStyle::State_Enabled;
    if (m_state != 1) {
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
        return;
    }
    // Down: many styles draw a tool button's on state as a slightly darker grey, hard to tell from
    // up. The sunken face is tinted in the highlight colour inside a highlight frame, under the picture.
    option.state |= QStyle::State_On | QStyle::State_Sunken;
    QStyleOptionToolButton face = option;
    face.icon = QIcon();
    face.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, face);
    const QColor highlight = palette().color(QPalette::Highlight);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(inside, QColor(highlight.red(), highlight.green(), highlight.blue(), 80));
    painter.setPen(QPen(highlight, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(inside).adjusted(1, 1, -1, -1));
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.rect = rect().adjusted(frame, frame, -frame, -frame);
    painter.drawControl(QStyle::CE_ToolButtonLabel, option);
}

bool StateButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowBlocked)
        m_windowBlocked = true;
    return QToolButton::eventFilter(watched, event);
}

} // namespace OrloTool
