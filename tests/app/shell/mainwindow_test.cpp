/*
 * The main window through its real menus and tool bar: check marks, gates, exit, level, switches.
 */
#include "app/shell/mainwindow.h"

#include "app/core/messageboxdialogs.h"
#include "app/lists/chosenlist.h"
#include "common/help/helpwindow.h"
#include "controls/statline/statline.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QListView>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QTextBrowser>

#include <functional>

using OrloTool::UserControl1;

struct RecordingPlatform : TestPlatform { // the program folder is the test's
    QString programFolder() const override { return folder; }
    QString folder;
};

// A file-kind switch: its kind, View menu item, pop-up item, tool-bar button and that button's state.
using FilterCase = std::tuple<FileKind, QString, QString, QString, qint16 (UserControl1::*)() const>;

const FilterCase kFilters[] = {
    {FileKind::Normal, u"Normalmenu"_s, u"Norm"_s, u"ViewNTool"_s, &UserControl1::MM7},
    {FileKind::Archive, u"Archivemenu"_s, u"Arch"_s, u"ViewATool"_s, &UserControl1::MM5},
    {FileKind::Hidden, u"Hiddenmenu"_s, u"Hid"_s, u"ViewHTool"_s, &UserControl1::MM6},
    {FileKind::ReadOnly, u"Readonlymenu"_s, u"Readon1"_s, u"ViewRTool"_s, &UserControl1::MM8},
    {FileKind::System, u"Systemmenu"_s, u"Sys1"_s, u"ViewSTool"_s, &UserControl1::MM9},
};

class ShellWindowTest : public MainWindowTest<RecordingPlatform> {
protected:
    void preparePlatform() override { m_platform.folder = makeDir(u"bin"_s); }

    void expectSwitch(const FilterCase& filter, bool on) {
        const auto& [kind, menuItem, popupItem, button, state] = filter;
        EXPECT_EQ(std::tuple(isChecked(menuItem), isChecked(popupItem), (window().toolPanel().*state)() == 1,
                             chooser()->isFileKindShown(kind)),
                  std::tuple(on, on, on, on))
            << qPrintable(button);
    }
};

TEST_F(ShellWindowTest, GatedCommandsDoNothingWhileBusyOthersStillWork) {
    QTest::mouseClick(toolButton(u"ArchiveTool"_s), Qt::LeftButton);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Click the list  then change attribute"_s});
    m_dialogs.clear();
    ChosenFiles& chosen = chooser()->chosenFiles();
    chosen.append({makeFile(u"work/a.txt"_s, 20)});
    chosen.setCurrentRow(0);
    window().state().busy = true;
    window().state().activeListKind = ListKind::ChosenList;
    for (const QString& gated : {u"HISEC"_s, u"DELOLD"_s, u"Normalmenu"_s, u"Contents1"_s, u"ditFold"_s, u"Clear2"_s})
        triggerAction(gated); // no answer is scripted: a question would fail the test
    for (const QString& button : {u"ViewATool"_s, u"LevelTool"_s, u"SysTool"_s})
        QTest::mouseClick(toolButton(button), Qt::LeftButton); // the refused buttons keep their states
    EXPECT_EQ(std::tuple(isChecked(u"HISEC"_s), window().toolPanel().MM10(), isChecked(u"DELOLD"_s),
                         window().toolPanel().MM4(), window().helpWindow(), chosen.count()),
              std::tuple(false, qint16(0), true, qint16(0), nullptr, 1));
    expectSwitch(kFilters[1], true);
    EXPECT_FALSE(window().passwordDialog().isVisible());
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());

    triggerAction(u"Hid"_s); // the pop-up switches and exit have no gate
    expectSwitch(kFilters[2], false);
    m_dialogs.answer(Dialogs::Answer::Yes);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(m_processEnds, 1);
}

TEST_F(ShellWindowTest, ExitAsksFirstEveryOtherCloseDoesNot) {
    m_dialogs.answer(Dialogs::Answer::No);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(std::pair(m_dialogs.texts(), m_processEnds), std::pair(QStringList{u" Do you really want  exit?"_s}, 0));
    EXPECT_FALSE(window().close());
    EXPECT_EQ(std::pair(m_processEnds, m_dialogs.boxes().size()), std::pair(1, qsizetype(1))) << "no question on close";
}

TEST_F(ShellWindowTest, LevelButtonFollowsTheAnswerToItsModalQuestion) {
    MessageBoxDialogs dialogs;
    openWindow(dialogs);
    dialogs.setParent(&window());
    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList asked;
    QTimer answering; // answers every box that comes up, noting its text
    QObject::connect(&answering, &QTimer::timeout, &answering, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked << box->text();
            box->button(answer)->click();
        }
    });
    answering.start();
    const QString question =
        u"High security will low the speed.\nYou need it much for Text-Files.\nDo you want to continue?"_s;
    // From high security it asks nothing.
    for (const auto& [given, asks, high] :
         {std::tuple(QMessageBox::No, 1, false), {QMessageBox::Yes, 2, true}, {QMessageBox::No, 2, false}}) {
        answer = given;
        QTest::mouseClick(toolButton(u"LevelTool"_s), Qt::LeftButton);
        QTest::qWait(0);
        EXPECT_EQ(std::tuple(asked, window().toolPanel().MM10() == 1, isChecked(u"HISEC"_s), isChecked(u"LOWSEC"_s)),
                  std::tuple(QStringList(asks, question), high, high, !high));
    }
}

TEST_F(ShellWindowTest, StartsWithCheckMarksAndFileKindSwitchesStayInStepInAllThreePlaces) {
    for (const QString& on : {u"LOWSEC"_s, u"DELOLD"_s, u"statusbar"_s, u"Toolbar"_s, u"E_Decrypt"_s, u"MyHotLists"_s})
        EXPECT_TRUE(isChecked(on)) << qPrintable(on);
    // A shortcut reaches one command only (the named actions are the menus' own).
    QStringList shortcuts;
    for (const QAction* action : window().findChildren<QAction*>())
        if (!action->shortcut().isEmpty() && !action->objectName().isEmpty())
            shortcuts.append(action->shortcut().toString());
    EXPECT_EQ(QSet<QString>(shortcuts.cbegin(), shortcuts.cend()).size(), shortcuts.size())
        << qPrintable(shortcuts.join(u' '));
    makeFile(u"work/.hidden"_s, 10);
    for (const FilterCase& filter : kFilters) {
        expectSwitch(filter, true);
        triggerAction(std::get<2>(filter));
        expectSwitch(filter, false);
        triggerAction(std::get<1>(filter));
        QTest::mouseClick(toolButton(std::get<3>(filter)), Qt::LeftButton);
        expectSwitch(filter, false);
        QTest::mouseClick(toolButton(std::get<3>(filter)), Qt::LeftButton);
        expectSwitch(filter, true);
    }
    QTest::mouseClick(toolButton(u"ViewHTool"_s), Qt::LeftButton); // the count pane follows: the hidden file goes
    EXPECT_EQ(window().statusLine().lab5(), u"0"_s);
}

TEST_F(ShellWindowTest, PasswordGeneratorStartsFromTheProgramFolderOrSaysWhyNot) {
    const QString program = m_platform.folder + u"/vexa-generate"_s;
    const std::tuple<bool, bool, QStringList, QStringList> cases[] = {
        {false, true, {}, {u"The password generator was not found:\r\n"_s + program}},
        {true, false, {program}, {u"The password generator could not be started:\r\n"_s + program}},
        {true, true, {program}, {}}};
    for (const auto& [present, startSucceeds, started, messages] : cases) {
        if (present)
            makeFile(u"bin/vexa-generate"_s, 1);
        m_platform.startSucceeds = startSucceeds;
        m_platform.started.clear();
        m_dialogs.clear();
        triggerAction(u"PassGenerate"_s);
        EXPECT_EQ(std::pair(m_platform.started, m_dialogs.texts()), std::pair(started, messages));
    }
}

// F1 opens the guide at its contents from every window, the password dialog included, also while
// a pass runs.
TEST_F(ShellWindowTest, F1OpensTheGuideFromEveryWindow) {
    window().state().busy = true;
    PasswordDialog& dialog = window().passwordDialog();
    dialog.showPasswordDialog();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    HelpWindow* help = window().helpWindow();
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_EQ(help->findChild<QTextBrowser*>(u"guideText"_s)->source().fragment(), u"contents"_s);
}

using NameWindowTest = MainWindowTest<TestPlatform>;

TEST_F(NameWindowTest, EveryCommandRefusesANameThatIsNotValidUtf8AndTouchesNeitherFile) {
    // Beside each name holding the stray byte 0xFF stands a file carrying the name it decodes to.
    for (const QByteArray name :
         {"a\xFF.txt", "a\xEF\xBF\xBD.txt", "a\xFF.txt.vxp", "a\xEF\xBF\xBD.txt.vxp", "d\xFF/", "d\xEF\xBF\xBD/"})
        makeRawFile("work/" + name, "the bytes of " + name);
    const QString shown = m_work + u"/a\uFFFD.txt"_s;
    const QString vxp = shown + u".vxp"_s;
    // The names in "work", and the bytes of the two files a slip would take for the others.
    const auto snapshot = [&] { return std::tuple(namesIn(m_work), readAll(shown), readAll(vxp)); };
    const auto before = snapshot();
    const auto refusal = [](const QString& path) -> QString {
        return u"The name of "_s + path + u" can't be read correctly. Please rename it."_s;
    };
    setPassword(u"pw"_s);
    chooser()->refreshFiles();
    auto* files = chooser()->findChild<QListView*>(u"File1"_s);
    ASSERT_EQ(files->model()->rowCount(), 4); // both files of each pair are listed
    ChosenFiles& chosen = chooser()->chosenFiles();
    // Puts the path alone in the chosen-file list, selected and highlighted.
    const auto choose = [&chosen](const QString& path) {
        chosen.clear();
        chosen.append({path});
        chosen.setCurrentRow(0);
        chosen.selectAll();
    };
    const QString again = u"Choose file(s) in your list again Please."_s;
    const QStringList eachShown{refusal(shown), refusal(shown), refusal(vxp), refusal(vxp)};
    const auto listsNone = [&chosen] { EXPECT_EQ(chosen.count(), 0); };
    auto* list = chooser()->findChild<ChosenList*>(u"List1"_s);
    const std::tuple<const char*, std::function<void()>, QStringList> commands[] = {
        {"Enter in the file list", [&] { QTest::keyClick(files, Qt::Key_Return), listsNone(); }, {refusal(shown)}},
        {"drop on the list", [&] { list->addDroppedPaths({shown}), listsNone(); }, {refusal(shown)}},
        {"encrypt the list", [&] { choose(shown), triggerAction(u"Enc1"_s); }, {refusal(shown), again}},
        {"decrypt the list", [&] { choose(vxp), triggerAction(u"Dec1"_s); }, {refusal(vxp), again}},
        {"encrypt the shown files", [&] { triggerAction(u"Enc2"_s); }, eachShown},
        {"decrypt the shown files", [&] { triggerAction(u"Dec2"_s); }, eachShown},
        {"open from the list", [&] { choose(shown), triggerAction(u"Openlist1"_s); }, {refusal(shown)}},
        {"open from the file list", [&] { triggerAction(u"Openfile1"_s); }, {refusal(shown)}},
        {"lock the folder",
         [&] { chooser()->openFolder(m_work + u"/d\uFFFD"_s), triggerAction(u"FolderLock"_s); },
         {refusal(m_work + u"/d\uFFFD"_s)}},
    };
    for (const auto& [command, run, messages] : commands) {
        SCOPED_TRACE(command);
        files->setCurrentIndex(files->model()->index(0, 0));
        m_dialogs.clear();
        run();
        EXPECT_EQ(m_dialogs.texts(), messages);
    }
    EXPECT_EQ(m_platform.opened, QStringList{});
    EXPECT_EQ(snapshot(), before);
}
