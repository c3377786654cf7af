/* The folder commands as the main window wires them, on redirected folders. */
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/lists/engine/chooserrules.h"
#include "tests/app/folders/redirectedplatform.h"
#include "tests/support/mainwindowtest.h"

const QString Ext = ChooserRules::LockExtension.toString();
const QString Locked = u"The folder successfully Locked."_s;
const QString Unlocked = u"The folder successfully unlocked."_s;

class FolderWindowTest : public MainWindowTest<RedirectedPlatform> {
protected:
    void preparePlatform() override {
        m_platform.placeIn([this](const QString& folder) { return makeDir(folder); });
    }
    void expectChooserAt(const QString& folder) {
        EXPECT_EQ(chooser()->highlightedFolder(), folder);
        EXPECT_EQ(chooser()->currentFolder(), folder);
    }
};

TEST_F(FolderWindowTest, LockUnlockAndUnlockWithTheMasterPassword) {
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    setPassword(u"abcdefgh"_s);
    const QString docs = QFileInfo(makeFile(u"work/Docs/note.txt"_s, QByteArray("note"))).path();
    chooser()->openFolder(docs);
    for (const QString& item : {u"FolderLock"_s, u"PopFoldunLock"_s, u"PupFoldLock"_s}) {
        triggerAction(item);
        expectChooserAt(item == u"PopFoldunLock"_s ? docs : docs + Ext);
    }
    EXPECT_EQ(m_dialogs.texts(), (QStringList{Locked, Unlocked, Locked}));
    setPassword({}); // the master password does not need the working password
    m_dialogs.clear();
    m_dialogs.answerInput(u"Master1"_s);
    triggerAction(u"UnWithMaster"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u"Enter your Master password"_s, Unlocked}));
    expectChooserAt(docs);
}
