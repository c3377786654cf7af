/*
 * The hot-list commands in the real main window: New list, Open Hot List, Save List, Rename List
 * and Delete, with their questions, messages, files and the browser's list.
 */
#include "hotlistcommands.h"

#include "appstate.h"
#include "hotlistfile.h"
#include "hotlistwindowtest.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const QString kReplaceQuestion = u"This list is already existed do you want replace it"_s;
const QString kDeleteQuestion = u" Do you really want to delete this list? \r\n"_s;

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

class HotListCommandsTest : public HotListWindowTest {
protected:
    QString makeList(const QString& name, const QByteArray& content) {
        return makeFile(QDir(root()).relativeFilePath(listFile(name)), content);
    }
    // Picks a list file in the browser, as its right-click does, and runs a LoadList command.
    void runOnListFile(const QString& command, const QString& fileName) {
        m_window->state().CurrentFile = fileName;
        triggerAction(command);
    }
    QStringList captions() const {
        QStringList result;
        for (Form2* window : hotLists())
            result << window->windowTitle();
        return result;
    }
};

TEST_F(HotListCommandsTest, NewListsAreNumberedForTheRun) {
    newList();
    Form2* second = newList();
    EXPECT_EQ(captions(), (QStringList{u"Hot List 1"_s, u"Hot List 2"_s}));
    EXPECT_EQ(second->entries(), QStringList());
    m_dialogs.answer(Answer::No);
    close(second);
    newList();
    EXPECT_EQ(captions(), (QStringList{u"Hot List 1"_s, u"Hot List 3"_s}));
    EXPECT_EQ(m_dialogs.texts().size(), 1);
}

TEST_F(HotListCommandsTest, SaveListWritesAndReportsThenAsksBeforeReplacing) {
    newList({u"/a/b.txt"_s, u"/c,d"_s});
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Hot List 1 is saved"_s});
    const QByteArray saved = ComplementedLine(u"/a/b.txt"_s) + ComplementedLine(u"/c,d"_s);
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved);
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});

    // The first list of a new run bears the same name as a saved one: saving asks first.
    activeHotList()->chosenList()->addItem(u"/e"_s);
    m_dialogs.clear();
    m_dialogs.answer(Answer::No);
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{kReplaceQuestion});
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved);

    m_dialogs.clear();
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kReplaceQuestion, u"Hot List 1 is saved"_s}));
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved + ComplementedLine(u"/e"_s));
}

TEST_F(HotListCommandsTest, AFailedSaveIsReportedAndNotAnnounced) {
    const QString unstorable = u"/x/\u074D"_s;
    const QString file = makeList(u"Hot List 1"_s, "old");
    newList({u"/a"_s, unstorable});
    triggerAction(u"Savelist"_s);
    // Refused before the replace question: nothing is asked or written.
    ASSERT_EQ(m_dialogs.texts().size(), 1);
    EXPECT_TRUE(m_dialogs.texts().at(0).startsWith(unstorable + u"\r\n"_s));
    EXPECT_EQ(readAll(file), QByteArray("old"));

    m_dialogs.clear();
    activeHotList()->chosenList()->takeItem(1);
    activeHotList()->setWindowTitle(u"Other"_s);
    QDir(listFolder()).removeRecursively();
    makeFile(QDir(root()).relativeFilePath(listFolder()), QByteArray("x"));
    triggerAction(u"Savelist"_s);
    ASSERT_EQ(m_dialogs.texts().size(), 1);
    EXPECT_TRUE(m_dialogs.texts().at(0).startsWith(listFile(u"Other"_s) + u"\r\n"_s));
    EXPECT_FALSE(m_dialogs.texts().at(0).endsWith(u" is saved"_s));
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

TEST_F(HotListCommandsTest, AListThatCannotBeReadOpensNoWindow) {
    runOnListFile(u"OpenList"_s, u"Gone.vexa"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{listFile(u"Gone"_s) + u"\r\n"_s + systemError(ENOENT)});
    EXPECT_TRUE(hotLists().isEmpty());
    // The failed open did not count: the next window takes the first place.
    const QRect browser = frame(m_window->browser())->geometry();
    EXPECT_EQ(frame(newList())->geometry().topLeft(), QPoint(browser.left(), browser.height()));
}

TEST_F(HotListCommandsTest, DeleteAsksThenRemovesTheFile) {
    const QString file = makeList(u"Work"_s, ComplementedLine(u"/a"_s));
    makeList(u"Keep"_s, QByteArray());
    m_window->browser()->refresh();
    runOnListFile(u"OpenList"_s, u"Work.vexa"_s);

    m_dialogs.answer(Answer::No);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_TRUE(QFile::exists(file));

    m_dialogs.answer(Answer::Yes);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kDeleteQuestion, kDeleteQuestion}));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(browserNames(), QStringList{u"Keep.vexa"_s});
    // The open window of that list stays.
    EXPECT_EQ(captions(), QStringList{u"Work"_s});

    m_dialogs.clear();
    m_dialogs.answer(Answer::Yes);
    runOnListFile(u"DeleteList"_s, u"Work.vexa"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kDeleteQuestion, file + u"\r\n"_s + systemError(ENOENT)}));
}
