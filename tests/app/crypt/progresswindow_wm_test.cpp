/*
 * The progress window under a real window manager: short runs started from the tool bar end
 * before the window manager has activated the progress window, and afterwards the keyboard is back
 * with the file list that had it, never with the hidden window's Cancel button.
 */
#include "app/platform/linuxplatform.h"
#include "tests/support/desktopuser.h"
#include "tests/support/mainwindowtest.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QListView>

class ProgressFocusTest : public MainWindowTest<LinuxPlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (const QString why = DesktopUser::unavailable(); !why.isEmpty())
            GTEST_SKIP() << qPrintable(why);
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window(), DesktopUser::Patience));
    }

    bool keyboardWith(QWidget* expected) {
        return QTest::qWaitFor([&] { return window().isActiveWindow() && QApplication::focusWidget() == expected; },
                               DesktopUser::Patience);
    }
};

TEST_F(ProgressFocusTest, TheKeyboardReturnsToTheFileListAfterEveryShortRun) {
    // A run over 1 MiB ends within milliseconds, mostly before the progress window's activation.
    const QString plain = makeFile(u"work/a.txt"_s, 1 << 20);
    makeFile(u"work/b.txt"_s, 16);
    setPassword(u"abcdefgh"_s);
    chooser()->refreshFiles();
    auto* files = chooser()->findChild<QListView*>(u"File1"_s);
    ChosenFiles& list = chooser()->chosenFiles();
    DesktopUser::click(*files, files->visualRect(files->model()->index(1, 0)).center());
    ASSERT_TRUE(keyboardWith(files));

    // Encrypts and decrypts the file in turn; the original is deleted each time.
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        const bool encrypt = run % 2 == 0;
        const QString output = encrypt ? plain + u".vxp"_s : plain;
        list.clear();
        list.append({encrypt ? plain : plain + u".vxp"_s});
        list.setSelected(0, true);
        QTest::mouseClick(toolButton(encrypt ? u"EncTool"_s : u"DecTool"_s), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window().state().busy && QFileInfo::exists(output); },
                                    DesktopUser::Patience));
        ASSERT_TRUE(keyboardWith(files)) << qPrintable(DesktopUser::nameOf(QApplication::focusWidget()));
    }
    EXPECT_TRUE(m_dialogs.texts().isEmpty()) << qPrintable(m_dialogs.texts().join(u'|'));
}
