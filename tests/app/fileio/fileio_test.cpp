/*
 * The file-I/O layer on real files: what opening refuses (never blocking), files
 * written aside and renamed (replacement only at commit, links at the final name, leftovers),
 * deletes that happen only to the file that was read, unchanged, and where pass locks live.
 */
#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/fileio/passlock.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <grp.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/xattr.h>

// Set by a test to imitate a file system whose rename cannot refuse to replace (FUSE ones such as
// ntfs-3g answer EINVAL), and one that has no hard links either.
static bool g_renameCannotRefuse = false;
static bool g_noHardLinks = false;

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) noexcept {
    if (g_renameCannotRefuse && flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) noexcept {
    // Unnamed files are linked with a flag; only the plain link between names is refused.
    if (g_noHardLinks && flags == 0) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_linkat, fromFolder, from, toFolder, to, flags));
}

namespace {

constexpr char Mark[] = "user.vexa-password.unfinished";

class FileIoTest : public TempEnvTest {
protected:
    // Every name in the folder "out", hidden ones included.
    QString names() const { return namesIn(path(u"out"_s)).join(u','); }
};

TEST_F(FileIoTest, OpeningRefusesAllButRegularFilesWithoutBlocking) {
    const QString plain = makeFile(u"plain"_s, "content");
    const QString link = path(u"link"_s), folder = makeDir(u"folder"_s);
    ASSERT_TRUE(QFile::link(plain, link));
    const std::pair<QString, QString> rows[] = {
        {plain, {}},
        {link, link + u" is a symbolic link and was left untouched."_s},
        {folder, folder + u" is a folder, not a file."_s},
        {u"/dev/null"_s, u"/dev/null is not a regular file and was left untouched."_s},
    };
    for (const auto& [file, refusal] : rows)
        EXPECT_EQ(errorOf(FileIo::openForReading(file)), refusal);
    const Expected<Descriptor> opened = FileIo::openForReading(plain);
    ASSERT_TRUE(opened && opened->isOpen());
    EXPECT_EQ(::fcntl(opened->fd(), F_GETFL) & O_NONBLOCK, 0) << "a reader must not see EAGAIN";
    char bytes[8];
    const Expected<void> read = FileIo::readFully(opened->fd(), bytes, 8, plain);
    // An early end is no error code.
    EXPECT_EQ(std::pair(errorOf(read), read ? -1 : read.error().code),
              std::pair(QString(u"Unexpected end of file: "_s + plain), 0));
    // A whole read takes a file of its limit's size, and refuses one a byte longer.
    for (const auto& [limit, code] : {std::pair(qint64(7), 0), std::pair(qint64(6), EFBIG)}) {
        ASSERT_EQ(::lseek(opened->fd(), 0, SEEK_SET), 0);
        const Expected<QByteArray> whole = FileIo::readAll(opened->fd(), limit);
        EXPECT_EQ(whole ? 0 : whole.error().code, code);
        EXPECT_EQ(whole.value_or(QByteArray()), code ? QByteArray() : QByteArray("content"));
    }
}

class AsideFileTest : public FileIoTest, public ::testing::WithParamInterface<AsideFile::Kind> {
protected:
    // Writes content aside for finalPath, checking on the way that nothing shows under the final
    // name, then commits it (or lets it go); the error, empty once committed.
    QString writeAside(const QString& finalPath, const QByteArray& content,
                       std::optional<AsideFile::Replace> commit = AsideFile::Replace::Yes) {
        const QByteArray before = readAll(finalPath);
        AsideFile file(finalPath, GetParam());
        EXPECT_EQ(errorOf(file.open()), QString());
        EXPECT_TRUE(FileIo::writeFully(file.fd(), content.constData(), content.size()));
        EXPECT_EQ(readAll(finalPath), before);
        if (GetParam() == AsideFile::Kind::Named) {
            const QString temporary = QFileInfo(file.temporaryPath()).fileName();
            EXPECT_TRUE(temporary.startsWith(u'.') && !temporary.endsWith(u".vxp"_s)) << temporary.toStdString();
            EXPECT_EQ(modeOf(file.temporaryPath()), 0600u);
        }
        const QString error = commit ? errorOf(file.commit(*commit)) : u"not committed"_s;
        EXPECT_LT(::getxattr(encoded(finalPath).constData(), Mark, nullptr, 0), 0) << "a finished file is unmarked";
        return error;
    }
};

TEST_P(AsideFileTest, TheFinalNameChangesOnlyAtCommitLinksAreReplacedAndNothingIsLeftBehind) {
    const QString target = makeFile(u"out/data.vxp"_s, "old");
    writeAside(target, "dropped", std::nullopt);
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(writeAside(target, "new"), QString());
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(writeAside(target, "newer", AsideFile::Replace::No), u"File exists"_s);
    EXPECT_EQ(readAll(target), "new");
    // A name at the longest a folder allows still gets its hidden companion.
    const QString longest = path(u"out/"_s + QString(255, u'n'));
    EXPECT_EQ(writeAside(longest, "long", AsideFile::Replace::No), QString());
    EXPECT_EQ(readAll(longest), "long");
    EXPECT_EQ(names(), u"data.vxp,"_s + QString(255, u'n'));

    // A link at the final name is replaced, not followed.
    const QString linked = makeFile(u"target"_s, "target");
    const QString symbolic = path(u"out/symbolic"_s);
    ASSERT_TRUE(QFile::link(linked, symbolic));
    EXPECT_EQ(writeAside(symbolic, "replaced"), QString());
    EXPECT_EQ(readAll(linked), "target");
    EXPECT_FALSE(QFileInfo(symbolic).isSymLink());
    EXPECT_EQ(readAll(symbolic), "replaced");
}

TEST_P(AsideFileTest, ARenameThatCannotRefuseStillNeverReplacesAndTheFileIsReachedInPlace) {
    for (const bool hardLinks : {true, false}) {
        SCOPED_TRACE(hardLinks ? "hard links" : "no hard links");
        g_renameCannotRefuse = true;
        g_noHardLinks = !hardLinks;
        // A named file with neither way to refuse is never put in place: a look at the name and
        // a plain rename could replace a file that appeared in between.
        const QString refused =
            !hardLinks && GetParam() == AsideFile::Kind::Named ? u"Operation not permitted"_s : u""_s;
        const QString target = makeFile(u"out/data"_s, "old");
        EXPECT_EQ(writeAside(target, "new", AsideFile::Replace::No), refused.isEmpty() ? u"File exists"_s : refused);
        EXPECT_EQ(readAll(target), "old");
        EXPECT_EQ(writeAside(path(u"out/fresh"_s), "fresh", AsideFile::Replace::No), refused);
        g_renameCannotRefuse = g_noHardLinks = false;
        EXPECT_EQ(names(), refused.isEmpty() ? u"data,fresh"_s : u"data"_s);
        QFile::remove(target);
        QFile::remove(path(u"out/fresh"_s));
    }
    // The hook after the rename gets the file that now has the final name, once.
    AsideFile file(path(u"out/placed"_s), GetParam());
    ASSERT_TRUE(file.open());
    int calls = 0;
    ASSERT_TRUE(file.commit(AsideFile::Replace::No, [&](int fd) { calls += int(::write(fd, "reached", 7)); }));
    EXPECT_EQ(std::pair(calls, readAll(path(u"out/placed"_s))), std::pair(7, QByteArray("reached")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, AsideFileTest, ::testing::Values(AsideFile::Kind::Automatic, AsideFile::Kind::Named));

TEST_F(FileIoTest, CleanUpRemovesOnlyThisProgramsAbandonedFilesForTheNameBeingWritten) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "files of another owner need root";
    // A writer killed while its file for "d" was aside, marked and left.
    inChild([&](int) { return (new AsideFile(path(u"out/d"_s), AsideFile::Kind::Named))->open() ? "" : "failed"; });
    // Kept: a file for another name, another account's, an unmarked one, a live writer's.
    const std::tuple<QString, bool, uid_t> rows[] = {
        {u".d.unfinished-Own123"_s, true, 0},     {u".thesis.unfinished-ABC123"_s, true, 0},
        {u".d.unfinished-Xy12Z9"_s, true, 40009}, {u".d.unfinished-Unmark"_s, false, 0},
        {u".d.unfinished-Live12"_s, true, 0},
    };
    for (const auto& [name, marked, owner] : rows) {
        const QByteArray file = encoded(makeFile(u"out/"_s + name, "kept"));
        if (marked && ::setxattr(file.constData(), Mark, "", 0, 0) != 0)
            GTEST_SKIP() << "no user attributes here";
        ASSERT_EQ(::chown(file.constData(), owner, owner), 0);
    }
    const Descriptor live(::open(encoded(path(u"out/.d.unfinished-Live12"_s)).constData(), O_RDONLY));
    ASSERT_EQ(::flock(live.fd(), LOCK_EX), 0);
    ASSERT_TRUE(AsideFile(path(u"out/d"_s), AsideFile::Kind::Named).open());
    EXPECT_EQ(names().count(u','), 3) << names().toStdString();
}

TEST_F(FileIoTest, LocksLiveInTheUsersOwnFoldersWhateverOthersMakeAndWhateverTheUmask) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "other accounts need root";
    constexpr uid_t User = 40005, Other = 40006;
    ASSERT_EQ(::chmod(encoded(root()).constData(), 0711), 0);
    const QString home = makeDir(u"home"_s), locks = home + u"/.local/state/vexa-password/locks"_s;
    // The private folder of an account without a home of its own, taken by another account at the
    // end, where it no longer matters.
    const QString shared = PassLock::folderPathFor(User);
    ASSERT_TRUE(QDir(shared).removeRecursively() && ::mkdir(encoded(shared).constData(), 0700) == 0);
    const auto lock = [&](mode_t mask, const QString& from) {
        return inChild([&](int) {
                   ::umask(mask);
                   return ::setgroups(0, nullptr) | ::setresgid(User, User, User) | ::setresuid(User, User, User)
                              ? QByteArray("no such account")
                              : errorOf(PassLock(from).acquire(1, 2)).toUtf8();
               })
            .first;
    };
    // The folder made beforehand (that private folder, or one in the home), its mode and owner; the
    // umask; what is wrong.
    const std::tuple<QString, mode_t, uid_t, mode_t, QString> rows[] = {
        {shared, 0755, User, 022, u"other accounts may use it (its permissions are not 0700)."_s},
        {shared, 0700, Other, 022, u"it belongs to another account."_s},
        {{}, 0775, User, 022, u"other accounts may write in "_s + home + u" (its permissions are 0775)."_s},
        {u".local"_s, 01777, User, 022,
         u"other accounts may write in "_s + home + u"/.local (its permissions are 1777)."_s},
        {u".local/state/vexa-password/locks"_s, 0700, Other, 022, u"it belongs to another account."_s},
        {{}, 0755, User, 0277, {}},
    };
    for (const auto& [folder, mode, owner, mask, why] : rows) {
        const bool homeless = folder == shared;
        QDir(home + u"/.local"_s).removeRecursively();
        ASSERT_EQ(::chmod(encoded(home).constData(), 0755) | ::chown(encoded(home).constData(), User, User), 0);
        QString at = homeless ? shared : home;
        for (const QString& part : homeless ? QStringList() : folder.split(u'/', Qt::SkipEmptyParts)) {
            at += u'/' + part;
            ASSERT_EQ(::mkdir(encoded(at).constData(), 0700) | ::chown(encoded(at).constData(), User, User), 0);
        }
        ASSERT_EQ(::chown(encoded(at).constData(), owner, owner) | ::chmod(encoded(at).constData(), mode), 0);
        EXPECT_EQ(QString::fromUtf8(lock(mask, homeless ? home + u"/none"_s : home)),
                  why.isEmpty() ? QString()
                                : u"The lock folder "_s + (homeless ? shared : locks) + u" can't be used: "_s + why +
                                      u" Files are locked there so that no two passes work on the same file."_s);
    }
    // The folders made under umask 0277 were given 0700; the lock file made there opens again.
    EXPECT_EQ(lock(0277, home), QByteArray());
    EXPECT_EQ(std::tuple(modeOf(home + u"/.local"_s), modeOf(locks), namesIn(locks)),
              std::tuple(0700u, 0700u, QStringList{u"1"_s}));
    ::rmdir(encoded(shared).constData());
}

TEST_F(FileIoTest, DeletesOnlyTheFileThatWasReadUnchanged) {
    enum Change { None, Renamed, EditedInPlace, Removed };
    const std::pair<Change, QString> rows[] = {
        {None, {}},
        {Renamed, u" was replaced by another file while it was being worked on and was kept."_s},
        {EditedInPlace, u" was changed while it was being worked on and was kept."_s},
        {Removed, u" was moved or removed while it was being worked on."_s},
    };
    for (const auto& [change, why] : rows) {
        const QString file = makeFile(u"file"_s, "version 1");
        const Expected<Descriptor> read = FileIo::openForReading(file);
        const Expected<FileIo::FileIdentity> seen = FileIo::FileIdentity::of(read->fd());
        ASSERT_TRUE(seen);
        ::usleep(20000);       // file systems with coarse times
        if (change == Renamed) // a new file under the name while the old one still has it
            ::rename(encoded(makeFile(u"saved"_s, "version 2")).constData(), encoded(file).constData());
        if (change == EditedInPlace) { // the same size and modification time: only the change time tells
            struct stat before {};
            ::stat(encoded(file).constData(), &before);
            makeFile(u"file"_s, "VERSION 1");
            const timespec times[] = {before.st_atim, before.st_mtim};
            ::utimensat(AT_FDCWD, encoded(file).constData(), times, 0);
        }
        if (change == Removed)
            QFile::remove(file);
        EXPECT_EQ(errorOf(FileIo::deleteIfUnchanged(file, *seen)), why.isEmpty() ? QString() : file + why);
        EXPECT_EQ(QFileInfo::exists(file), change == Renamed || change == EditedInPlace) << change;
        QFile::remove(file);
    }
}

} // namespace
