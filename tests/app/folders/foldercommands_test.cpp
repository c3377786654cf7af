/* The folder commands over a fake chooser and password: what is asked, shown and opened, in order. */
#include "app/folders/foldercommands.h"

#include "app/crypt/engine/masterpasswordfile.h"
#include "app/platform/attributes.h"
#include "tests/app/folders/redirectedplatform.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

namespace {

const QString Ext = u".{d6277990-4c6a-11cf-8d87-00aa0060f5bf}"_s;
const QString Locked = u"The folder successfully Locked."_s;
const QString Unlocked = u"The folder successfully unlocked."_s;

using Command = void (FolderCommands::*)();

class FolderCommandsTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_platform.placeIn([this](const QString& folder) { return makeDir(folder); });
        m_docs = QFileInfo(makeFile(u"work/Docs/note.txt"_s, QByteArray("note"))).path();
        m_chooser.folder = m_docs;
        ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    }
    void run(Command command) {
        FolderCommands commands(m_dialogs, m_platform, m_password,
                                [this]() -> FileChooser* { return m_chooserOpen ? &m_chooser : nullptr; });
        (commands.*command)();
    }

    ScriptedDialogs m_dialogs;
    RedirectedPlatform m_platform;
    SetPassword m_password;
    FakeChooser m_chooser;
    bool m_chooserOpen = true;
    QString m_docs;
};

} // namespace

TEST_F(FolderCommandsTest, TheTreeFollowsTheFolderBeforeTheMessagesShow) {
    m_password.password = u"abcdefgh"_s;
    QStringList highlighted; // the tree's highlight while each message is on screen
    m_dialogs.onMessage = [&] { highlighted << m_chooser.highlightedFolder(); };
    // Each step: the command, the master password typed (nullopt: the box is cancelled), the
    // messages, the folders the tree was pointed at.
    const QString invalid = u"Invalid Password! Please enter password of 8 Chracters , at least one chracter"_s;
    const auto master = &FolderCommands::unlockWithMasterPassword;
    const std::tuple<Command, std::optional<QString>, QStringList, QStringList> steps[] = {
        {&FolderCommands::lockFolder, {}, {Locked}, {m_docs + Ext}},
        {&FolderCommands::unlockFolder, {}, {Unlocked}, {m_docs}},
        {&FolderCommands::lockFolder, {}, {Locked}, {m_docs + Ext}},
        {master, std::nullopt, {invalid}, {}},
        {master, u""_s, {invalid}, {}},
        {master, u"master1"_s, {u"Invalid Master password! try to remember your old one "_s}, {}},
        {master, u"Master1"_s, {Unlocked}, {m_docs}},
    };
    for (const auto& [command, typed, messages, opened] : steps) {
        SCOPED_TRACE(messages.join(u' ').toStdString());
        m_dialogs.clear();
        m_chooser.opened.clear();
        highlighted.clear();
        QList<ScriptedDialogs::Box> boxes;
        if (command == master) {
            typed ? m_dialogs.answerInput(*typed) : m_dialogs.cancelInput();
            boxes.append({ScriptedDialogs::Kind::Input, u"Vexa Password v1.22"_s, u"Enter your Master password"_s});
        }
        for (const QString& message : messages)
            boxes.append({ScriptedDialogs::Kind::Message, {}, message});
        run(command);
        EXPECT_EQ(m_chooser.opened, opened);
        EXPECT_EQ(m_dialogs.boxes(), boxes);
        // Every message shows with the tree already at the folder's name of the moment.
        EXPECT_EQ(highlighted, QStringList(messages.size(), m_chooser.folder));
    }
    EXPECT_EQ(m_password.asked, 0);
    EXPECT_EQ(QDir(m_docs).entryList(QDir::Files | QDir::Hidden), QStringList{u"note.txt"_s});
    EXPECT_EQ(m_platform.attributes(m_docs), Attr::Directory);
}

TEST_F(FolderCommandsTest, AClosedChooserHighlightsNoFolder) {
    m_chooserOpen = false;
    m_password.password = u"abc"_s;
    m_dialogs.answerInput(u"Master1"_s);
    for (const Command command :
         {&FolderCommands::lockFolder, &FolderCommands::unlockFolder, &FolderCommands::unlockWithMasterPassword})
        run(command);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"Please click the folder to lock."_s, u"Please click the folder to unlock."_s,
                           u"Enter your Master password"_s, u"Please click the folder to unlock."_s}));
    EXPECT_TRUE(QFileInfo::exists(m_docs));
}
