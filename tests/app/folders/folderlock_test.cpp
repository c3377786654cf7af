/* The folder lock and unlock on real folders: bytes on disk, messages, refusals, failures. */
#include "app/folders/engine/folderlock.h"

#include "app/platform/attributes.h"
#include "tests/app/folders/redirectedplatform.h"
#include "tests/support/tempenv.h"

#include <sys/syscall.h>

using Outcome = FolderLock::Result::Outcome;
const QString Ext = u".{d6277990-4c6a-11cf-8d87-00aa0060f5bf}"_s;
const QString Unlocked = u"The folder successfully unlocked."_s;
const QByteArray AbcSeal = QByteArray::fromHex("9e9d9c") + QByteArray(5, '\xdf');

namespace {

// What the process asked the system to make durable, in order: "flush" with the device and inode
// of a file or folder, "rename" with the two paths. Kept while a test holds a DiskLog.
QStringList* g_diskLog = nullptr;

QString flushOf(dev_t device, ino_t inode) {
    return u"flush %1:%2"_s.arg(device).arg(inode);
}

struct DiskLog {
    QStringList events;
    DiskLog() { g_diskLog = &events; }
    ~DiskLog() { g_diskLog = nullptr; }
    // Where the first flush of the file or folder now at path stands after `after`; -1 for none.
    qsizetype flush(const QString& path, qsizetype after = -1) const {
        struct stat info {};
        ::stat(encoded(path).constData(), &info);
        return events.indexOf(flushOf(info.st_dev, info.st_ino), after + 1);
    }
};

} // namespace

// These take the place of the C library's calls for the whole test program, so that the program's
// own code is logged as it runs; each still does the real work through the system call. The lock
// renames folders with rename().
extern "C" int fsync(int fd) {
    struct stat info;
    if (g_diskLog && ::fstat(fd, &info) == 0)
        g_diskLog->append(flushOf(info.st_dev, info.st_ino));
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int rename(const char* from, const char* to) noexcept {
    if (g_diskLog)
        g_diskLog->append(u"rename "_s + QFile::decodeName(from) + u' ' + QFile::decodeName(to));
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}

class FolderLockTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_platform.placeIn([this](const QString& folder) { return makeDir(folder); });
    }
    QString makeDocs(const QString& name = u"Docs"_s) {
        makeFile(u"data/"_s + name + u"/note.txt"_s, "note");
        return path(u"data/"_s + name);
    }
    static QString seal(const QString& folder) { return folder + u"/vexaseal.vexa"_s; }
    static QStringList files(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }
    // The messages of a lock or unlock that was done; "not done" before them for one that was not.
    static QStringList done(const FolderLock::Result& result) {
        return result.outcome == Outcome::Done ? result.messages : QStringList{u"not done"_s} + result.messages;
    }

    RedirectedPlatform m_platform;
    FolderLock m_lock{m_platform};
};

TEST_F(FolderLockTest, LockAndUnlockRoundTrip) {
    const std::tuple<QString, QByteArray, QString> cases[] = {
        {u"abc"_s, AbcSeal, u"abc"_s}, {u"abcdefgh"_s, QByteArray::fromHex("9e9d9c9b9a999897"), u"abcdefghx"_s}};
    for (const auto& [password, sealLine, unlockWith] : cases) {
        SCOPED_TRACE(password.toStdString());
        const QString docs = makeDocs();
        const QString locked = docs + Ext;
        EXPECT_EQ(done(m_lock.lock(docs, password)), QStringList{u"The folder successfully Locked."_s});
        EXPECT_EQ(readAll(seal(locked)), sealLine + "\r\nDocs\r\n");
        EXPECT_EQ(modeOf(seal(locked)), 0600u);
        EXPECT_EQ(m_platform.attributes(locked), Attr::System | Attr::Directory);
        // The password is compared in its stored form: case counts, a ninth character does not.
        for (const QString& wrong : {password.toUpper(), password.left(2)})
            EXPECT_EQ(m_lock.unlock(locked, wrong).messages, QStringList{u" Invalid password"_s});

        EXPECT_EQ(done(m_lock.unlock(locked, unlockWith)), QStringList{Unlocked});
        EXPECT_EQ(files(docs), QStringList{u"note.txt"_s});
        EXPECT_EQ(m_platform.attributes(docs), Attr::Directory);
        ASSERT_TRUE(QDir(docs).removeRecursively());
    }
}

TEST_F(FolderLockTest, FreeNamesAreNumberedOnBothSidesUpTo200Characters) {
    // A lock appends each number to the name reached so far.
    for (const QString& expected : {u"Docs"_s, u"Docs1"_s, u"Docs12"_s})
        EXPECT_EQ(m_lock.lock(makeDocs(), u"abc"_s).folderPath, path(u"data/"_s + expected + Ext));
    // An unlock counts up past folders and files alike, and says so first.
    makeDir(u"data/Docs"_s);
    makeFile(u"data/Docs1"_s, "x");
    const FolderLock::Result result = m_lock.unlock(path(u"data/Docs"_s + Ext), u"abc"_s);
    EXPECT_EQ(result.messages, (QStringList{u"Folder will be named as Docs2"_s, Unlocked}));
    EXPECT_EQ(result.folderPath, path(u"data/Docs2"_s));

    const QString name200(200, u'm');
    EXPECT_EQ(m_lock.lock(makeDocs(name200), u"abc"_s).outcome, Outcome::Done);
    const QString docs = makeDocs(name200);
    EXPECT_EQ(m_lock.lock(docs, u"abc"_s).messages, QStringList{u"Long folder name , please rename this folder"_s});
    EXPECT_EQ(files(docs), QStringList{u"note.txt"_s});
    EXPECT_EQ(m_lock.lock(makeDocs(QString(201, u'x')), u"abc"_s).outcome, Outcome::Refused);
}

TEST_F(FolderLockTest, RefusalsComeInTheirOrderAndChangeNothing) {
    const QString windows = u"It's dangerous to Lock windows folder or subfolder! .. can't lock windows."_s;
    const QString myself = u"It's dangerous to Lock Myself ! .. can't lock Vexa Password."_s;
    const QString docs = makeDocs();
    ASSERT_TRUE(QFile::link(docs, path(u"data/Link"_s)));
    // The user's own files of the seal's name, a dangling link among them.
    const QString own = makeFile(u"data/Own/vexaseal.vexa"_s, "mine");
    const QString ownLink = path(u"data/OwnLink/vexaseal.vexa"_s);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ownLink).path()) && QFile::link(path(u"nowhere"_s), ownLink));
    const std::pair<QString, QString> cases[] = {
        {u"/Usr/Share/MyList"_s, windows},
        {path(u"HOME/User"_s), windows},
        {path(u"prog"_s), u"It's dangerous to Lock Program files! .. can't lock Program Files."_s},
        {path(u"home/user/.config/vexapad"_s), myself},
        {path(u"data/MyList"_s), myself},
        {u"/"_s, u"Please click the folder to lock."_s},
        {path(u"data/Docs"_s + Ext), u" Folder's path  is already locked."_s},
        {path(u"data/Link"_s), u"This folder is a symbolic link: it can't be locked."_s},
        {path(u"data/Two\nLines"_s),
         u"This folder's name holds a line break: it can't be locked. Please rename this folder."_s},
        {QFileInfo(own).path(), own + u" already exists: the folder can't be locked. Please rename that file."_s},
        {QFileInfo(ownLink).path(),
         ownLink + u" already exists: the folder can't be locked. Please rename that file."_s},
        {path(u"data/Docs"_s), {}},
    };
    for (const auto& [folder, refusal] : cases)
        EXPECT_EQ(errorOf(m_lock.lockable(folder)), refusal) << folder.toStdString();

    // Without a password nothing happens; an empty master text would pass while none is saved.
    EXPECT_EQ(m_lock.lock(docs, {}).outcome, Outcome::NoPassword);
    EXPECT_EQ(m_lock.unlockWithMaster(docs + Ext, {}).outcome, Outcome::NoPassword);
    // Codes 242 and 245 would be stored as a line end, codes above 255 not at all.
    for (const QString& password : {u"ab\u00f2"_s, u"\u00f5"_s, u"ab\u0100"_s})
        EXPECT_EQ(m_lock.lock(docs, password).messages,
                  QStringList{u"This password can't lock a folder: it holds a character that can't be "
                              "stored. Please choose another password."_s});
    EXPECT_EQ(files(docs), QStringList{u"note.txt"_s});
    // The refused folder keeps its own file, and its name.
    EXPECT_EQ(m_lock.lock(QFileInfo(own).path(), u"abc"_s).outcome, Outcome::Refused);
    EXPECT_EQ(readAll(own), "mine");
}

TEST_F(FolderLockTest, TheSealIsOnDiskBeforeTheRenameAndTheNewNameAfterIt) {
    const QString docs = makeDocs();
    const QString locked = docs + Ext;
    DiskLog log;
    ASSERT_EQ(done(m_lock.lock(docs, u"abc"_s)), QStringList{u"The folder successfully Locked."_s});
    const qsizetype renamed = log.events.indexOf(u"rename "_s + docs + u' ' + locked);
    ASSERT_GE(renamed, 0);
    // The seal's bytes, then its entry in the folder, before the rename; the parent after it.
    const qsizetype sealFlushed = log.flush(seal(locked));
    EXPECT_GE(sealFlushed, 0);
    EXPECT_GT(log.flush(locked, sealFlushed), sealFlushed);
    EXPECT_LT(log.flush(locked, sealFlushed), renamed);
    EXPECT_GT(log.flush(path(u"data"_s), renamed), renamed);
}

TEST_F(FolderLockTest, AFailedLockLeavesTheFolderAsItWas) {
    const QString docs = makeDocs();
    // The free-name search passes over a file, so the rename fails and the seal goes again.
    makeFile(u"data/Docs"_s + Ext, "file");
    const FolderLock::Result result = m_lock.lock(docs, u"abc"_s);
    EXPECT_EQ(std::pair(result.outcome, result.messages),
              std::pair(Outcome::Failed, QStringList{u"Not a directory"_s}));
    EXPECT_EQ(files(docs), QStringList{u"note.txt"_s});
}

TEST_F(FolderLockTest, UnlockRefusesFoldersItCannotTrust) {
    // Password files whose name line could move the folder elsewhere, or that have none.
    const auto sealed = [this](const QString& name, const QByteArray& bytes) {
        return QFileInfo(makeFile(u"data/"_s + name + Ext + u"/vexaseal.vexa"_s, AbcSeal + bytes)).path();
    };
    const QString pipeSealed = makeDir(u"data/Pipe"_s + Ext);
    ASSERT_EQ(::mkfifo(encoded(seal(pipeSealed)).constData(), 0600), 0);
    const QString linkSealed = makeDir(u"data/Link"_s + Ext);
    ASSERT_TRUE(QFile::link(sealed(u"Target"_s, "\r\nDocs\r\n") + u"/vexaseal.vexa"_s, seal(linkSealed)));
    const std::pair<QString, QString> cases[] = {
        {u"/"_s, u"Please click the folder to unlock."_s},
        {makeDocs(u"Open"_s), u"This folder is unlocked"_s},
        {makeDir(u"data/Bare"_s + Ext), u"Missing password information"_s},
        {sealed(u"Up"_s, "\r\n../x\r\n"), u"Damaged password information"_s},
        {sealed(u"Cut"_s, {}), u"Damaged password information"_s},
        // Only a regular file is read, without blocking on a pipe or following a link.
        {pipeSealed, seal(pipeSealed) + u" is a named pipe, not a file, and was left untouched."_s},
        {linkSealed, seal(linkSealed) + u" is a symbolic link and was left untouched."_s},
    };
    for (const auto& [folder, message] : cases) {
        const FolderLock::Result result = m_lock.unlock(folder, u"abc"_s);
        EXPECT_NE(result.outcome, Outcome::Done) << folder.toStdString();
        EXPECT_EQ(result.messages, QStringList{message}) << folder.toStdString();
    }
    EXPECT_TRUE(QFileInfo(path(u"data/Up"_s + Ext)).isDir());
}
