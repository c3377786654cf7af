/*
 * The file-I/O layer on real files: what opening refuses (and that it never blocks), full writes
 * on a full device, files written aside and renamed (replacement, discard, links at the final
 * name, leftovers) and deletes that happen only to the file that was read, unchanged.
 */
#include "asidefile.h"
#include "fileio.h"
#include "tempenv.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class FileIoTest : public TempEnvTest {
protected:
    // Every name in a folder of the test, hidden ones included, comma-separated.
    std::string entries(const QString& folder) const {
        return QDir(path(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
            .join(u',')
            .toStdString();
    }
    static QByteArray encoded(const QString& path) { return QFile::encodeName(path); }
};

TEST_F(FileIoTest, OpenForReadingTakesOnlyRegularFilesAndNeverBlocks) {
    const QString plain = makeFile(u"plain"_s, QByteArray("content"));
    const QString fifo = path(u"fifo"_s);
    ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0600), 0);
    const QString link = path(u"link"_s);
    ASSERT_EQ(::symlink(encoded(plain).constData(), encoded(link).constData()), 0);
    const QString folder = makeDir(u"folder"_s);

    const struct {
        QString path;
        QString error; // empty when the open succeeds
    } rows[] = {
        {plain, {}},
        {fifo, fifo + u" is a named pipe, not a file, and was left untouched."_s},
        {link, link + u" is a symbolic link and was left untouched."_s},
        {folder, folder + u" is a folder, not a file."_s},
        {path(u"missing"_s), FileIo::errorText(ENOENT)},
        {u"/dev/null"_s, u"/dev/null is not a regular file and was left untouched."_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        QString error;
        const Descriptor file = FileIo::openForReading(row.path, &error);
        EXPECT_EQ(file.isOpen(), row.error.isEmpty());
        EXPECT_EQ(error, row.error);
        if (file.isOpen()) {
            // Back in blocking mode: a reader must not see EAGAIN.
            EXPECT_EQ(::fcntl(file.fd(), F_GETFL) & O_NONBLOCK, 0);
            char bytes[7];
            EXPECT_TRUE(FileIo::readFully(file.fd(), bytes, 7));
            EXPECT_FALSE(FileIo::readFully(file.fd(), bytes, 1));
            EXPECT_EQ(errno, 0) << "end of file is not an error code";
        }
    }
}

TEST_F(FileIoTest, FullReadsAndWritesReportEveryShortfall) {
    Descriptor full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    ASSERT_TRUE(full.isOpen());
    EXPECT_FALSE(FileIo::writeFully(full.fd(), "abc", 3));
    EXPECT_EQ(errno, ENOSPC);

    QString error;
    const Descriptor small = FileIo::openForReading(makeFile(u"small"_s, 100), &error);
    ASSERT_TRUE(small.isOpen()) << error.toStdString();
    EXPECT_FALSE(FileIo::readAll(small.fd(), 99, &error));
    EXPECT_EQ(error, FileIo::errorText(EFBIG));
    ::lseek(small.fd(), 0, SEEK_SET);
    EXPECT_EQ(FileIo::readAll(small.fd(), 100, &error).value_or(QByteArray()).size(), 100);
}

class AsideFileTest : public FileIoTest, public ::testing::WithParamInterface<AsideFile::Kind> {
protected:
    // Writes content through a new aside file for finalPath and commits it (or not).
    bool writeAside(const QString& finalPath, const QByteArray& content, bool commit,
                    AsideFile::Replace replace = AsideFile::Replace::Yes, QString* error = nullptr) {
        AsideFile file(finalPath, GetParam());
        QString text;
        if (!file.open(&text) || !FileIo::writeFully(file.fd(), content.constData(), content.size())) {
            ADD_FAILURE() << text.toStdString();
            return false;
        }
        EXPECT_EQ(readAll(finalPath), m_before) << "the final name changes only at commit";
        if (GetParam() == AsideFile::Kind::Named) {
            const QString temporary = file.temporaryPath();
            EXPECT_TRUE(QFileInfo(temporary).fileName().startsWith(u'.'));
            EXPECT_FALSE(temporary.endsWith(u".vxp"_s) || temporary.endsWith(u".vexa"_s));
            EXPECT_EQ(QFileInfo(temporary).size(), content.size());
            struct stat info;
            EXPECT_EQ(::stat(encoded(temporary).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0600u);
        }
        return commit ? file.commit(error ? error : &text, replace) : true;
    }
    QByteArray m_before;
};

TEST_P(AsideFileTest, ReplacesOnlyAtCommitAndLeavesNothingBehind) {
    const QString target = makeFile(u"out/data.vxp"_s, QByteArray("old content"));
    m_before = "old content";
    ASSERT_TRUE(writeAside(target, "new", false));
    EXPECT_EQ(readAll(target), "old content") << "a discarded file replaces nothing";
    EXPECT_EQ(entries(u"out"_s), "data.vxp");

    ASSERT_TRUE(writeAside(target, "new", true));
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(entries(u"out"_s), "data.vxp");

    m_before = "new";
    QString error;
    EXPECT_FALSE(writeAside(target, "newer", true, AsideFile::Replace::No, &error));
    EXPECT_EQ(error, FileIo::errorText(EEXIST));
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(entries(u"out"_s), "data.vxp");

    const QString fresh = path(u"fresh"_s);
    m_before.clear();
    ASSERT_TRUE(writeAside(fresh, "first", true, AsideFile::Replace::No));
    EXPECT_EQ(readAll(fresh), "first");
}

TEST_P(AsideFileTest, LinksAtTheFinalNameAreReplacedNotFollowed) {
    const QString target = makeFile(u"target"_s, QByteArray("target"));
    const QString symbolic = path(u"symbolic"_s);
    ASSERT_EQ(::symlink(encoded(target).constData(), encoded(symbolic).constData()), 0);
    const QString hard = path(u"hard"_s);
    ASSERT_EQ(::link(encoded(target).constData(), encoded(hard).constData()), 0);

    m_before = "target";
    ASSERT_TRUE(writeAside(symbolic, "through the link?", true));
    ASSERT_TRUE(writeAside(hard, "hard", true));
    EXPECT_EQ(readAll(target), "target");
    EXPECT_FALSE(QFileInfo(symbolic).isSymLink());
    EXPECT_EQ(readAll(symbolic), "through the link?");
    EXPECT_EQ(readAll(hard), "hard");
}

TEST_P(AsideFileTest, LongNamesAndMissingFoldersFailCleanly) {
    const QString longName = path(QString(250, u'n'));
    m_before.clear();
    ASSERT_TRUE(writeAside(longName, "long", true)) << "the hidden name is shortened to fit";
    EXPECT_EQ(readAll(longName), "long");

    AsideFile nowhere(path(u"no-folder/file"_s), GetParam());
    QString error;
    EXPECT_FALSE(nowhere.open(&error));
    EXPECT_EQ(error, FileIo::errorText(ENOENT));
}

INSTANTIATE_TEST_SUITE_P(Kinds, AsideFileTest, ::testing::Values(AsideFile::Kind::Automatic, AsideFile::Kind::Named));

TEST_F(FileIoTest, DeletesOnlyTheFileThatWasReadUnchanged) {
    enum Change { None, Renamed, EditedInPlace, Removed, LinkedInstead };
    const struct {
        Change change;
        QString why; // after the path; empty when the file is deleted
    } rows[] = {
        {None, {}},
        {Renamed, u" was replaced by another file while it was being worked on and was kept."_s},
        {EditedInPlace, u" was changed while it was being worked on and was kept."_s},
        {Removed, u" was moved or removed while it was being worked on."_s},
        {LinkedInstead, u" was replaced by another file while it was being worked on and was kept."_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.change));
        const QString file = makeFile(u"file"_s, QByteArray("version 1"));
        QString error;
        const Descriptor read = FileIo::openForReading(file, &error);
        const std::optional<FileIo::FileIdentity> seen = FileIo::FileIdentity::of(read.fd());
        ASSERT_TRUE(seen);
        // Some file systems keep times in coarse steps: let the clock move on.
        ::usleep(20000);
        const QByteArray name = encoded(file);
        switch (row.change) {
        case None:
            break;
        case Renamed:
            makeFile(u"saved"_s, QByteArray("version 2"));
            ASSERT_EQ(::rename(encoded(path(u"saved"_s)).constData(), name.constData()), 0);
            break;
        case EditedInPlace: {
            QFile edit(file);
            ASSERT_TRUE(edit.open(QIODevice::ReadWrite));
            edit.write("VERSION");
            break;
        }
        case Removed:
            ASSERT_EQ(::unlink(name.constData()), 0);
            break;
        case LinkedInstead:
            makeFile(u"other"_s, QByteArray("version 1"));
            ASSERT_EQ(::unlink(name.constData()), 0);
            ASSERT_EQ(::symlink(encoded(path(u"other"_s)).constData(), name.constData()), 0);
            break;
        }
        EXPECT_EQ(FileIo::changedSince(file, *seen).value_or(QString()),
                  row.why.isEmpty() ? QString() : file + row.why);
        const bool deleted = FileIo::deleteIfUnchanged(file, *seen, &error);
        EXPECT_EQ(deleted, row.why.isEmpty());
        EXPECT_EQ(QFileInfo::exists(file) || QFileInfo(file).isSymLink(), !deleted && row.change != Removed);
        if (!deleted) {
            EXPECT_EQ(error, file + row.why);
        }
        ::unlink(name.constData());
    }
}

} // namespace
