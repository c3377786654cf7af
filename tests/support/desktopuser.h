/*
 * A person at the keyboard and mouse of a real X display, for the test programs wmrun.sh runs:
 * keys and clicks go through the X server (xdotool), so they reach the window the window manager
 * has given the focus, as a person's would. MessageBoxCloser answers the message boxes that come
 * up meanwhile with the Enter key.
 */
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QPoint>
#include <QtCore/QPointer>
#include <QtCore/QStringList>
#include <QtCore/QTimer>

class QMessageBox;
class QWidget;

namespace DesktopUser {

// How long a step may take on a loaded machine before it counts as never happening, in ms.
constexpr int Patience = 20000;

// Empty on a real X display with xdotool at hand; otherwise why the person cannot act.
QString unavailable();
// Types the text, one key after another.
void type(const QString& text);
// Presses keys by their X names: "Return", "space", "ctrl+a".
void press(const QString& keys);
// Clicks the left button at a point of the widget, the pointer moved there first.
void click(const QWidget& widget, QPoint point);
// An object's name for a failure message, "(none)" for no object.
QString nameOf(const QObject* object);

} // namespace DesktopUser

class MessageBoxCloser : public QObject {
public:
    MessageBoxCloser();

    // The texts of the boxes answered so far, in order.
    const QStringList& texts() const { return m_texts; }

private:
    void poll();

    QTimer m_timer;
    QStringList m_texts;
    // The box last answered, and since when: a box that outlives its Enter gets another one.
    QPointer<QMessageBox> m_answered;
    QElapsedTimer m_since;
};
