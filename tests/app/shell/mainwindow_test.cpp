/*
 * The main window through its real menus and tool bar: start-up geometry and check marks, the
 * command gate, exit and close, the level switch, the file-kind switches in their three places,
 * the bars, the password generator, help, the Windows menu and the list commands.
 */
#include "mdiform1.h"

#include "apptitle.h"
#include "form3.h"
#include "helpwindow.h"
#include "linuxplatform.h"
#include "mainwindowtest.h"
#include "messageboxdialogs.h"
#include "statline.h"
#include "twips.h"

#include <QtCore/QTimer>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QTextBrowser>

using namespace Qt::StringLiterals;
using OrloTool::UserControl1;

namespace {

// The real platform, except that the program folder is the test's and programs are only
// recorded, not started.
struct RecordingPlatform : LinuxPlatform {
    QString programFolder() const override { return folder; }
    bool startProgram(const QString& path) override {
        started << path;
        return startSucceeds;
    }

    QString folder;
    QStringList started;
    bool startSucceeds = true;
};

struct FilterCase {
    FileKind kind;
    QString menuItem;
    QString popupItem;
    QString button;
    qint16 (UserControl1::*state)() const;
};

const FilterCase kFilters[] = {
    {FileKind::Normal, u"Normalmenu"_s, u"Norm"_s, u"ViewNTool"_s, &UserControl1::MM7},
    {FileKind::Archive, u"Archivemenu"_s, u"Arch"_s, u"ViewATool"_s, &UserControl1::MM5},
    {FileKind::Hidden, u"Hiddenmenu"_s, u"Hid"_s, u"ViewHTool"_s, &UserControl1::MM6},
    {FileKind::ReadOnly, u"Readonlymenu"_s, u"Readon1"_s, u"ViewRTool"_s, &UserControl1::MM8},
    {FileKind::System, u"Systemmenu"_s, u"Sys1"_s, u"ViewSTool"_s, &UserControl1::MM9},
};

QRect frameOf(QWidget* child) {
    return child->parentWidget()->geometry();
}

} // namespace

class ShellWindowTest : public MainWindowTest<RecordingPlatform> {
protected:
    void preparePlatform() override { m_platform.folder = makeDir(u"bin"_s); }
};

TEST_F(ShellWindowTest, StartsWithDesignGeometryAndCheckMarks) {
    const QSize client = twips::size(9300, 5055);
    EXPECT_EQ(window().clientSize(), client);
    EXPECT_EQ(window().windowTitle(), u"Vexa Password v1.22"_s);
    EXPECT_FALSE(window().windowIcon().isNull());

    // The offscreen screen's halves are smaller than the window, so the minimum-size rule
    // leaves it as designed.
    const QSize half = window().screen()->geometry().size() / 2;
    ASSERT_LT(half.width(), window().frameGeometry().width());
    ASSERT_LT(half.height(), window().frameGeometry().height());
    EXPECT_EQ(window().clientSize(), client);

    const int browserWidth = qRound(0.3 * client.width());
    EXPECT_EQ(frameOf(window().browser()),
              QRect(client.width() - browserWidth, 0, browserWidth, qRound(0.4 * client.height())));
    EXPECT_EQ(frameOf(chooser()), QRect(0, 0, qRound(0.7 * client.width()), client.height()));

    const int width = window().centralWidget()->width();
    const int height = window().centralWidget()->height();
    EXPECT_EQ(window().toolPanel().geometry(), QRect(0, 0, width, twips::toPixels(855)));
    EXPECT_EQ(window().statusLine().geometry(), QRect(0, height - twips::toPixels(495), width, twips::toPixels(495)));
    EXPECT_EQ(window().statusLine().scaleWidth(), 9300.0f);

    // The run-time options and their check marks.
    const std::pair<QString, bool> marks[] = {
        {u"LOWSEC"_s, true},  {u"HISEC"_s, false},    {u"DELOLD"_s, true},     {u"statusbar"_s, true},
        {u"Toolbar"_s, true}, {u"E_Decrypt"_s, true}, {u"MyHotLists"_s, true},
    };
    for (const auto& [name, checked] : marks)
        EXPECT_EQ(isChecked(name), checked) << qPrintable(name);
    for (const FilterCase& filter : kFilters) {
        EXPECT_TRUE(isChecked(filter.menuItem)) << qPrintable(filter.menuItem);
        EXPECT_TRUE(isChecked(filter.popupItem)) << qPrintable(filter.popupItem);
        EXPECT_EQ((window().toolPanel().*filter.state)(), 1) << qPrintable(filter.button);
        EXPECT_TRUE(chooser()->isFileKindShown(filter.kind)) << qPrintable(filter.button);
    }
    EXPECT_EQ(window().toolPanel().MM10(), 0);
}

TEST_F(ShellWindowTest, MenusCarryTheDesignNamesCaptionsAndKeys) {
    QStringList bar;
    for (QAction* menu : window().menuBar()->actions())
        bar << menu->menu()->objectName() + u' ' + menu->text();
    EXPECT_EQ(bar, (QStringList{u"Filing &File"_s, u"Viewmenu &View"_s, u"Per &Password"_s, u"OPtion1 &Option"_s,
                                u"windo &Windows"_s, u"Help1 &Help"_s}));

    QStringList filing;
    for (QAction* item : window().findChild<QMenu*>(u"Filing"_s)->actions())
        filing << item->objectName() + u' ' + item->text() + u' ' + item->shortcut().toString();
    EXPECT_EQ(filing,
              (QStringList{u"NewList New list Ctrl+N"_s, u"sepa12  "_s, u"PassGenerate Password Generator Ctrl+G"_s,
                           u"Encmenu Encrypt Ctrl+E"_s, u"Decmenu Decrypt Ctrl+D"_s, u"FolderLock Folder Lock Ctrl+L"_s,
                           u"FolderUnlock Folder Unlock Ctrl+U"_s, u"sep4  "_s, u"Ending E&xit "_s}));

    // The pop-up menus belong to the window but not to its menu bar.
    for (const QString& name : {u"LoadList"_s, u"Show1"_s, u"munfile"_s, u"Folder"_s}) {
        QMenu* popup = window().popupMenu(name);
        ASSERT_NE(popup, nullptr) << qPrintable(name);
        EXPECT_FALSE(window().menuBar()->actions().contains(popup->menuAction())) << qPrintable(name);
    }
    EXPECT_EQ(window().popupMenu(u"Show1"_s)->title(), u"List File"_s);
}

TEST_F(ShellWindowTest, GatedCommandsDoNothingWhileBusyOthersStillWork) {
    makeFile(u"bin/generate"_s, 1);
    window().state().Busy = true;
    window().state().ActiveListKind = ListKind::ChosenList;
    // No question is scripted: a question would fail the test.
    for (const QString& gated : {u"HISEC"_s, u"DELOLD"_s, u"Normalmenu"_s, u"Contents1"_s})
        triggerAction(gated);
    emit window().toolPanel().C5(1, 0, 0, 0);
    emit window().toolPanel().C10(1, 0, 0, 0);
    EXPECT_EQ(window().state().ActiveListKind, ListKind::None);
    EXPECT_FALSE(isChecked(u"HISEC"_s));
    EXPECT_TRUE(isChecked(u"DELOLD"_s));
    EXPECT_TRUE(chooser()->isFileKindShown(FileKind::Normal));
    EXPECT_TRUE(chooser()->isFileKindShown(FileKind::Archive));
    EXPECT_EQ(window().helpWindow(), nullptr);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());

    // The pop-up switches, the bars, the generator and exit have no gate.
    triggerAction(u"Hid"_s);
    EXPECT_FALSE(chooser()->isFileKindShown(FileKind::Hidden));
    triggerAction(u"Toolbar"_s);
    EXPECT_TRUE(window().toolPanel().isHidden());
    triggerAction(u"PassGenerate"_s);
    EXPECT_EQ(m_platform.started, QStringList{m_platform.folder + u"/generate"_s});
    m_dialogs.answer(Dialogs::Answer::Yes);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(m_processEnds, 1);
}

TEST_F(ShellWindowTest, ExitAsksFirstEveryOtherCloseDoesNot) {
    m_dialogs.answer(Dialogs::Answer::No);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u" Do you really want  exit?"_s});
    EXPECT_EQ(m_processEnds, 0);
    EXPECT_EQ(window().mdiArea().subWindowList().size(), 2);

    EXPECT_FALSE(window().close());
    EXPECT_EQ(m_processEnds, 1);
    EXPECT_EQ(m_dialogs.boxes().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().mdiArea().subWindowList().isEmpty(); }));
    EXPECT_FALSE(isChecked(u"E_Decrypt"_s));
    EXPECT_FALSE(isChecked(u"MyHotLists"_s));
}

TEST_F(ShellWindowTest, LevelButtonFollowsTheAnswerToItsModalQuestion) {
    MessageBoxDialogs dialogs;
    openWindow(dialogs);
    dialogs.setParent(&window());
    QToolButton* level = toolButton(u"LevelTool"_s);

    // Answers every message box that comes up, recording its title and text.
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList asked;
    QTimer answering;
    answering.setInterval(0);
    QObject::connect(&answering, &QTimer::timeout, &answering, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->windowTitle() + u": "_s + box->text();
            box->button(answer)->click();
        }
    });
    answering.start();
    const QString question = applicationTitle() +
                             u": High security will low the speed.\nYou need it much for Text-Files.\n"
                             u"Do you want to continue?"_s;

    const struct {
        QMessageBox::StandardButton answer;
        bool asks;
        bool high;
    } presses[] = {{QMessageBox::No, true, false}, {QMessageBox::Yes, true, true}, {QMessageBox::No, false, false}};
    for (const auto& press : presses) {
        answer = press.answer;
        asked.clear();
        QTest::mousePress(level, Qt::LeftButton);
        QTest::mouseRelease(level, Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(asked, press.asks ? QStringList{question} : QStringList{});
        EXPECT_EQ(window().toolPanel().MM10(), press.high ? 1 : 0);
        EXPECT_EQ(isChecked(u"HISEC"_s), press.high);
        EXPECT_EQ(isChecked(u"LOWSEC"_s), !press.high);
    }
}

TEST_F(ShellWindowTest, LowSecurityFromTheMenuReleasesTheLevelButton) {
    m_dialogs.answer(Dialogs::Answer::Yes);
    triggerAction(u"HISEC"_s);
    EXPECT_EQ(window().toolPanel().MM10(), 1);
    triggerAction(u"LOWSEC"_s);
    EXPECT_EQ(window().toolPanel().MM10(), 0);
    EXPECT_TRUE(isChecked(u"LOWSEC"_s));
    EXPECT_FALSE(isChecked(u"HISEC"_s));
}

TEST_F(ShellWindowTest, FileKindSwitchesStayInStepInAllThreePlaces) {
    makeFile(u"work/plain.txt"_s, 10);
    makeFile(u"work/.hidden"_s, 10);
    const auto expectSwitch = [&](const FilterCase& filter, bool on) {
        EXPECT_EQ(isChecked(filter.menuItem), on) << qPrintable(filter.menuItem);
        EXPECT_EQ(isChecked(filter.popupItem), on) << qPrintable(filter.popupItem);
        EXPECT_EQ((window().toolPanel().*filter.state)(), on ? 1 : 0) << qPrintable(filter.button);
        EXPECT_EQ(chooser()->isFileKindShown(filter.kind), on) << qPrintable(filter.button);
    };

    for (const FilterCase& filter : kFilters) {
        triggerAction(filter.popupItem);
        expectSwitch(filter, false);
        triggerAction(filter.menuItem);
        expectSwitch(filter, true);
        QTest::mouseClick(toolButton(filter.button), Qt::LeftButton);
        expectSwitch(filter, false);
        QTest::mouseClick(toolButton(filter.button), Qt::LeftButton);
        expectSwitch(filter, true);
    }

    // Only a left click changes a button, so other presses change nothing.
    QTest::mouseClick(toolButton(u"ViewHTool"_s), Qt::RightButton);
    expectSwitch(kFilters[2], true);

    // The count pane shows the files the list now holds: the hidden one goes and comes back.
    QTest::mouseClick(toolButton(u"ViewHTool"_s), Qt::LeftButton);
    EXPECT_EQ(window().statusLine().lab5(), u"1"_s);
    QTest::mouseClick(toolButton(u"ViewHTool"_s), Qt::LeftButton);
    EXPECT_EQ(window().statusLine().lab5(), u"2"_s);
}

TEST_F(ShellWindowTest, ReopenedChooserTakesTheSwitchesAsTheyStand) {
    triggerAction(u"Norm"_s);
    triggerAction(u"E_Decrypt"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chooser(); }));
    EXPECT_FALSE(isChecked(u"E_Decrypt"_s));

    triggerAction(u"E_Decrypt"_s);
    ASSERT_NE(chooser(), nullptr);
    EXPECT_TRUE(isChecked(u"E_Decrypt"_s));
    EXPECT_FALSE(chooser()->isFileKindShown(FileKind::Normal));
    EXPECT_TRUE(chooser()->isFileKindShown(FileKind::Hidden));
    EXPECT_EQ(window().statusLine().lab5(), QString::number(chooser()->fileCount()));

    triggerAction(u"MyHotLists"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window().browser(); }));
    EXPECT_FALSE(isChecked(u"MyHotLists"_s));
    triggerAction(u"MyHotLists"_s);
    EXPECT_NE(window().browser(), nullptr);
    EXPECT_TRUE(isChecked(u"MyHotLists"_s));
}

TEST_F(ShellWindowTest, BarsFollowTheirCheckMarks) {
    const struct {
        QString item;
        QWidget* bar;
        int height;
    } bars[] = {{u"Toolbar"_s, &window().toolPanel(), twips::toPixels(855)},
                {u"statusbar"_s, &window().statusLine(), twips::toPixels(495)}};
    for (const auto& bar : bars) {
        const QSize client = window().clientSize();
        triggerAction(bar.item);
        EXPECT_FALSE(isChecked(bar.item));
        EXPECT_TRUE(bar.bar->isHidden());
        EXPECT_TRUE(QTest::qWaitFor([&] { return window().clientSize() == client + QSize(0, bar.height); }));
        triggerAction(bar.item);
        EXPECT_TRUE(isChecked(bar.item));
        EXPECT_TRUE(bar.bar->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return window().clientSize() == client; }));
    }
}

TEST_F(ShellWindowTest, AttributeButtonWantsAListFirstAndRestsWhileBusy) {
    QTest::mouseClick(toolButton(u"ArchiveTool"_s), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Click the list  then change attribute"_s});

    m_dialogs.clear();
    window().state().Busy = true;
    QTest::mouseClick(toolButton(u"SysTool"_s), Qt::LeftButton);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
}

TEST_F(ShellWindowTest, PasswordGeneratorStartsFromTheProgramFolder) {
    const QString program = m_platform.folder + u"/generate"_s;
    const struct {
        bool present;
        bool startSucceeds;
        QStringList started;
        QStringList messages;
    } cases[] = {
        {false, true, {}, {u"The password generator was not found:\r\n"_s + program}},
        {true, true, {program}, {}},
        {true, false, {program}, {u"The password generator could not be started:\r\n"_s + program}},
    };
    for (const auto& test : cases) {
        if (test.present)
            makeFile(u"bin/generate"_s, 1);
        m_platform.startSucceeds = test.startSucceeds;
        m_platform.started.clear();
        m_dialogs.clear();
        triggerAction(u"PassGenerate"_s);
        EXPECT_EQ(m_platform.started, test.started);
        EXPECT_EQ(m_dialogs.texts(), test.messages);
    }
}

TEST_F(ShellWindowTest, HelpOpensAtContentsOrWithTheSearchFieldFocused) {
    triggerAction(u"E_Decrypt"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chooser(); }));

    // Contents opens the chooser again and focuses its folder tree before the guide comes up.
    triggerAction(u"Contents1"_s);
    ASSERT_NE(chooser(), nullptr);
    EXPECT_EQ(window().focusWidget(), chooser()->findChild<QWidget*>(u"Dir1"_s));
    HelpWindow* help = window().helpWindow();
    ASSERT_NE(help, nullptr);
    auto* guide = help->findChild<QTextBrowser*>(u"guideText"_s);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(guide->source(), HelpWindow::guideUrl());
    EXPECT_TRUE(guide->toPlainText().contains(u"What the protection does and does not do"_s));
    EXPECT_EQ(help->focusWidget(), guide);

    triggerAction(u"Search1"_s);
    auto* field = help->findChild<QLineEdit*>(u"searchField"_s);
    EXPECT_EQ(help->focusWidget(), field);
    QTest::keyClicks(field, u"master password"_s);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(guide->textCursor().selectedText().toLower(), u"master password"_s);
}

TEST_F(ShellWindowTest, WindowsMenuListsAndActivatesTheChildWindows) {
    QMenu* windows = window().findChild<QMenu*>(u"windo"_s);
    emit windows->aboutToShow();
    const QList<QAction*> entries = windows->actions();
    const QList<QWidget*> children{window().browser(), chooser()};
    ASSERT_EQ(entries.size(), children.size());
    for (int i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i]->text(), u'&' + QString::number(i + 1) + u' ' + children[i]->windowTitle());
        entries[i]->trigger();
        EXPECT_EQ(window().mdiArea().currentSubWindow()->widget(), children[i]);
    }
}

TEST_F(ShellWindowTest, ListCommandsActOnTheActiveChildWindowsList) {
    QListWidget* list = chooser()->chosenList();
    list->addItems({u"/a"_s, u"/b"_s, u"/c"_s});

    // The browser has no chosen-file list: the command finds none and does nothing.
    window().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window().browser()->parentWidget()));
    triggerAction(u"selectAll"_s);
    EXPECT_TRUE(list->selectedItems().isEmpty());

    window().mdiArea().setActiveSubWindow(qobject_cast<QMdiSubWindow*>(chooser()->parentWidget()));
    triggerAction(u"selectAll"_s);
    EXPECT_EQ(list->selectedItems().size(), 3);
    triggerAction(u"Clear1"_s);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(window().statusLine().lab6(), u"0"_s);
}

TEST_F(ShellWindowTest, WindowGrowsToHalfTheScreenButNeverShrinks) {
    const int half = window().screen()->geometry().width() / 2;
    window().resize(half - 40, window().height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window().frameGeometry().width() == half; }));
    window().resize(half + 40, window().height());
    QCoreApplication::processEvents();
    EXPECT_EQ(window().width(), half + 40);
}
