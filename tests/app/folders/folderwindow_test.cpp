/* The folder commands and the attribute buttons as the main window wires them, on redirected folders. */
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/attributes.h"
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

// Sets the buttons MM1 to MM4 (archive, hidden, read-only, system) while Busy, so that they apply
// nothing, then clicks the System button, which toggles MM4 and applies them all to the selected
// files of the list worked in.
TEST_F(FolderWindowTest, AttributeButtonsSetTheSelectedFiles) {
    QStringList files;
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s})
        files.append(makeFile(u"work/"_s + name, QByteArray("text")));
    chooser()->chosenFiles().append(files);
    for (int row : {0, 2})
        chooser()->chosenFiles().setSelected(row, true);
    m_window->state().activeListKind = ListKind::ChosenList;
    m_window->state().busy = true;
    for (int i = 0; i < 3; ++i)
        m_window->toolPanel().setProperty(QByteArray("MM").append(char('1' + i)).constData(), 1);
    m_window->state().busy = false;
    QTest::mouseClick(toolButton(u"SysTool"_s), Qt::LeftButton);
    const quint32 all = Attr::Archive | Attr::Hidden | Attr::ReadOnly | Attr::System;
    for (int row : {0, 1, 2})
        EXPECT_EQ(m_platform.attributes(files[row]), row == 1 ? Attr::Normal : all);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
}
