/*
 * The file-I/O layer on real files: what opening refuses (never blocking), files
 * written aside and renamed (replacement only at commit, links at the final name, leftovers)
 * and deletes that happen only to the file that was read, unchanged.
 */
#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "tests/support/tempenv.h"

#include <sys/syscall.h>

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

class FileIoTest : public TempEnvTest {
protected:
    // Every name in the folder "out", hidden ones included.
    QString names() const { return namesIn(path(u"out"_s)).join(u','); }
};

TEST_F(FileIoTest, OpeningRefusesAllButRegularFilesWithoutBlocking) {
    const QString plain = makeFile(u"plain"_s, "content");
    const QString fifo = path(u"fifo"_s), link = path(u"link"_s), folder = makeDir(u"folder"_s);
    ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(plain, link));
    const std::pair<QString, QString> rows[] = {
        {plain, {}},
        {fifo, fifo + u" is a named pipe, not a file, and was left untouched."_s},
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
        return commit ? errorOf(file.commit(*commit)) : u"not committed"_s;
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

TEST_F(FileIoTest, ANamedFileLeftByAStoppedWriterIsRemovedWhenTheNextOneIsMade) {
    const QString stopped = makeFile(u"out/.a.vxp.unfinished-Xy12Z9"_s, "left over");
    const QString notOurs = makeFile(u"out/.b.unfinished-notours"_s, "a user's file");
    AsideFile running(path(u"out/c"_s), AsideFile::Kind::Named), next(path(u"out/d"_s), AsideFile::Kind::Named);
    ASSERT_TRUE(running.open() && next.open());
    EXPECT_FALSE(QFile::exists(stopped));
    EXPECT_TRUE(QFile::exists(notOurs));
    EXPECT_TRUE(QFile::exists(running.temporaryPath()));
    EXPECT_TRUE(AsideFile::isTemporaryName(encoded(QFileInfo(next.temporaryPath()).fileName())));
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
