/*
 * The hot-list commands in the real main window: New list, Open Hot List, Save List, Rename List
 * and Delete, with their questions, messages, files, window places and the browser's list.
 */
#include "hotlistcommands.h"

#include "appstate.h"
#include "hotlistfile.h"
#include "hotlistwindowtest.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

class HotListCommandsTest : public HotListWindowTest {
protected:
    // Picks a list file in the browser, as its right-click does, and runs a LoadList command.
    void runOnListFile(const QString& command, const QString& fileName) {
        m_window->state().CurrentFile = fileName;
        triggerAction(command);
    }
    static QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }
};

TEST_F(HotListCommandsTest, NewWindowsAreNumberedAndCascadeFromUnderTheBrowser) {
    const QRect browser = frame(m_window->browser())->geometry();
    const auto placeOf = [&](int n) {
        const int step = (n - 1) * 20; // 300 twips
        return QRect(browser.left() - step, browser.height() + step, browser.width(), browser.height());
    };
    // A list that cannot be read opens no window and takes no place.
    runOnListFile(u"OpenList"_s, u"Gone.vexa"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{listFile(u"Gone"_s) + u"\r\n"_s + systemError(ENOENT)});
    const QList<Form2*> windows{newList(), newList(), newList()};
    EXPECT_EQ(captions(), (QStringList{u"Hot List 1"_s, u"Hot List 2"_s, u"Hot List 3"_s}));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(frame(windows.at(n - 1))->geometry(), placeOf(n)) << n;

    // Two closes: the next window takes the second place, whichever windows went.
    m_dialogs.answer(Answer::No);
    m_dialogs.answer(Answer::No);
    close(windows.at(0));
    close(windows.at(2));
    Form2* next = newList();
    EXPECT_EQ(frame(next)->geometry(), placeOf(2));
    EXPECT_EQ(next->windowTitle(), u"Hot List 4"_s);
}

TEST_F(HotListCommandsTest, SaveListWritesAndReportsThenAsksBeforeReplacing) {
    newList({u"/a/b.txt"_s, u"/c,d"_s});
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Hot List 1 is saved"_s});
    const QByteArray saved = ComplementedLine(u"/a/b.txt"_s) + ComplementedLine(u"/c,d"_s);
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved);
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});

    activeHotList()->chosenList()->addItem(u"/e"_s);
    m_dialogs.clear();
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kReplaceQuestion, u"Hot List 1 is saved"_s}));
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved + ComplementedLine(u"/e"_s));
}

TEST_F(HotListCommandsTest, AnUnstorableEntryIsRefusedBeforeAnythingIsAskedOrWritten) {
    // U+074D complements to a double quote: no field brings it back.
    const QString unstorable = u"/x/\u074D"_s;
    const QString file = makeList(u"Hot List 1"_s, "old");
    newList({u"/a"_s, unstorable});
    triggerAction(u"Savelist"_s);
    ASSERT_EQ(m_dialogs.texts().size(), 1);
    EXPECT_TRUE(m_dialogs.texts().at(0).startsWith(unstorable + u"\r\n"_s));
    EXPECT_EQ(readAll(file), QByteArray("old"));
}

TEST_F(HotListCommandsTest, RenameThenSaveLeavesBothFiles) {
    newList({u"/a"_s});
    triggerAction(u"Savelist"_s);
    m_dialogs.clear();
    m_dialogs.cancelInput();
    triggerAction(u"RenameList"_s);
    const ScriptedDialogs::Box renameBox{ScriptedDialogs::Kind::Input, u"Vexa Password"_s, u"Enter a new name."_s};
    EXPECT_EQ(m_dialogs.boxes(), QList<ScriptedDialogs::Box>{renameBox});
    EXPECT_EQ(captions(), QStringList{u"Hot List 1"_s});

    m_dialogs.answerInput(u"Travel"_s);
    triggerAction(u"RenameList"_s);
    EXPECT_EQ(captions(), QStringList{u"Travel"_s});
    activeHotList()->chosenList()->addItem(u"/b"_s);
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts().last(), u"Travel is saved"_s);
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), ComplementedLine(u"/a"_s));
    EXPECT_EQ(readAll(listFile(u"Travel"_s)), ComplementedLine(u"/a"_s) + ComplementedLine(u"/b"_s));
    EXPECT_EQ(browserNames(), (QStringList{u"Hot List 1.vexa"_s, u"Travel.vexa"_s}));
}

TEST_F(HotListCommandsTest, RenameRefusesNamesThatLeadOutOfTheListFolder) {
    newList({u"/a"_s});
    for (const QString& name : {u"../outside"_s, u"sub/list"_s, u"/"_s, u"."_s, u".."_s}) {
        m_dialogs.clear();
        m_dialogs.answerInput(name);
        triggerAction(u"RenameList"_s);
        EXPECT_EQ(m_dialogs.texts().last(), u"A list name can't contain \"/\" or be \".\" or \"..\"."_s);
        EXPECT_EQ(captions(), QStringList{u"Hot List 1"_s}) << qPrintable(name);
    }
    m_dialogs.answerInput(u"..hidden. list"_s);
    triggerAction(u"RenameList"_s);
    EXPECT_EQ(captions(), QStringList{u"..hidden. list"_s});
}

TEST_F(HotListCommandsTest, OpenHotListReadsTheFileIntoANewWindow) {
    // Written by hand as the earlier program wrote it.
    const QString cyrillic = u"/home/ольга/\u04D4.txt"_s;
    makeList(u"Work"_s, ComplementedLine(u"/a b/c.txt"_s) + ComplementedLine(u"/x"_s));
    makeList(u"Names"_s, *HotListFile::Format({cyrillic}));
    runOnListFile(u"OpenList"_s, u"Work.vexa"_s);
    runOnListFile(u"OpenList"_s, u"Names.vexa"_s);
    EXPECT_EQ(captions(), (QStringList{u"Work"_s, u"Names"_s}));
    EXPECT_EQ(hotLists().at(0)->entries(), (QStringList{u"/a b/c.txt"_s, u"/x"_s}));
    EXPECT_EQ(hotLists().at(1)->entries(), QStringList{cyrillic});
    EXPECT_TRUE(m_dialogs.texts().isEmpty());

    // The same list twice: two windows with one caption, and the second save asks to replace.
    runOnListFile(u"OpenList"_s, u"Work.vexa"_s);
    EXPECT_EQ(captions(), (QStringList{u"Work"_s, u"Names"_s, u"Work"_s}));
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kReplaceQuestion, u"Work is saved"_s}));
}

TEST_F(HotListCommandsTest, DeleteAsksThenRemovesTheFile) {
    const QString question = u" Do you really want to delete this list? \r\n"_s;
    const QString file = makeList(u"Work"_s, ComplementedLine(u"/a"_s));
    makeList(u"Keep"_s, QByteArray());
    runOnListFile(u"OpenList"_s, u"Work.vexa"_s);

    m_dialogs.answer(Answer::No);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_TRUE(QFile::exists(file));
    m_dialogs.answer(Answer::Yes);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(browserNames(), QStringList{u"Keep.vexa"_s});
    EXPECT_EQ(captions(), QStringList{u"Work"_s}); // the open window of that list stays

    m_dialogs.answer(Answer::Yes);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{question, question, question, file + u"\r\n"_s + systemError(ENOENT)}));
}
