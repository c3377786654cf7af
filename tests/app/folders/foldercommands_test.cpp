/*
 * The folder commands in the main window: lock and unlock from the File menu and the Folder
 * pop-up, unlock with the master password, what they ask and show, and the chooser following
 * the renamed folder.
 */
#include "apptitle.h"
#include "attributes.h"
#include "folderlock.h"
#include "folderwindowtest.h"
#include "masterpasswordfile.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QListView>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString Ext = FolderLock::LockExtension.toString();
const QString Locked = u"The folder successfully Locked."_s;
const QString Unlocked = u"The folder successfully unlocked."_s;

} // namespace

class FolderCommandsTest : public FolderWindowTest {
protected:
    // A folder under the work folder holding one file, highlighted in the folder tree.
    QString highlightNewFolder(const QString& name) {
        makeFile(u"work/"_s + name + u"/note.txt"_s, QByteArray("note"));
        const QString folder = path(u"work/"_s + name);
        chooser()->openFolder(folder);
        EXPECT_EQ(chooser()->highlightedFolder(), folder);
        return folder;
    }

    // Whether the chooser shows the folder: highlighted in the tree and open in the file list,
    // which is disabled exactly while the folder is locked.
    void expectChooserAt(const QString& folder) {
        EXPECT_EQ(chooser()->highlightedFolder(), folder);
        EXPECT_EQ(chooser()->currentFolder(), folder);
        EXPECT_EQ(chooser()->findChild<QListView*>(u"File1"_s)->isEnabled(), !folder.endsWith(Ext));
    }

    ScriptedDialogs::Box messageBox(const QString& text) const {
        return {ScriptedDialogs::Kind::Message, applicationTitle(), text};
    }
};

TEST_F(FolderCommandsTest, LockAndUnlockFromTheMenuAndTheFolderPopUp) {
    const struct {
        QString lockItem;
        QString unlockItem;
    } entries[] = {
        {u"FolderLock"_s, u"FolderUnlock"_s},
        {u"PupFoldLock"_s, u"PopFoldunLock"_s},
    };
    setPassword(u"abc"_s);
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.lockItem.toStdString());
        m_dialogs.clear();
        const QString docs = highlightNewFolder(u"Docs"_s);
        const QString locked = docs + Ext;

        triggerAction(entry.lockItem);
        EXPECT_EQ(m_dialogs.boxes(), QList{messageBox(Locked)});
        EXPECT_FALSE(QFileInfo::exists(docs));
        EXPECT_EQ(readAll(locked + u"/vexaseal.vexa"_s),
                  QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf') + "\r\nDocs\r\n");
        EXPECT_EQ(m_platform.attributes(locked), Attr::System | Attr::Directory);
        expectChooserAt(locked);

        m_dialogs.clear();
        triggerAction(entry.unlockItem);
        EXPECT_EQ(m_dialogs.boxes(), QList{messageBox(Unlocked)});
        EXPECT_FALSE(QFileInfo::exists(locked));
        EXPECT_FALSE(QFileInfo::exists(docs + u"/vexaseal.vexa"_s));
        EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
        expectChooserAt(docs);
        ASSERT_TRUE(QDir(docs).removeRecursively());
    }
}

TEST_F(FolderCommandsTest, ChooserFollowsANumberedNameAndMessagesKeepTheirOrder) {
    setPassword(u"abc"_s);
    const QString docs = highlightNewFolder(u"Docs"_s);
    triggerAction(u"FolderLock"_s);
    // A second Docs locks as Docs1.
    highlightNewFolder(u"Docs"_s);
    triggerAction(u"FolderLock"_s);
    expectChooserAt(docs + u"1"_s + Ext);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{Locked, Locked}));

    // Docs1 unlocks as "Docs" + 1 while a folder Docs is there again.
    makeDir(u"work/Docs"_s);
    m_dialogs.clear();
    chooser()->openFolder(docs + Ext);
    triggerAction(u"FolderUnlock"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u"Folder will be named as Docs1"_s, Unlocked}));
    expectChooserAt(docs + u"1"_s);
    EXPECT_TRUE(QFileInfo::exists(docs + u"1/note.txt"_s));
}

TEST_F(FolderCommandsTest, WithoutAPasswordThePasswordDialogOpensAndNothingChanges) {
    const QString docs = highlightNewFolder(u"Docs"_s);
    makeDir(u"work/Safe"_s + Ext);
    const std::pair<QString, QString> commands[] = {
        {u"FolderLock"_s, docs},
        {u"PupFoldLock"_s, docs},
        {u"FolderUnlock"_s, path(u"work/Safe"_s + Ext)},
        {u"PopFoldunLock"_s, path(u"work/Safe"_s + Ext)},
    };
    for (const auto& [item, folder] : commands) {
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
    const QString docs = highlightNewFolder(u"Docs"_s);
    triggerAction(u"FolderLock"_s);
    // The master password does not need the working password.
    setPassword({});
    const ScriptedDialogs::Box input{ScriptedDialogs::Kind::Input, applicationTitle(), u"Enter your Master password"_s};
    const QString wrongMaster = u"Invalid Master password! try to remember your old one "_s;

    const struct {
        QString name;
        std::function<void()> answer;
        QList<ScriptedDialogs::Box> boxes;
        QString chooserAt;
    } steps[] = {
        {u"empty answer"_s,
         [this] { m_dialogs.answerInput({}); },
         {input, messageBox(PassWord1::invalidPasswordMessage())},
         docs + Ext},
        {u"cancelled"_s,
         [this] { m_dialogs.cancelInput(); },
         {input, messageBox(PassWord1::invalidPasswordMessage())},
         docs + Ext},
        {u"wrong case"_s,
         [this] { m_dialogs.answerInput(u"master1"_s); },
         {input, messageBox(wrongMaster)},
         docs + Ext},
        {u"master password"_s, [this] { m_dialogs.answerInput(u"Master1"_s); }, {input, messageBox(Unlocked)}, docs},
        {u"already unlocked"_s,
         [this] { m_dialogs.answerInput(u"Master1"_s); },
         {input, messageBox(u"This folder is unlocked"_s)},
         docs},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name.toStdString());
        m_dialogs.clear();
        step.answer();
        triggerAction(u"UnWithMaster"_s);
        EXPECT_EQ(m_dialogs.boxes(), step.boxes);
        expectChooserAt(step.chooserAt);
        EXPECT_TRUE(QFileInfo(step.chooserAt).isDir());
    }
    // Unlocked like the password unlock: the password file gone, the System mark cleared.
    EXPECT_EQ(QDir(docs).entryList(QDir::Files | QDir::Hidden), QStringList{u"note.txt"_s});
    EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
    EXPECT_FALSE(m_window->passwordDialog().isVisible());
}

TEST_F(FolderCommandsTest, FolderCommandsRunWhileBusy) {
    setPassword(u"abc"_s);
    const QString docs = highlightNewFolder(u"Docs"_s);
    m_window->state().Busy = true;
    triggerAction(u"FolderLock"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{Locked});
    EXPECT_TRUE(QFileInfo(docs + Ext).isDir());
    // The tree follows the folder; the file list waits until the long operation is over.
    EXPECT_EQ(chooser()->highlightedFolder(), docs + Ext);
    EXPECT_EQ(chooser()->currentFolder(), docs);
}

TEST_F(FolderCommandsTest, WithTheChooserClosedNoFolderIsClicked) {
    setPassword(u"abc"_s);
    makeDir(u"work/Docs"_s);
    triggerAction(u"E_Decrypt"_s);
    ASSERT_TRUE(QTest::qWaitFor([this] { return chooser() == nullptr; }));
    m_dialogs.answerInput(u"Master1"_s);
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    triggerAction(u"FolderLock"_s);
    triggerAction(u"FolderUnlock"_s);
    triggerAction(u"UnWithMaster"_s);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"Please click the folder to lock."_s, u"Please click the folder to unlock."_s,
                           u"Enter your Master password"_s, u"Please click the folder to unlock."_s}));
    EXPECT_EQ(QDir(m_work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"Docs"_s});
}
