#include "tests/support/desktopuser.h"

#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtGui/QGuiApplication>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QWidget>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void xdotool(const QStringList& arguments) {
    const int status = QProcess::execute(u"xdotool"_s, arguments);
    EXPECT_EQ(status, 0) << "xdotool " << qPrintable(arguments.join(u' '));
}

} // namespace

QString DesktopUser::unavailable() {
    if (QGuiApplication::platformName() != u"xcb"_s)
        return u"no X display: run this program through wmrun.sh"_s;
    if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
        return u"xdotool is not installed"_s;
    return {};
}

void DesktopUser::type(const QString& text) {
    xdotool({u"type"_s, u"--delay"_s, u"20"_s, u"--"_s, text});
}

void DesktopUser::press(const QString& keys) {
    xdotool({u"key"_s, u"--"_s, keys});
}

void DesktopUser::click(const QWidget& widget, QPoint point) {
    const QPoint global = widget.mapToGlobal(point);
    xdotool(
        {u"mousemove"_s, u"--sync"_s, QString::number(global.x()), QString::number(global.y()), u"click"_s, u"1"_s});
}

MessageBoxCloser::MessageBoxCloser() {
    m_timer.setInterval(50);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxCloser::poll);
    m_timer.start();
}

void MessageBoxCloser::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Enter goes where the window manager sends keys: wait until that is the box.
    if (!box || !box->isVisible() || !box->isActiveWindow())
        return;
    if (box == m_answered && !m_since.hasExpired(2000))
        return;
    if (box != m_answered)
        m_texts << box->text();
    m_answered = box;
    m_since.start();
    DesktopUser::press(u"Return"_s);
}

QString DesktopUser::nameOf(const QObject* object) {
    return object ? object->objectName() : QStringLiteral("(none)");
}
