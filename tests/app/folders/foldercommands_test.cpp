/*
 * The folder commands in the main window: lock and unlock from the File menu and the Folder
 * pop-up, unlock with the master password, what they ask and show, and the chooser following
 * the renamed folder.
 */
#include "apptitle.h"
#include "attributes.h"
#include "chooserrules.h"
#include "folderwindowtest.h"
#include "masterpasswordfile.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QListView>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString Ext = ChooserRules::LockExtension.toString();
const QString Locked = u"The folder successfully Locked."_s;
const QString Unlocked = u"The folder successfully unlocked."_s;
const QString MasterPrompt = u"Enter your Master password"_s;
const QString WrongMaster = u"Invalid Master password! try to remember your old one "_s;

} // namespace

class FolderCommandsTest : public FolderWindowTest {
protected:
    // A folder Docs under the work folder holding one file, highlighted in the folder tree.
    QString highlightDocs() {
        const QString folder = QFileInfo(makeFile(u"work/Docs/note.txt"_s, QByteArray("note"))).path();
        chooser()->openFolder(folder);
        return folder;
    }

    // The chooser shows the folder: highlighted in the tree and open in the file list, which is
    // disabled exactly while the folder is locked.
    void expectChooserAt(const QString& folder) {
        EXPECT_EQ(chooser()->highlightedFolder(), folder);
        EXPECT_EQ(chooser()->currentFolder(), folder);
        EXPECT_EQ(chooser()->findChild<QListView*>(u"File1"_s)->isEnabled(), !folder.endsWith(Ext));
    }
};

TEST_F(FolderCommandsTest, LockAndUnlockFromTheMenuAndTheFolderPopUp) {
    setPassword(u"abc"_s);
    for (const auto& [lockItem, unlockItem] :
         {std::pair{u"FolderLock"_s, u"FolderUnlock"_s}, std::pair{u"PupFoldLock"_s, u"PopFoldunLock"_s}}) {
        SCOPED_TRACE(lockItem.toStdString());
        m_dialogs.clear();
        const QString docs = highlightDocs();
        triggerAction(lockItem);
        EXPECT_TRUE(QFileInfo::exists(docs + Ext + u"/vexaseal.vexa"_s));
        expectChooserAt(docs + Ext);
        triggerAction(unlockItem);
        EXPECT_EQ(m_dialogs.boxes(),
                  (QList<ScriptedDialogs::Box>{{ScriptedDialogs::Kind::Message, applicationTitle(), Locked},
                                               {ScriptedDialogs::Kind::Message, applicationTitle(), Unlocked}}));
        EXPECT_FALSE(QFileInfo::exists(docs + u"/vexaseal.vexa"_s));
        expectChooserAt(docs);
        ASSERT_TRUE(QDir(docs).removeRecursively());
    }
}

TEST_F(FolderCommandsTest, WithoutAPasswordThePasswordDialogOpensAndNothingChanges) {
    const QString docs = highlightDocs();
    const QString safe = makeDir(u"work/Safe"_s + Ext);
    for (const auto& [item, folder] : {std::pair{u"FolderLock"_s, docs},
                                       {u"PupFoldLock"_s, docs},
                                       {u"FolderUnlock"_s, safe},
                                       {u"PopFoldunLock"_s, safe}}) {
        SCOPED_TRACE(item.toStdString());
        chooser()->openFolder(folder);
        m_window->passwordDialog().hide();
        triggerAction(item);
        EXPECT_TRUE(m_window->passwordDialog().isVisible());
        EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    }
    EXPECT_EQ(QDir(m_work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{u"Docs"_s, u"Safe"_s + Ext}));
    EXPECT_EQ(QDir(docs).entryList(QDir::Files | QDir::Hidden), QStringList{u"note.txt"_s});
}

TEST_F(FolderCommandsTest, UnlockWithTheMasterPassword) {
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    setPassword(u"abcdefgh"_s);
    const QString docs = highlightDocs();
    triggerAction(u"FolderLock"_s);
    // The master password does not need the working password.
    setPassword({});
    const struct {
        std::function<void()> answer;
        QString message;
        QString chooserAt;
    } steps[] = {
        {[this] { m_dialogs.answerInput({}); }, PassWord1::invalidPasswordMessage(), docs + Ext},
        {[this] { m_dialogs.cancelInput(); }, PassWord1::invalidPasswordMessage(), docs + Ext},
        {[this] { m_dialogs.answerInput(u"master1"_s); }, WrongMaster, docs + Ext},
        {[this] { m_dialogs.answerInput(u"Master1"_s); }, Unlocked, docs},
        {[this] { m_dialogs.answerInput(u"Master1"_s); }, u"This folder is unlocked"_s, docs},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.message.toStdString());
        m_dialogs.clear();
        step.answer();
        triggerAction(u"UnWithMaster"_s);
        EXPECT_EQ(m_dialogs.boxes(),
                  (QList<ScriptedDialogs::Box>{{ScriptedDialogs::Kind::Input, applicationTitle(), MasterPrompt},
                                               {ScriptedDialogs::Kind::Message, applicationTitle(), step.message}}));
        expectChooserAt(step.chooserAt);
    }
    // Unlocked like the password unlock: the password file gone, the System mark cleared.
    EXPECT_EQ(QDir(docs).entryList(QDir::Files | QDir::Hidden), QStringList{u"note.txt"_s});
    EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
}

TEST_F(FolderCommandsTest, FolderCommandsRunWhileBusy) {
    setPassword(u"abc"_s);
    const QString docs = highlightDocs();
    m_window->state().Busy = true;
    triggerAction(u"FolderLock"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{Locked});
    // The tree follows the folder; the file list waits until the long operation is over.
    EXPECT_EQ(chooser()->highlightedFolder(), docs + Ext);
    EXPECT_EQ(chooser()->currentFolder(), docs);
}

TEST_F(FolderCommandsTest, WithTheChooserClosedNoFolderIsClicked) {
    setPassword(u"abc"_s);
    makeDir(u"work/Docs"_s);
    triggerAction(u"E_Decrypt"_s);
    ASSERT_TRUE(QTest::qWaitFor([this] { return chooser() == nullptr; }));
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    // The master password is checked before the folder is looked at.
    m_dialogs.answerInput(u"master1"_s);
    m_dialogs.answerInput(u"Master1"_s);
    for (const QString& item : {u"FolderLock"_s, u"FolderUnlock"_s, u"UnWithMaster"_s, u"UnWithMaster"_s})
        triggerAction(item);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"Please click the folder to lock."_s, u"Please click the folder to unlock."_s, MasterPrompt,
                           WrongMaster, MasterPrompt, u"Please click the folder to unlock."_s}));
    EXPECT_EQ(QDir(m_work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"Docs"_s});
}
