/*
 * The lock and unlock commands on real folders: what they leave on disk, the messages they
 * give and their order, the refusals, and what a failure leaves behind.
 */
#include "folderlock.h"

#include "attributes.h"
#include "masterpasswordfile.h"
#include "redirectedfolderstest.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = FolderLock::Result::Outcome;

const QString Ext = FolderLock::LockExtension.toString();
const QString Locked = u"The folder successfully Locked."_s;
const QString Unlocked = u"The folder successfully unlocked."_s;

unsigned modeOf(const QString& path) {
    struct stat status;
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

class FolderLockTest : public RedirectedFoldersTest {
protected:
    // A folder Docs (or the given name) under "data" holding one file.
    QString makeDocs(const QString& name = u"Docs"_s) {
        makeFile(u"data/"_s + name + u"/note.txt"_s, QByteArray("note"));
        return path(u"data/"_s + name);
    }

    FolderLock m_lock{m_platform};
};

TEST_F(FolderLockTest, LockAndUnlockRoundTrip) {
    const struct {
        QString password;
        QByteArray sealLine;
    } cases[] = {
        {u"abc"_s, QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf')},
        {u"abcdefgh"_s, QByteArray::fromHex("9e9d9c9b9a999897")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        const QString docs = makeDocs();
        const QString locked = docs + Ext;
        const FolderLock::Result lock = m_lock.lock(docs, c.password);
        EXPECT_EQ(lock.outcome, Outcome::Done);
        EXPECT_EQ(lock.messages, QStringList{Locked});
        EXPECT_EQ(lock.folderPath, locked);
        EXPECT_FALSE(QFileInfo::exists(docs));
        EXPECT_EQ(readAll(locked + u"/vexaseal.vexa"_s), c.sealLine + "\r\nDocs\r\n");
        EXPECT_EQ(modeOf(locked + u"/vexaseal.vexa"_s), 0600u);
        EXPECT_EQ(m_platform.attributes(locked), Attr::System | Attr::Directory);

        const FolderLock::Result unlock = m_lock.unlock(locked, c.password);
        EXPECT_EQ(unlock.outcome, Outcome::Done);
        EXPECT_EQ(unlock.messages, QStringList{Unlocked});
        EXPECT_EQ(unlock.folderPath, docs);
        EXPECT_FALSE(QFileInfo::exists(locked));
        EXPECT_EQ(QDir(docs).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{u"note.txt"_s});
        EXPECT_EQ(readAll(docs + u"/note.txt"_s), "note");
        EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
        ASSERT_TRUE(QDir(docs).removeRecursively());
    }
}

TEST_F(FolderLockTest, LockNumbersAppendToTheNameReached) {
    for (const QString& expected : {u"Docs"_s, u"Docs1"_s, u"Docs12"_s, u"Docs123"_s}) {
        const FolderLock::Result result = m_lock.lock(makeDocs(), u"abc"_s);
        EXPECT_EQ(result.folderPath, path(u"data/"_s + expected + Ext));
        EXPECT_EQ(readAll(result.folderPath + u"/vexaseal.vexa"_s).mid(10), "Docs\r\n");
    }
}

TEST_F(FolderLockTest, UnlockNumbersReplaceEachOtherAndAreAnnounced) {
    const QString first = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    makeDir(u"data/Docs"_s);
    FolderLock::Result result = m_lock.unlock(first, u"abc"_s);
    EXPECT_EQ(result.messages, (QStringList{u"Folder will be named as Docs1"_s, Unlocked}));
    EXPECT_EQ(result.folderPath, path(u"data/Docs1"_s));

    // Now a folder Docs1 and a file Docs stand in the way.
    const QString second = m_lock.lock(path(u"data/Docs"_s), u"abc"_s).folderPath;
    makeFile(u"data/Docs"_s, QByteArray("x"));
    result = m_lock.unlock(second, u"abc"_s);
    EXPECT_EQ(result.messages, (QStringList{u"Folder will be named as Docs2"_s, Unlocked}));
    EXPECT_EQ(result.folderPath, path(u"data/Docs2"_s));
}

TEST_F(FolderLockTest, LockedNamesUpTo200CharactersAreAccepted) {
    const QString name199(199, u'n');
    const QString name200(200, u'm');
    EXPECT_EQ(m_lock.lock(makeDocs(name200), u"abc"_s).outcome, Outcome::Done);
    m_lock.lock(makeDocs(name199), u"abc"_s);
    // The second folder of that name becomes name199 + "1": 200 characters.
    EXPECT_EQ(m_lock.lock(makeDocs(name199), u"abc"_s).folderPath, path(u"data/"_s + name199 + u'1' + Ext));

    // name200 + "1" is too long; the refusal writes nothing into the folder.
    const QString docs = makeDocs(name200);
    const FolderLock::Result result = m_lock.lock(docs, u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(result.messages, QStringList{u"Long folder name , please rename this folder"_s});
    EXPECT_FALSE(QFileInfo::exists(docs + u"/vexaseal.vexa"_s));
    EXPECT_EQ(m_lock.lock(makeDocs(QString(201, u'x')), u"abc"_s).outcome, Outcome::Refused);
}

TEST_F(FolderLockTest, PasswordMustMatchInItsEightCharacterForm) {
    const QString locked = m_lock.lock(makeDocs(), u"Secret"_s).folderPath;
    for (const QString& wrong : {u"secret"_s, u"Secre"_s, u"Secret1"_s, u" Secret"_s}) {
        const FolderLock::Result result = m_lock.unlock(locked, wrong);
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(result.messages, QStringList{u" Invalid password"_s}) << wrong.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(locked + u"/vexaseal.vexa"_s));
    // Only the first 8 characters are stored, and trailing spaces are the padding itself.
    EXPECT_EQ(m_lock.unlock(locked, u"Secret  "_s).outcome, Outcome::Done);
    const QString longer = m_lock.lock(makeDocs(), u"abcdefghXYZ"_s).folderPath;
    EXPECT_EQ(m_lock.unlock(longer, u"abcdefgh"_s).outcome, Outcome::Done);
}

TEST_F(FolderLockTest, WithoutAPasswordNothingHappens) {
    const QString docs = makeDocs();
    EXPECT_EQ(m_lock.lock(docs, {}).outcome, Outcome::NoPassword);
    const QString locked = m_lock.lock(docs, u"abc"_s).folderPath;
    EXPECT_EQ(m_lock.unlock(locked, {}).outcome, Outcome::NoPassword);
    EXPECT_EQ(m_lock.unlockWithMaster(locked, {}).outcome, Outcome::NoPassword);
    EXPECT_TRUE(QFileInfo(locked).isDir());
}

TEST_F(FolderLockTest, LockRefusalsComeInTheirOrder) {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString windows = u"It's dangerous to Lock windows folder or subfolder! .. can't lock windows."_s;
    const QString programFiles = u"It's dangerous to Lock Program files! .. can't lock Program Files."_s;
    const QString myself = u"It's dangerous to Lock Myself ! .. can't lock Vexa Password."_s;
    const QString click = u"Please click the folder to lock."_s;
    const QString already = u" Folder's path  is already locked."_s;
    makeFile(u"data/Copy/"_s + exe, QByteArray("x"));
    makeFile(u"data/Copied"_s + Ext + u'/' + exe, QByteArray("x"));
    ASSERT_TRUE(QFile::link(makeDocs(), path(u"data/Link"_s)));
    makeDocs(u"Two\nLines"_s);
    const struct {
        QString path;
        std::optional<QString> refusal;
    } cases[] = {
        {u"/Usr/Share/MyList"_s, windows},
        // Above the program folder as well, but the home rule comes first.
        {root(), windows},
        {u"/opt"_s, programFiles},
        {path(u"prog/bin"_s), programFiles},
        {path(u"data/Copy"_s), myself},
        {path(u"data/Copied"_s + Ext), myself},
        {path(u"home/user/.config/vexapad"_s), myself},
        {path(u"data/MyList"_s), myself},
        {path(u"data/mylist"_s), std::nullopt},
        {u"/"_s, click},
        {u"Docs"_s, click},
        {path(u"data/Docs"_s + Ext), already},
        {path(u"data/Docs"_s + Ext.toUpper()), std::nullopt},
        {path(u"data/Link"_s), u"This folder is a symbolic link: it can't be locked."_s},
        {path(u"data/Two\nLines"_s),
         u"This folder's name holds a line break: it can't be locked. Please rename this folder."_s},
        {path(u"data/Docs"_s), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_lock.lockRefusal(c.path), c.refusal) << c.path.toStdString();

    const FolderLock::Result result = m_lock.lock(path(u"data/Copy"_s), u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(result.messages, QStringList{myself});
    EXPECT_FALSE(QFileInfo::exists(path(u"data/Copy/vexaseal.vexa"_s)));
}

TEST_F(FolderLockTest, PasswordsThatCannotBeStoredAreRefused) {
    const QString docs = makeDocs();
    for (const QString& password : {u"ab\u00f2"_s, u"\u00f5"_s, u"ab\u0100"_s}) {
        const FolderLock::Result result = m_lock.lock(docs, password);
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(result.messages, QStringList{u"This password can't lock a folder: it holds a character that can't be "
                                               "stored. Please choose another password."_s});
    }
    EXPECT_FALSE(QFileInfo::exists(docs + u"/vexaseal.vexa"_s));
    const QString locked = m_lock.lock(docs, u"\u00e9t\u00e9"_s).folderPath;
    EXPECT_EQ(m_lock.unlock(locked, u"\u00e9t\u00e9"_s).outcome, Outcome::Done);
}

TEST_F(FolderLockTest, FailedRenameLeavesTheFolderAsItWas) {
    const QString docs = makeDocs();
    // A file in the way is not a folder, so the free-name search takes its name.
    makeFile(u"data/Docs"_s + Ext, QByteArray("file"));
    makeFile(u"data/Docs/vexaseal.vexa"_s, QByteArray("kept"));
    const FolderLock::Result result = m_lock.lock(docs, u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.messages, QStringList{qt_error_string(ENOTDIR)});
    EXPECT_TRUE(result.folderPath.isEmpty());
    EXPECT_EQ(readAll(docs + u"/vexaseal.vexa"_s), "kept");
    ASSERT_TRUE(QFile::remove(docs + u"/vexaseal.vexa"_s));
    EXPECT_EQ(m_lock.lock(docs, u"abc"_s).outcome, Outcome::Failed);
    EXPECT_EQ(QDir(docs).entryList(QDir::Files), QStringList{u"note.txt"_s});
}

TEST_F(FolderLockTest, UnlockRefusesFoldersItCannotTrust) {
    const QString locked = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    const QString bare = makeDir(u"data/Bare"_s + Ext);
    ASSERT_TRUE(QFile::link(locked, path(u"data/Alias"_s + Ext)));
    const struct {
        QString path;
        QString message;
    } cases[] = {
        {u"/"_s, u"Please click the folder to unlock."_s},
        {makeDocs(u"Open"_s), u"This folder is unlocked"_s},
        {path(u"data/Alias"_s + Ext), u"This folder is a symbolic link: it can't be unlocked."_s},
        {bare, u"Missing password information"_s},
    };
    for (const auto& c : cases) {
        const FolderLock::Result result = m_lock.unlock(c.path, u"abc"_s);
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(result.messages, QStringList{c.message});
    }

    // A seal whose name would move the folder elsewhere is damaged, also for the master unlock
    // (no master password is saved, which "0" stands for).
    makeFile(u"data/Docs"_s + Ext + u"/vexaseal.vexa"_s,
             QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf') + "\r\n../x\r\n");
    for (const FolderLock::Result& result :
         {m_lock.unlock(locked, u"abc"_s), m_lock.unlockWithMaster(locked, u"0"_s)}) {
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.messages, QStringList{u"Damaged password information"_s});
    }
    EXPECT_TRUE(QFileInfo(locked).isDir());
    EXPECT_FALSE(QFileInfo::exists(path(u"x"_s)));
}

TEST_F(FolderLockTest, MasterPasswordUnlocksWithoutTheFolderPassword) {
    ASSERT_TRUE(MasterPasswordFile(MasterPasswordFile::defaultPath(m_platform)).write(u"Master1"_s));
    const QString locked = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    const QString wrong = u"Invalid Master password! try to remember your old one "_s;
    // The master password is checked before the folder is looked at.
    EXPECT_EQ(m_lock.unlockWithMaster(u"/"_s, u"master1"_s).messages, QStringList{wrong});
    EXPECT_EQ(m_lock.unlockWithMaster(u"/"_s, u"Master1"_s).messages,
              QStringList{u"Please click the folder to unlock."_s});
    EXPECT_EQ(m_lock.unlockWithMaster(makeDocs(u"Open"_s), u"Master1"_s).messages,
              QStringList{u"This folder is unlocked"_s});

    const FolderLock::Result result = m_lock.unlockWithMaster(locked, u"Master1"_s);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.messages, QStringList{Unlocked});
    EXPECT_EQ(result.folderPath, path(u"data/Docs"_s));
    EXPECT_FALSE(QFileInfo::exists(result.folderPath + u"/vexaseal.vexa"_s));
    EXPECT_EQ(m_platform.attributes(result.folderPath), Attr::Directory);
}

TEST_F(FolderLockTest, UnlockReportsAStepThatFailsAfterTheRename) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QString locked = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    // The folder can be renamed within its parent, but nothing inside it can be deleted.
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
    const FolderLock::Result result = m_lock.unlock(locked, u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.messages, (QStringList{Unlocked, qt_error_string(EACCES)}));
    EXPECT_EQ(result.folderPath, path(u"data/Docs"_s));
    QFile::setPermissions(result.folderPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
