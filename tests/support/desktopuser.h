/*
 * A person at the keyboard and mouse of a real X display, for the test programs wmrun.sh runs:
 * keys and clicks go through the X server (xdotool), so they reach the window the window manager
 * has given the focus, as a person's would. MessageBoxCloser answers the message boxes that come
 * up meanwhile with the Enter key.
 */
#pragma once

#include <QtCore/QPointer>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <gtest/gtest.h>

namespace DesktopUser {

// How long a step may take on a loaded machine before it counts as never happening, in ms.
constexpr int Patience = 20000;

inline void xdotool(const QStringList& arguments) {
    EXPECT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << "xdotool " << qPrintable(arguments.join(u' '));
}

// Empty on a real X display with xdotool at hand; otherwise why the person cannot act.
inline QString unavailable() {
    if (QGuiApplication::platformName() != QStringLiteral("xcb"))
        return QStringLiteral("no X display: run this program through wmrun.sh");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return QStringLiteral("xdotool is not installed");
    return {};
}

// Types the text, one key after another.
inline void type(const QString& text) {
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("--"), text});
}

// Presses keys by their X names: "Return", "space", "ctrl+a".
inline void press(const QString& keys) {
    xdotool({QStringLiteral("key"), QStringLiteral("--"), keys});
}

// Clicks the left button at a point of the widget, the pointer moved there first.
inline void click(const QWidget& widget, QPoint point) {
    const QPoint at = widget.mapToGlobal(point);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

// An object's name for a failure message, "(none)" for no object.
inline QString nameOf(const QObject* object) {
    return object ? object->objectName() : QStringLiteral("(none)");
}

} // namespace DesktopUser

class MessageBoxCloser : public QObject {
public:
    MessageBoxCloser() {
        m_timer.setInterval(50);
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxCloser::poll);
        m_timer.start();
        qApp->installEventFilter(this);
    }

    // The texts of the boxes answered so far, in order.
    const QStringList& texts() const { return m_texts; }

protected:
    // Notes an Enter meant for the box that reached another window.
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && m_answered && target->isWidgetType() &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return &&
            static_cast<QWidget*>(target)->window() != m_answered)
            m_missed = true;
        return false;
    }

private:
    // Enter goes where the window manager sends keys: it is pressed once the box is the active
    // window, and again only when it went elsewhere, never while the box may still be taking it.
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || !box->isActiveWindow() || (box == m_answered && !m_missed))
            return;
        if (box != m_answered)
            m_texts << box->text();
        m_answered = box;
        m_missed = false;
        DesktopUser::press(QStringLiteral("Return"));
    }

    QTimer m_timer;
    QStringList m_texts;
    QPointer<QMessageBox> m_answered;
    bool m_missed = false;
};
