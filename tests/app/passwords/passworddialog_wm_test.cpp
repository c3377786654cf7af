/*
 * The password dialog under a real window manager: after every message box it raises and after a
 * click in the chooser, the dialog has the keyboard again, with the focus in the right field.
 * Keys and clicks go through the X server, so they land where a person's would.
 */
#include "app/core/messageboxdialogs.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/desktopuser.h"
#include "tests/support/mainwindowtest.h"

#include <QtGui/QWindow>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>

using DesktopUser::nameOf;

class PasswordDialogFocusTest : public MainWindowTest<LinuxPlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (const QString why = DesktopUser::unavailable(); !why.isEmpty())
            GTEST_SKIP() << qPrintable(why);
        openWindow(m_boxes);
        m_boxes.setParent(&window());
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window(), DesktopUser::Patience));
    }

    PasswordDialog& dialog() { return window().passwordDialog(); }
    QLineEdit* field(const QString& name) { return dialog().findChild<QLineEdit*>(name); }

    // Waits for the n-th box to have come and gone, then for the dialog to have the keyboard back
    // with the focus on `expected`.
    testing::AssertionResult keyboardBack(qsizetype boxes, QWidget* expected) {
        if (!QTest::qWaitFor([&] { return m_closer->texts().size() >= boxes; }, DesktopUser::Patience))
            return testing::AssertionFailure() << "box " << boxes << " never came";
        if (!QTest::qWaitFor([&] { return dialog().isActiveWindow() && QApplication::focusWidget() == expected; },
                             DesktopUser::Patience)) {
            return testing::AssertionFailure()
                   << "active " << qPrintable(nameOf(QApplication::activeWindow())) << ", focus "
                   << qPrintable(nameOf(QApplication::focusWidget())) << ", expected " << qPrintable(nameOf(expected));
        }
        return testing::AssertionSuccess();
    }

    // Types keys and waits for them to show in the field.
    testing::AssertionResult typeInto(QLineEdit* target, const QString& keys, const QString& expected) {
        DesktopUser::type(keys);
        if (QTest::qWaitFor([&] { return target->text() == expected; }, DesktopUser::Patience))
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << qPrintable(target->objectName()) << " holds " << qPrintable(target->text());
    }

    // A point of the widget that the dialog does not cover.
    QPoint uncovered(const QWidget& widget) {
        const QRect covered = dialog().frameGeometry();
        for (int y = widget.height() - 4; y > 0; y -= 8) {
            for (int x = 4; x < widget.width(); x += 8) {
                if (!covered.contains(widget.mapToGlobal(QPoint(x, y))))
                    return QPoint(x, y);
            }
        }
        ADD_FAILURE() << "the dialog covers " << qPrintable(widget.objectName());
        return {};
    }

    MessageBoxDialogs m_boxes;
    std::unique_ptr<MessageBoxCloser> m_closer = std::make_unique<MessageBoxCloser>();
};

TEST_F(PasswordDialogFocusTest, KeepsTheKeyboardAfterAMessageAndAClickInTheChooser) {
    QLineEdit* passwordEdit = field(u"Text8"_s);
    QLineEdit* Vtext = field(u"Vtext"_s);

    triggerAction(u"Editpas"_s);
    ASSERT_TRUE(keyboardBack(0, passwordEdit));
    DesktopUser::press(u"Return"_s); // Enter in the empty field
    ASSERT_TRUE(keyboardBack(1, passwordEdit));
    ASSERT_TRUE(typeInto(passwordEdit, u"ab"_s, u"ab"_s));
    DesktopUser::press(u"Return"_s);
    ASSERT_TRUE(typeInto(Vtext, u"ax"_s, u"ax"_s));
    DesktopUser::press(u"Return"_s); // "Ok" with a verification that differs
    ASSERT_TRUE(keyboardBack(2, Vtext));
    ASSERT_TRUE(typeInto(Vtext, u"a"_s, u"a"_s));

    // A click in the chooser's chosen-file list gives the activation to the main window.
    auto* list = chooser()->findChild<QAbstractItemView*>(u"List1"_s);
    bool mainWindowActivated = false;
    const QMetaObject::Connection watch = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [&](QWindow* w) {
        mainWindowActivated |= w && w == window().windowHandle();
    });
    DesktopUser::click(*list, uncovered(*list));
    EXPECT_TRUE(QTest::qWaitFor([&] { return mainWindowActivated; }, DesktopUser::Patience));
    QObject::disconnect(watch);
    ASSERT_TRUE(keyboardBack(2, Vtext));
    ASSERT_TRUE(typeInto(Vtext, u"b"_s, u"ab"_s));
    DesktopUser::press(u"Return"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog().isHidden(); }, DesktopUser::Patience));
    EXPECT_EQ(window().passwordDialog().currentPassword(), u"ab"_s);
}
