/*
 * Builds the progress window at the positions of its design (in twips) and carries its
 * activation, Cancel and close-box handling.
 */
#include "app/crypt/progresswindow.h"

#include "app/core/appstate.h"
#include "app/core/dialogs.h"
#include "app/crypt/engine/passrunner.h"
#include "common/twips.h"

#include <QtCore/QTimer>
#include <QtGui/QCloseEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int ShapeCount = 26;
constexpr int ShapePitch = 240;

// A control of the design: its name and place, and a plain background of the given role.
template <typename Widget>
Widget* designed(Widget* widget, const QString& name, const QRect& geometry, QPalette::ColorRole background) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    widget->setBackgroundRole(background);
    widget->setAutoFillBackground(true);
    return widget;
}

} // namespace

ProgressWindow::ProgressWindow(QWidget& mainWindow, AppState& state, Dialogs& dialogs)
    : QWidget(&mainWindow, Qt::Dialog)
    , m_mainWindow(mainWindow)
    , m_state(state)
    , m_dialogs(dialogs) {
    setObjectName(u"Progress"_s);
    setWindowTitle(u"Vexa Password Progressing"_s);
    setFixedSize(twips::size(6390, 1590));

    m_fileLabel = designed(new QLabel(this), u"Label1"_s, twips::rect(120, 120, 6255, 495), QPalette::Window);
    m_fileLabel->setTextFormat(Qt::PlainText);
    m_track = designed(new QFrame(this), u"Picture1"_s, twips::rect(120, 720, 6195, 375), QPalette::Base);
    for (int index = 0; index < ShapeCount; ++index)
        designed(new QFrame(m_track), u"Shape1"_s, twips::rect(ShapePitch * index, 80, 255, 195), QPalette::Highlight);
    // Drawn over the marks in the track's own colour: the marks left of it show the work done.
    m_cover = designed(new QLabel(m_track), u"Label2"_s, twips::rect(3000, 0, 6615, 375), QPalette::Base);
    m_cover->raise();
    m_cancelButton = new QPushButton(u"&Cancel"_s, this);
    m_cancelButton->setObjectName(u"Command1"_s);
    m_cancelButton->setGeometry(twips::rect(4680, 1200, 1575, 375));
    connect(m_cancelButton, &QPushButton::clicked, this, &ProgressWindow::askToCancel);
}

void ProgressWindow::follow(PassRunner& runner) {
    m_runner = &runner;
    connect(&runner, &PassRunner::fileStarted, this, &ProgressWindow::showFile);
    connect(&runner, &PassRunner::coverMoved, this, &ProgressWindow::moveCover);
}

PassRunner* ProgressWindow::runner() const {
    return m_runner;
}

void ProgressWindow::showOverMainWindow() {
    // Outer rectangles, window frames included. The frame is not known before the window is
    // first shown: it is taken to be the main window's.
    const QRect main = m_mainWindow.frameGeometry();
    const QSize outer = size() + main.size() - m_mainWindow.size();
    move((main.left() + main.width() - outer.width()) / 2, (main.top() + main.height() - outer.height()) / 2);
    showInPlace();
}

void ProgressWindow::showInPlace() {
    moveCover(0);
    // A command that shows the window again for each file keeps the first place.
    if (!isVisible()) {
        QWidget* active = QApplication::activeWindow();
        m_returnWindow = active == this ? &m_mainWindow : active;
        QWidget* focus = QApplication::focusWidget();
        m_returnFocus = m_returnWindow && focus && focus->window() == m_returnWindow ? focus : nullptr;
    }
    show();
    raise();
    activateWindow();
}

void ProgressWindow::closeProgress() {
    hideAndReturnKeyboard();
}

void ProgressWindow::showFile(const QString& path) {
    m_fileLabel->setText(path);
}

void ProgressWindow::moveCover(double leftTwips) {
    m_cover->move(twips::toPixels(leftTwips), 0);
}

void ProgressWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        deactivated();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (isVisible())
        askToCancel();
}

void ProgressWindow::deactivated() {
    // Deferred until the activation has settled; a box a command opens keeps it until it closes.
    if (isVisible())
        QTimer::singleShot(0, this, &ProgressWindow::takeFocusBack);
}

void ProgressWindow::takeFocusBack() {
    if (isVisible() && QApplication::activeWindow() == &m_mainWindow) {
        raise();
        activateWindow();
    }
}

void ProgressWindow::hideAndReturnKeyboard() {
    if (!isVisible())
        return;
    hide();
    // Qt defers the activation asked for in showInPlace until the window is mapped, and then takes
    // its own request for the activation itself, though the window was hidden meanwhile: after a
    // run shorter than that, the hidden window would keep the keys while the window manager shows
    // the main window active. Without its native window (made again when next shown) nothing can
    // activate it.
    destroy();
    if (m_returnFocus)
        m_returnFocus->setFocus(Qt::ActiveWindowFocusReason);
    if (m_returnWindow)
        m_returnWindow->activateWindow();
}

void ProgressWindow::askToCancel() {
    // A key may still reach the button of the hidden window; it asks nothing then.
    if (!isVisible())
        return;
    // The pass waits under the question, as it would if it ran on this thread.
    if (m_runner)
        m_runner->pause();
    const bool confirmed = m_dialogs.askYesNo(u" Do you really want to cancel? \r\n"_s) == Dialogs::Answer::Yes;
    if (confirmed) {
        hideAndReturnKeyboard();
        m_state.cancelRequested = true;
    }
    if (!m_runner)
        return;
    if (confirmed)
        m_runner->stop();
    else
        m_runner->resume();
}
