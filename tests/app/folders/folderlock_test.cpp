/*
 * The lock and unlock commands on real folders: what they leave on disk, the messages they
 * give and their order, the refusals, and what a failure leaves behind. The master-password
 * unlock is tested through the main window.
 */
#include "folderlock.h"

#include "attributes.h"
#include "chooserrules.h"
#include "redirectedfolderstest.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = FolderLock::Result::Outcome;

const QString Ext = ChooserRules::LockExtension.toString();
const QString Unlocked = u"The folder successfully unlocked."_s;

unsigned modeOf(const QString& path) {
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

} // namespace

class FolderLockTest : public RedirectedFoldersTest {
protected:
    // A folder Docs (or the given name) under "data" holding one file.
    QString makeDocs(const QString& name = u"Docs"_s) {
        makeFile(u"data/"_s + name + u"/note.txt"_s, QByteArray("note"));
        return path(u"data/"_s + name);
    }
    QString seal(const QString& folder) const { return folder + u"/vexaseal.vexa"_s; }

    FolderLock m_lock{m_platform};
};

TEST_F(FolderLockTest, LockAndUnlockRoundTrip) {
    const std::pair<QString, QByteArray> cases[] = {
        {u"abc"_s, QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf')},
        {u"abcdefgh"_s, QByteArray::fromHex("9e9d9c9b9a999897")},
    };
    for (const auto& [password, sealLine] : cases) {
        SCOPED_TRACE(password.toStdString());
        const QString docs = makeDocs();
        const QString locked = docs + Ext;
        const FolderLock::Result lock = m_lock.lock(docs, password);
        EXPECT_EQ(lock.outcome, Outcome::Done);
        EXPECT_EQ(lock.messages, QStringList{u"The folder successfully Locked."_s});
        EXPECT_EQ(lock.folderPath, locked);
        EXPECT_EQ(readAll(seal(locked)), sealLine + "\r\nDocs\r\n");
        EXPECT_EQ(modeOf(seal(locked)), 0600u);
        EXPECT_EQ(m_platform.attributes(locked), Attr::System | Attr::Directory);

        const FolderLock::Result unlock = m_lock.unlock(locked, password);
        EXPECT_EQ(unlock.outcome, Outcome::Done);
        EXPECT_EQ(unlock.messages, QStringList{Unlocked});
        EXPECT_EQ(unlock.folderPath, docs);
        EXPECT_EQ(QDir(docs).entryList(QDir::Files | QDir::Hidden), QStringList{u"note.txt"_s});
        EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
        ASSERT_TRUE(QDir(docs).removeRecursively());
    }
}

TEST_F(FolderLockTest, FreeNamesAreNumberedOnBothSides) {
    // A lock appends each number to the name reached so far.
    for (const QString& expected : {u"Docs"_s, u"Docs1"_s, u"Docs12"_s}) {
        const FolderLock::Result result = m_lock.lock(makeDocs(), u"abc"_s);
        EXPECT_EQ(result.folderPath, path(u"data/"_s + expected + Ext));
        EXPECT_EQ(readAll(seal(result.folderPath)).mid(10), "Docs\r\n");
    }
    // An unlock counts up past folders and files alike, and says so first.
    makeDir(u"data/Docs"_s);
    makeFile(u"data/Docs1"_s, QByteArray("x"));
    const FolderLock::Result result = m_lock.unlock(path(u"data/Docs"_s + Ext), u"abc"_s);
    EXPECT_EQ(result.messages, (QStringList{u"Folder will be named as Docs2"_s, Unlocked}));
    EXPECT_EQ(result.folderPath, path(u"data/Docs2"_s));
}

TEST_F(FolderLockTest, LockedNamesUpTo200CharactersAreAccepted) {
    const QString name199(199, u'n');
    const QString name200(200, u'm');
    EXPECT_EQ(m_lock.lock(makeDocs(name200), u"abc"_s).outcome, Outcome::Done);
    m_lock.lock(makeDocs(name199), u"abc"_s);
    EXPECT_EQ(m_lock.lock(makeDocs(name199), u"abc"_s).folderPath, path(u"data/"_s + name199 + u'1' + Ext));
    // name200 + "1" is too long; the refusal writes nothing into the folder.
    const QString docs = makeDocs(name200);
    EXPECT_EQ(m_lock.lock(docs, u"abc"_s).messages, QStringList{u"Long folder name , please rename this folder"_s});
    EXPECT_FALSE(QFileInfo::exists(seal(docs)));
    EXPECT_EQ(m_lock.lock(makeDocs(QString(201, u'x')), u"abc"_s).outcome, Outcome::Refused);
}

TEST_F(FolderLockTest, PasswordsAreComparedInTheirStoredForm) {
    const QString locked = m_lock.lock(makeDocs(), u"Secret"_s).folderPath;
    for (const QString& wrong : {u"secret"_s, u"Secret1"_s}) {
        const FolderLock::Result result = m_lock.unlock(locked, wrong);
        EXPECT_EQ(result.outcome, Outcome::Refused);
        EXPECT_EQ(result.messages, QStringList{u" Invalid password"_s}) << wrong.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(seal(locked)));
    // Only 8 characters are stored, and trailing spaces are the padding itself.
    EXPECT_EQ(m_lock.unlock(locked, u"Secret  "_s).outcome, Outcome::Done);
    const QString longer = m_lock.lock(makeDocs(u"Long"_s), u"abcdefgh\u00f2"_s).folderPath;
    EXPECT_EQ(m_lock.unlock(longer, u"abcdefgh"_s).outcome, Outcome::Done);

    // Without a password nothing happens; the master check of an empty text would pass while
    // no master password is saved.
    const QString docs = makeDocs();
    EXPECT_EQ(m_lock.lock(docs, {}).outcome, Outcome::NoPassword);
    const QString again = m_lock.lock(docs, u"\u00e9t\u00e9"_s).folderPath;
    EXPECT_EQ(m_lock.unlock(again, {}).outcome, Outcome::NoPassword);
    EXPECT_EQ(m_lock.unlockWithMaster(again, {}).outcome, Outcome::NoPassword);
    EXPECT_EQ(m_lock.unlock(again, u"\u00e9t\u00e9"_s).outcome, Outcome::Done);

    // Codes 242 and 245 would be stored as a line end, codes above 255 not at all.
    for (const QString& password : {u"ab\u00f2"_s, u"\u00f5"_s, u"ab\u0100"_s}) {
        EXPECT_EQ(m_lock.lock(docs, password).messages,
                  QStringList{u"This password can't lock a folder: it holds a character that can't be "
                              "stored. Please choose another password."_s});
    }
    EXPECT_FALSE(QFileInfo::exists(seal(docs)));
}

TEST_F(FolderLockTest, LockRefusalsComeInTheirOrder) {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString windows = u"It's dangerous to Lock windows folder or subfolder! .. can't lock windows."_s;
    const QString programFiles = u"It's dangerous to Lock Program files! .. can't lock Program Files."_s;
    const QString myself = u"It's dangerous to Lock Myself ! .. can't lock Vexa Password."_s;
    const QString click = u"Please click the folder to lock."_s;
    const QString lineBreak =
        u"This folder's name holds a line break: it can't be locked. Please rename this folder."_s;
    makeFile(u"data/Copy/"_s + exe, QByteArray("x"));
    makeFile(u"data/Copied"_s + Ext + u'/' + exe, QByteArray("x"));
    ASSERT_TRUE(QFile::link(makeDocs(), path(u"data/Link"_s)));
    const std::pair<QString, std::optional<QString>> cases[] = {
        {u"/Usr/Share/MyList"_s, windows},
        {root(), windows}, // above the program folder as well, but the home rule comes first
        {u"/opt"_s, programFiles},
        {path(u"prog"_s), programFiles},
        {path(u"data/Copy"_s), myself},
        {path(u"data/Copied"_s + Ext), myself},
        {path(u"home/user/.config/vexapad"_s), myself},
        {path(u"data/MyList"_s), myself},
        {path(u"data/mylist"_s), std::nullopt},
        {u"/"_s, click},
        {u"Docs"_s, click},
        {path(u"data/Docs"_s + Ext), u" Folder's path  is already locked."_s},
        {path(u"data/Docs"_s + Ext.toUpper()), std::nullopt},
        {path(u"data/Link"_s), u"This folder is a symbolic link: it can't be locked."_s},
        {path(u"data/Two\nLines"_s), lineBreak},
        {path(u"data/Two\rLines"_s), lineBreak},
        {path(u"data/Docs"_s), std::nullopt},
    };
    for (const auto& [folder, refusal] : cases)
        EXPECT_EQ(m_lock.lockRefusal(folder), refusal) << folder.toStdString();

    const FolderLock::Result result = m_lock.lock(path(u"data/Copy"_s), u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Refused);
    EXPECT_EQ(result.messages, QStringList{myself});
    EXPECT_FALSE(QFileInfo::exists(seal(path(u"data/Copy"_s))));
}

TEST_F(FolderLockTest, AFailedLockLeavesTheFolderAsItWas) {
    const QString docs = makeDocs();
    // A file in the way is not a folder, so the free-name search takes its name.
    makeFile(u"data/Docs"_s + Ext, QByteArray("file"));
    makeFile(u"data/Docs/vexaseal.vexa"_s, QByteArray("kept"));
    ASSERT_TRUE(QFile::setPermissions(seal(docs), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    FolderLock::Result result = m_lock.lock(docs, u"abc"_s);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.messages, QStringList{qt_error_string(ENOTDIR)});
    EXPECT_TRUE(result.folderPath.isEmpty());
    EXPECT_EQ(readAll(seal(docs)), "kept");
    EXPECT_EQ(modeOf(seal(docs)), 0604u);
    ASSERT_TRUE(QFile::remove(seal(docs)));
    EXPECT_EQ(m_lock.lock(docs, u"abc"_s).outcome, Outcome::Failed);
    EXPECT_EQ(QDir(docs).entryList(QDir::Files), QStringList{u"note.txt"_s});

    // The password file is never written through a symbolic link.
    const QString outside = makeFile(u"outside.txt"_s, QByteArray("keep"));
    ASSERT_TRUE(QFile::link(outside, seal(docs)));
    result = m_lock.lock(docs, u"abc"_s);
    EXPECT_EQ(result.messages, QStringList{qt_error_string(ELOOP)});
    EXPECT_EQ(readAll(outside), "keep");
    EXPECT_TRUE(QFileInfo(seal(docs)).isSymLink());
}

TEST_F(FolderLockTest, UnlockRefusesFoldersItCannotTrust) {
    const QString locked = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    ASSERT_TRUE(QFile::link(locked, path(u"data/Alias"_s + Ext)));
    const QString linkedSeal = makeDir(u"data/Linked"_s + Ext);
    ASSERT_TRUE(QFile::link(seal(locked), seal(linkedSeal)));
    const std::pair<QString, QString> cases[] = {
        {u"/"_s, u"Please click the folder to unlock."_s},
        {makeDocs(u"Open"_s), u"This folder is unlocked"_s},
        {path(u"data/Alias"_s + Ext), u"This folder is a symbolic link: it can't be unlocked."_s},
        {makeDir(u"data/Bare"_s + Ext), u"Missing password information"_s},
        {linkedSeal, qt_error_string(ELOOP)},
    };
    for (const auto& [folder, message] : cases) {
        const FolderLock::Result result = m_lock.unlock(folder, u"abc"_s);
        EXPECT_NE(result.outcome, Outcome::Done);
        EXPECT_EQ(result.messages, QStringList{message});
    }
    EXPECT_TRUE(QFileInfo(locked).isDir());
}

// Marks a file immutable (or not), which stops even root from deleting it; false where the file
// system has no such flag.
bool setImmutable(const QString& path, bool immutable) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

TEST_F(FolderLockTest, UnlockReportsAStepThatFailsAfterTheRename) {
    const QString locked = m_lock.lock(makeDocs(), u"abc"_s).folderPath;
    // The folder can be renamed, but its seal file cannot be deleted.
    const QString seal = locked + u"/vexaseal.vexa"_s;
    if (!setImmutable(seal, true))
        GTEST_SKIP() << "the file system keeps no immutable flag";
    const FolderLock::Result result = m_lock.unlock(locked, u"abc"_s);
    setImmutable(seal, false);
    setImmutable(result.folderPath + u"/vexaseal.vexa"_s, false);
    EXPECT_EQ(result.outcome, Outcome::Done);
    EXPECT_EQ(result.messages, (QStringList{Unlocked, qt_error_string(EPERM)}));
}
