/*
 * The pass runner as a command drives it: files handed over one by one, outputs put in place in
 * batches, and the run stopped, settled, failing at its flush or killed at any point. What
 * must hold each time: every file ends once, in the order handed over; no original goes before its
 * output is on disk under its final name; a file either keeps its original or has its complete
 * output under its final name, never neither, and no partial file ever has a final name.
 */
#include "app/crypt/engine/passrunner.h"
#include "app/fileio/asidefile.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <QtCore/QSemaphore>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <dirent.h>
#include <sys/statfs.h>
#include <sys/syscall.h>

using Outcome = PassResult::Outcome;

namespace {

// Where a forked run kills itself: at the nth flush of a batch (before it), the nth output
// linked or renamed in under its final name or the nth input deleted (after it).
enum class Step { None, Flush, Rename, Delete };
std::atomic<Step> g_killStep{Step::None};
std::atomic<int> g_killCountdown{0};
// While set, every flush of a file system fails as a failing disk's would.
std::atomic<bool> g_flushFails{false};
// While set, every file system says it is of this kind.
std::atomic<long> g_fileSystemType{0};
// While set, a syncfs flushes nothing, as one of a FUSE volume or network share may.
std::atomic<bool> g_syncfsDoesNothing{false};
// While g_flushes is set (in every case): the size each regular file (by inode) had when its data
// was last flushed, by a syncfs (every file the process has open) or an fsync; the folders with a
// new name not flushed since; every original deleted while its output or its output's name was
// not on disk as it stands; and how many regular files were flushed one by one.
std::mutex g_mutex;
std::map<ino_t, off_t>* g_flushes = nullptr;
std::set<ino_t> g_unflushedFolders;
QStringList g_deletedTooEarly;
std::atomic<int> g_fileFlushes{0};

void reached(Step step) {
    if (g_killStep == step && --g_killCountdown == 0)
        ::raise(SIGKILL);
}

void noteFlushed(int fd) {
    struct stat info {};
    const std::lock_guard lock(g_mutex);
    if (!g_flushes || ::fstat(fd, &info) != 0)
        return;
    if (S_ISREG(info.st_mode))
        (*g_flushes)[info.st_ino] = info.st_size;
    else if (S_ISDIR(info.st_mode))
        g_unflushedFolders.erase(info.st_ino);
}

// An output linked or renamed in under its final name: its folder needs a flush.
int placed(int result, int folder, const char* name) {
    struct stat info {};
    if (result == 0 && std::strncmp(name, "plain-", 6) == 0) {
        if (::fstat(folder, &info) == 0) {
            const std::lock_guard lock(g_mutex);
            g_unflushedFolders.insert(info.st_ino);
        }
        reached(Step::Rename);
    }
    return result;
}

bool isPlainName(const char* name) {
    return std::strncmp(name, "plain-", 6) == 0 && !QByteArrayView(name).endsWith(".vxp");
}

} // namespace

extern "C" int syncfs(int fd) noexcept {
    reached(Step::Flush);
    if (g_flushFails) {
        errno = EIO;
        return -1;
    }
    const int result = static_cast<int>(::syscall(SYS_syncfs, fd));
    if (DIR* open = result == 0 && g_flushes && !g_syncfsDoesNothing ? ::opendir("/proc/self/fd") : nullptr) {
        for (const dirent* entry; (entry = ::readdir(open));)
            noteFlushed(std::atoi(entry->d_name));
        ::closedir(open);
    }
    return result;
}

extern "C" int fsync(int fd) {
    const int result = static_cast<int>(::syscall(SYS_fsync, fd));
    struct stat info {};
    if (result == 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        ++g_fileFlushes;
    if (result == 0)
        noteFlushed(fd);
    return result;
}

extern "C" int fstatfs(int fd, struct statfs* info) noexcept {
    const int result = static_cast<int>(::syscall(SYS_fstatfs, fd, info));
    if (result == 0 && g_fileSystemType != 0)
        info->f_type = g_fileSystemType;
    return result;
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
    return placed(static_cast<int>(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, 0)), toFolder, to);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) noexcept {
    return placed(static_cast<int>(::syscall(SYS_linkat, fromFolder, from, toFolder, to, flags)), toFolder, to);
}

extern "C" int unlinkat(int folder, const char* name, int flags) noexcept {
    struct stat output {};
    if (isPlainName(name) && g_flushes) {
        const QByteArray outputName = QByteArray(name) + ".vxp";
        const std::lock_guard lock(g_mutex);
        struct stat folderInfo {};
        if (::fstatat(folder, outputName.constData(), &output, AT_SYMLINK_NOFOLLOW) != 0 ||
            g_flushes->count(output.st_ino) == 0 || g_flushes->at(output.st_ino) != output.st_size ||
            ::fstat(folder, &folderInfo) != 0 || g_unflushedFolders.count(folderInfo.st_ino) != 0)
            g_deletedTooEarly.append(QString::fromUtf8(name));
    }
    const int result = static_cast<int>(::syscall(SYS_unlinkat, folder, name, flags));
    if (result == 0 && isPlainName(name))
        reached(Step::Delete);
    return result;
}

namespace {

constexpr qint64 Small = 4096;
constexpr qint64 Big = 6 << 20;
// A batch bound no test reaches by time, so a batch ends only where the test means it to.
constexpr int Never = 600000;
constexpr qint64 NoByteBound = qint64(1) << 40;

// Runs f on the worker's thread as it emits the runner's signal, before any queued receiver hears it.
template <typename Signal, typename F> void onWorker(PassRunner& runner, Signal signal, F f) {
    QObject::connect(&runner, signal, &runner, f, Qt::DirectConnection);
}

FileTask encryption(const QString& plain) {
    return FileTask::encryption(SecurityLevel::High, plain, u"pw      "_s, true);
}

// What the runner reported, as a receiver of its own on the window's thread receives it.
struct Record {
    explicit Record(PassRunner& runner)
        : settled(&runner, &PassRunner::settled) {
        QObject::connect(&runner, &PassRunner::fileStarted, &context,
                         [this](const QString& input) { started.append(input); });
        QObject::connect(&runner, &PassRunner::fileFinished, &context,
                         [this](const FileTask& task, const PassResult& result) {
                             finished.append(task.input);
                             results.append(result);
                         });
    }
    bool waitSettled() {
        return QTest::qWaitFor([this] { return settled.count() > 0; }, 30000);
    }

    QObject context;
    QSignalSpy settled;
    QStringList started;
    QStringList finished;
    QList<PassResult> results;
};

// Encrypts every file in one run and waits for it to settle.
bool encryptAll(PassRunner& runner, Record& record, const QStringList& plains) {
    for (const QString& plain : plains)
        runner.submit(encryption(plain));
    runner.settle();
    return record.waitSettled();
}

class PassRunnerTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_folder = makeDir(u"work"_s);
        g_flushes = &m_flushes;
    }
    void TearDown() override {
        g_flushes = nullptr;
        EXPECT_EQ(std::exchange(g_deletedTooEarly, {}), QStringList()) << "originals deleted before their outputs";
        TempEnvTest::TearDown();
    }
    QStringList names() const { return namesIn(m_folder); }
    // Plain files plain-00, plain-01, … of the given sizes, each of its own bytes.
    QStringList plainFiles(const QList<qint64>& sizes) {
        QStringList made;
        m_contents.clear();
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            m_contents.append(sampleBytes(sizes[i], quint32(i + 1)));
            made.append(makeFile(u"work/plain-%1"_s.arg(i, 2, 10, QChar(u'0')), m_contents.last()));
        }
        return made;
    }
    // Whether the file at index i of plains is whole as its original, or as its output.
    bool isOriginal(const QStringList& plains, qsizetype i) const { return readAll(plains[i]) == m_contents[i]; }
    bool isOutput(const QStringList& plains, qsizetype i) const {
        return readAll(plains[i] + u".vxp"_s) == encryptedForm(m_contents[i]);
    }
    // The names of the outputs of the encrypted files and of the plain files, as the folder lists them.
    static QStringList fileNames(const QStringList& encrypted, const QStringList& plain = {}) {
        QStringList result;
        for (const QString& path : encrypted)
            result.append(QFileInfo(path).fileName() + u".vxp"_s);
        for (const QString& path : plain)
            result.append(QFileInfo(path).fileName());
        result.sort();
        return result;
    }

    QString m_folder;
    QList<QByteArray> m_contents;
    LinuxPlatform m_platform;
    std::map<ino_t, off_t> m_flushes;
};

TEST_F(PassRunnerTest, AKilledRunLeavesEveryFileWholeUnderOneNameOrTheOther) {
    // 60 small files with a larger one in the middle, in batches of 16 files.
    QList<qint64> sizes(61, Small);
    sizes[30] = Big;
    const struct Row {
        const char* where;
        Step step;
        int count;   // the nth file started (then killed 2 ms on), flush, rename or delete
        int inPlace; // outputs in place by then, where the point is exact
    } rows[] = {
        {"inside the large file", Step::None, 31, -1},
        {"at the second batch's flush", Step::Flush, 2, 16},
        {"between the second batch's renames", Step::Rename, 20, 20},
        {"between the second batch's deletes", Step::Delete, 20, 32},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        QDir(m_folder).removeRecursively();
        makeDir(u"work"_s);
        const QStringList plains = plainFiles(sizes);
        const auto [answer, status] = inChild([&](int) -> QByteArray {
            g_killStep = row.step;
            g_killCountdown = row.count;
            LinuxPlatform platform;
            PassRunner runner(platform, {16, NoByteBound, Never});
            Record record(runner);
            std::atomic<int> started = 0;
            onWorker(runner, &PassRunner::fileStarted, [&](const QString&) {
                if (row.step != Step::None || ++started != row.count)
                    return;
                std::thread([] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    ::raise(SIGKILL);
                }).detach();
            });
            const bool ended = encryptAll(runner, record, plains);
            // A kill on its way after a delay comes all the same.
            while (ended && started == row.count)
                ::pause();
            return ended ? "ended unkilled" : "stuck";
        });
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the child " << answer.constData();

        int inPlace = 0;
        for (qsizetype i = 0; i < plains.size(); ++i) {
            SCOPED_TRACE(plains[i].toStdString());
            const bool kept = QFile::exists(plains[i]);
            const bool output = QFile::exists(plains[i] + u".vxp"_s);
            EXPECT_TRUE(kept || output) << "both gone";
            EXPECT_TRUE(!kept || isOriginal(plains, i)) << "original changed";
            EXPECT_TRUE(!output || isOutput(plains, i)) << "output incomplete";
            inPlace += output;
        }
        // Only a hidden file written aside may remain besides them, removed by the next writer.
        const QStringList all = fileNames(plains, plains);
        for (const QString& name : names())
            EXPECT_TRUE(all.contains(name) || AsideFile::isTemporaryName(encoded(name))) << name.toStdString();
        // The point lies where the row says.
        EXPECT_TRUE(row.inPlace < 0 || inPlace == row.inPlace) << inPlace << " in place";
    }
}

TEST_F(PassRunnerTest, EachKindOfFileSystemIsFlushedAsItKeepsData) {
    // Local kernel file systems: one syncfs takes every file along. FUSE and network shares may
    // do nothing on one: each file by itself. As in every case, no original may go before its
    // output and its output's name are on disk.
    const struct Row {
        long type;
        bool together;
    } rows[] = {{0xEF53, true},      {0x58465342, true}, {0x9123683E, true},  {0x01021994, true},
                {0x65735546, false}, {0x6969, false},    {0xFF534D42, false}, {0xFE534D42, false}};
    const auto restore = qScopeGuard([] {
        g_fileSystemType = 0;
        g_syncfsDoesNothing = false;
    });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        g_fileSystemType = row.type;
        g_syncfsDoesNothing = !row.together;
        g_fileFlushes = 0;
        QDir(m_folder).removeRecursively();
        makeDir(u"work"_s);
        const QStringList plains = plainFiles({Small, Big, Small});
        PassRunner runner(m_platform, {3, NoByteBound, Never});
        Record record(runner);
        // The full batch is in place before the settle is asked: the settle's own, empty batch must
        // not report the same files settled once more.
        QSemaphore ended;
        onWorker(runner, &PassRunner::fileFinished, [&](const FileTask&, const PassResult&) { ended.release(); });
        for (const QString& plain : plains)
            runner.submit(encryption(plain));
        ended.acquire(3);
        runner.settle();
        ASSERT_TRUE(record.waitSettled());
        QTest::qWait(100);
        EXPECT_EQ(record.settled.count(), 1);
        EXPECT_EQ(record.results, QList<PassResult>(3));
        EXPECT_EQ(names(), fileNames(plains));
        EXPECT_EQ(g_fileFlushes == 0, row.together) << g_fileFlushes << " files flushed one by one";
    }
}

TEST_F(PassRunnerTest, StopCommitsTheCompleteOutputsAndLeavesTheFileInWorkAndTheRestUntouched) {
    const QStringList plains = plainFiles({Small, Small, Small, Small, Small, Big, Small, Small, Small});
    PassRunner runner(m_platform, {1000, NoByteBound, Never});
    Record record(runner);
    // The worker waits at the start of the large file until the window's thread has asked to stop
    // (the queued receiver connected first, so it is on its way before the worker waits).
    QSemaphore stopAsked;
    QObject::connect(&runner, &PassRunner::fileStarted, &runner, [&](const QString& input) {
        if (input == plains[5]) {
            runner.stop();
            stopAsked.release();
        }
    });
    onWorker(runner, &PassRunner::fileStarted, [&](const QString& input) {
        if (input == plains[5])
            stopAsked.acquire();
    });
    ASSERT_TRUE(encryptAll(runner, record, plains));

    EXPECT_EQ(record.started, plains.mid(0, 6));
    EXPECT_EQ(record.finished, plains);
    const PassResult cancelled{Outcome::Cancelled, {}, {}};
    EXPECT_EQ(record.results, (QList<PassResult>{{}, {}, {}, {}, {}, cancelled, cancelled, cancelled, cancelled}));
    EXPECT_EQ(names(), fileNames(plains.mid(0, 5), plains.mid(5)));
    for (qsizetype i = 0; i < plains.size(); ++i)
        EXPECT_TRUE(i < 5 ? isOutput(plains, i) : isOriginal(plains, i)) << i;
}

TEST_F(PassRunnerTest, AFailedBatchFlushPutsNothingInPlaceAndTakesTheArchiveMarkOffEveryInput) {
    const QStringList plains = plainFiles({Small, Big, Small});
    g_flushFails = true;
    const auto restore = qScopeGuard([] { g_flushFails = false; });
    PassRunner runner(m_platform, {1000, NoByteBound, Never});
    Record record(runner);
    ASSERT_TRUE(encryptAll(runner, record, plains));

    EXPECT_EQ(record.finished, plains);
    for (qsizetype i = 0; i < plains.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(record.results.value(i), (PassResult{Outcome::Failed,
                                                       plains[i] + u" was kept: its new file "_s + plains[i] +
                                                           u".vxp could not be written to disk. Input/output error"_s,
                                                       {}}));
        EXPECT_TRUE(isOriginal(plains, i));
        EXPECT_EQ(m_platform.attributes(plains[i]), std::optional<quint32>(0)) << "the pass's Archive mark taken off";
    }
    EXPECT_EQ(names(), fileNames({}, plains));
}

} // namespace
