/*
 * Figures of the encrypted-file passes, run as a command runs them: through the pass runner, with
 * its signals arriving on the thread of a real application's window. On a 1 GiB file: the speed
 * of each pass as a ratio to a plain copy that reads and writes the same buffers and flushes to
 * disk the same way (measured in the same run, alternating with the passes), the peak memory of a
 * pass, the worst lateness of a 5 ms timer on the window's thread while a pass runs, and how long
 * a stop takes to reach the window as the file's end. For many small files with delete-original:
 * the rate beside a minimal write-flush-delete loop per file and a minimal batched loop that
 * flushes as the runner does, and that batched loop with the other way to flush a batch.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 FileSize = qint64(1) << 30;
constexpr qint64 Buffer = CipherPass::BufferSize;
constexpr int Rounds = 5;
constexpr int SmallFiles = 10000;
constexpr qint64 SmallSize = 4096;
constexpr int SmallRounds = 5;

// Attributes cost nothing here: the figures are about moving the data.
class QuietPlatform : public Platform {
public:
    std::optional<quint32> attributes(const QString&) const override { return 0; }
    std::optional<quint32> openFileAttributes(int, const QString&) const override { return 0; }
    Expected<void> setAttributes(const QString&, quint32) override { return {}; }
    Expected<void> setOpenFileAttributes(int, quint32) override { return {}; }
    QList<Volume> volumes() const override { return {}; }
    QString volumeRoot(const QString&) const override { return {}; }
    bool isVolumeRoot(const QString&) const override { return false; }
    qint64 freeSpace(const QString&) const override { return 0; }
    QString programFolder() const override { return {}; }
    QString dataFolder() const override { return {}; }
    QString configFolder() const override { return {}; }
    QString homeFolder() const override { return {}; }
    void openWithApplication(const QString&) override {}
    bool startProgram(const QString&) override { return false; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const char* name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", name, value, unit);
}

// Reports what went wrong; the program then ends with a failure.
bool fail(const char* what, const QString& detail) {
    std::fprintf(stderr, "%s failed: %s\n", what, qPrintable(detail));
    return false;
}

bool makeSample(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail("create", file.errorString());
    QByteArray block(Buffer, Qt::Uninitialized);
    quint64 state = 88172645463325252ull;
    for (qint64 written = 0; written < FileSize; written += block.size()) {
        for (char& byte : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            byte = static_cast<char>(state);
        }
        if (file.write(block.constData(), std::min<qint64>(block.size(), FileSize - written)) < 0)
            return fail("write", file.errorString());
    }
    // On disk before any figure is taken, so that its write-back does not slow the first runs.
    return file.flush() && ::fsync(file.handle()) == 0;
}

// The yardstick: the same buffers read and written, the output and its folder flushed.
double copySeconds(const QString& from, const QString& to) {
    QElapsedTimer clock;
    clock.start();
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::vector<char> buffer(Buffer);
    ssize_t n;
    while ((n = ::read(in, buffer.data(), buffer.size())) > 0) {
        if (::write(out, buffer.data(), static_cast<size_t>(n)) != n)
            break;
    }
    ::fsync(out);
    ::close(out);
    ::close(in);
    const int folder = ::open(QFile::encodeName(QFileInfo(to).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
    return clock.nsecsElapsed() / 1e9;
}

// User and system processor time of the process so far. The disk of a shared machine makes wall
// times noisy; the processor time a run costs shows the passes' own overhead.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

qint64 peakKiB() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Writing 5 to clear_refs starts the peak resident size afresh, so the next reading is the
// pass's own peak.
void resetPeak() {
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// The window's side of a run: hands the tasks to the runner and waits for settled, while a 5 ms
// timer on this thread records its worst lateness and the cover moves a label, as the progress
// window's does. Given a fraction of the cover's track, it calls stop() once the cover gets there
// and records how long the file's end takes to arrive.
class Window {
public:
    explicit Window(PassRunner& runner)
        : m_runner(runner) {
        m_cover.resize(10, 10);
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(TickMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_cover, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_lastTick >= 0)
                worstLatenessNs = std::max(worstLatenessNs, now - m_lastTick - TickMs * 1000000);
            m_lastTick = now;
        });
        QObject::connect(&runner, &PassRunner::coverMoved, &m_cover, [this](double leftTwips) {
            m_cover.move(static_cast<int>(leftTwips / 15), 0);
            if (leftTwips >= m_stopAt * PassObserver::CoverTrack && !m_stopClock.isValid()) {
                m_stopClock.start();
                m_runner.stop();
            }
        });
        QObject::connect(
            &runner, &PassRunner::fileFinished, &m_cover, [this](const FileTask& task, const PassResult& r) {
                if (m_stopClock.isValid() && stopLatencyNs < 0)
                    stopLatencyNs = m_stopClock.nsecsElapsed();
                if (r.outcome != PassResult::Outcome::Succeeded && r.outcome != PassResult::Outcome::Cancelled)
                    failures.append(task.input + u": "_s + r.error);
                outcomes.append(r.outcome);
            });
        QObject::connect(&runner, &PassRunner::settled, &m_loop, &QEventLoop::quit);
    }

    // Runs the tasks to their ends; stopAt beyond 1: never stopped.
    void run(const QList<FileTask>& tasks, double stopAt = 2) {
        m_stopAt = stopAt;
        m_stopClock.invalidate();
        stopLatencyNs = -1;
        outcomes.clear();
        m_clock.start();
        m_lastTick = -1;
        m_tick.start();
        for (const FileTask& task : tasks)
            m_runner.submit(task);
        m_runner.settle();
        m_loop.exec();
        m_tick.stop();
    }

    static constexpr int TickMs = 5;
    qint64 worstLatenessNs = 0;
    qint64 stopLatencyNs = -1;
    QList<PassResult::Outcome> outcomes;
    QStringList failures;

private:
    PassRunner& m_runner;
    QLabel m_cover;
    QTimer m_tick;
    QEventLoop m_loop;
    QElapsedTimer m_clock;
    qint64 m_lastTick = -1;
    double m_stopAt = 2;
    QElapsedTimer m_stopClock;
};

// How the batched loop gets a batch's data to disk.
enum class BatchFlush {
    FileSystem,    // one syncfs, as the runner does
    StartThenWait, // the write-back of each file started as it is written, then each waited for
};

// The least a program must do to replace a batch of files safely, as the runner does: each new
// file written aside (unnamed), the batch's data flushed, each named and renamed into place, the
// folder flushed once, and only then the originals deleted.
bool batchedLoop(const QString& folder, int files, int batchSize, BatchFlush flush) {
    const QByteArray folderName = QFile::encodeName(folder);
    const int folderFd = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<char> buffer(SmallSize + 10);
    std::vector<int> outputs;
    bool ok = folderFd >= 0;
    for (int first = 0; ok && first < files; first += batchSize) {
        const int last = std::min(files, first + batchSize);
        outputs.clear();
        for (int i = first; ok && i < last; ++i) {
            const QByteArray name = "f" + QByteArray::number(i);
            const int in = ::openat(folderFd, name.constData(), O_RDONLY | O_CLOEXEC);
            const int out = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
            ok = in >= 0 && out >= 0 && ::read(in, buffer.data() + 10, SmallSize) == SmallSize &&
                 ::write(out, buffer.data(), SmallSize + 10) == SmallSize + 10 &&
                 (flush != BatchFlush::StartThenWait || ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE) == 0);
            ::close(in);
            outputs.push_back(out);
        }
        if (flush == BatchFlush::FileSystem)
            ok = ok && ::syncfs(folderFd) == 0;
        for (size_t k = 0; ok && k < outputs.size(); ++k)
            ok = flush != BatchFlush::StartThenWait || ::fdatasync(outputs[k]) == 0;
        for (int i = first; ok && i < last; ++i) {
            const QByteArray aside = ".f" + QByteArray::number(i) + ".vxp.aside";
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(outputs[size_t(i - first)]);
            ok = ::linkat(AT_FDCWD, self.constData(), folderFd, aside.constData(), AT_SYMLINK_FOLLOW) == 0 &&
                 ::renameat(folderFd, aside.constData(), folderFd,
                            QByteArray("f" + QByteArray::number(i) + ".vxp").constData()) == 0;
        }
        ok = ok && ::fsync(folderFd) == 0;
        for (int i = first; ok && i < last; ++i)
            ok = ::unlinkat(folderFd, QByteArray("f" + QByteArray::number(i)).constData(), 0) == 0;
        for (const int out : outputs)
            ::close(out);
    }
    if (!ok)
        fail("batched loop", qt_error_string(errno));
    ::close(folderFd);
    return ok;
}

// Many small files: the runner with delete-original beside the least a program must do to
// replace a file by another safely, one file at a time (write it, flush it, delete the first)
// and in batches as the runner does.
int smallFiles(Window& window, const QString& root, const QString& password) {
    const QString small = root + u"/small"_s;
    QDir().mkpath(small);
    const QByteArray content = QByteArray(SmallSize, 'x');
    const auto makeSmallFiles = [&] {
        for (const QString& name : QDir(small).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(small + u'/' + name);
        for (int i = 0; i < SmallFiles; ++i) {
            QFile file(small + u"/f"_s + QString::number(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
                return fail("create", file.errorString());
        }
        const int folder = ::open(QFile::encodeName(small).constData(), O_RDONLY | O_DIRECTORY);
        ::syncfs(folder);
        ::close(folder);
        return true;
    };
    std::vector<char> buffer(SmallSize + 10);
    const auto loopRate = [&]() -> double {
        if (!makeSmallFiles())
            return -1;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < SmallFiles; ++i) {
            const QByteArray name = QFile::encodeName(small + u"/f"_s + QString::number(i));
            const int in = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            const int out =
                ::open(QByteArray(name + ".vxp").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const ssize_t n = ::read(in, buffer.data(), SmallSize);
            if (in < 0 || out < 0 || n != SmallSize || ::write(out, buffer.data(), SmallSize + 10) != SmallSize + 10 ||
                ::fsync(out) != 0 || ::close(out) != 0 || ::unlink(name.constData()) != 0) {
                fail("small loop", qt_error_string(errno));
                return -1;
            }
            ::close(in);
        }
        return SmallFiles / (clock.nsecsElapsed() / 1e9);
    };
    const auto batchedRate = [&](BatchFlush flush) -> double {
        if (!makeSmallFiles())
            return -1;
        QElapsedTimer clock;
        clock.start();
        if (!batchedLoop(small, SmallFiles, PassRunner::BatchLimits{}.files, flush))
            return -1;
        return SmallFiles / (clock.nsecsElapsed() / 1e9);
    };
    std::vector<double> loopRates;
    std::vector<double> batchedRates;
    std::vector<double> startThenWaitRates;
    std::vector<double> runnerRates;
    for (int round = 0; round < SmallRounds; ++round) {
        loopRates.push_back(loopRate());
        batchedRates.push_back(batchedRate(BatchFlush::FileSystem));
        startThenWaitRates.push_back(batchedRate(BatchFlush::StartThenWait));
        if (loopRates.back() < 0 || batchedRates.back() < 0 || startThenWaitRates.back() < 0 || !makeSmallFiles())
            return 1;
        QList<FileTask> tasks;
        for (int i = 0; i < SmallFiles; ++i)
            tasks.append(
                FileTask::encryption(SecurityLevel::High, small + u"/f"_s + QString::number(i), password, true));
        QElapsedTimer clock;
        clock.start();
        window.run(tasks);
        runnerRates.push_back(SmallFiles / (clock.nsecsElapsed() / 1e9));
        if (!window.failures.isEmpty() || QDir(small).entryList(QDir::Files).size() != SmallFiles) {
            fail("small files", window.failures.value(0));
            return 1;
        }
    }
    print("small_files_loop_median", median(loopRates), "files/s");
    print("small_files_batched_loop_median", median(batchedRates), "files/s");
    print("small_files_batched_loop_start_then_wait_median", median(startThenWaitRates), "files/s");
    print("small_files_encrypt_delete_median", median(runnerRates), "files/s");
    print("small_files_ratio_to_loop_median", median(runnerRates) / median(loopRates), "x");
    print("small_files_ratio_to_batched_loop_median", median(runnerRates) / median(batchedRates), "x");
    print("batch_flush_start_then_wait_ratio_to_syncfs_median", median(startThenWaitRates) / median(batchedRates), "x");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread: the Strong level's library picks its functions and its random source.
    if (sodium_init() < 0) {
        std::fputs("crypt_bench: the cryptography library cannot start\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures show as they come, even into a file
    QTemporaryDir dir(QDir::tempPath() + u"/crypt-bench-XXXXXX"_s);
    const QString plain = dir.filePath(u"sample.bin"_s);
    const QString encrypted = plain + u".vxp"_s;
    const QString decrypted = dir.filePath(u"decrypted.bin"_s);
    QuietPlatform platform;
    PassRunner runner(platform);
    Window window(runner);
    const QString password = EncryptedFormat::passwordFieldOf(u"bench"_s);
    // --small-files: only the many-small-files figures.
    if (app.arguments().contains(u"--small-files"_s))
        return dir.isValid() ? smallFiles(window, dir.path(), password) : 1;
    if (!dir.isValid() || !makeSample(plain))
        return 1;

    // Each pass is paired with a copy from the same input to the same output name. Before each
    // run the output is gone and its freeing done, so that no run pays for an earlier one.
    const auto settle = [&](const QString& output) {
        QFile::remove(output);
        const int folder = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        ::syncfs(folder);
        ::close(folder);
    };
    struct Figure {
        const char* name;
        SecurityLevel level;
        bool encrypting;
        std::vector<double> seconds;
        std::vector<double> copyTimes;
        std::vector<double> ratios;
        std::vector<double> cpuRatios;
    };
    Figure figures[] = {{"encrypt_high", SecurityLevel::High, true, {}, {}, {}, {}},
                        {"decrypt_high", SecurityLevel::High, false, {}, {}, {}, {}},
                        {"encrypt_low", SecurityLevel::Low, true, {}, {}, {}, {}},
                        {"decrypt_low", SecurityLevel::Low, false, {}, {}, {}, {}}};
    std::vector<double> copies;
    qint64 peak = 0;
    copySeconds(plain, encrypted); // warms the page cache
    for (int round = 0; round < Rounds; ++round) {
        for (Figure& figure : figures) {
            const QString& input = figure.encrypting ? plain : encrypted;
            const QString& output = figure.encrypting ? encrypted : decrypted;
            const Expected<EncryptedHeader> header = CipherPass::readHeader(encrypted);
            settle(output);
            const double copyCpuStart = cpuSeconds();
            figure.copyTimes.push_back(copySeconds(input, output));
            copies.push_back(figure.copyTimes.back());
            const double copyCpu = cpuSeconds() - copyCpuStart;
            settle(output);
            const FileTask task = figure.encrypting
                                      ? FileTask::encryption(figure.level, plain, password, false)
                                      : FileTask::decryption(figure.level, encrypted, decrypted,
                                                             header ? header->savedAttributes : 0, false, password);
            const double passCpuStart = cpuSeconds();
            resetPeak();
            QElapsedTimer clock;
            clock.start();
            window.run({task});
            figure.seconds.push_back(clock.nsecsElapsed() / 1e9);
            figure.ratios.push_back(figure.copyTimes.back() / figure.seconds.back());
            figure.cpuRatios.push_back(copyCpu / (cpuSeconds() - passCpuStart));
            if (!window.failures.isEmpty() || window.outcomes != QList{PassResult::Outcome::Succeeded}) {
                fail("pass", window.failures.join(u'\n'));
                return 1;
            }
            peak = std::max(peak, peakKiB());
        }
    }
    if (QFile(plain).size() != QFile(decrypted).size()) {
        fail("round trip", u"sizes differ"_s);
        return 1;
    }

    const double copyMedian = median(copies);
    print("copy_1GiB_median", copyMedian, "s");
    print("copy_throughput", FileSize / copyMedian / (1 << 20), "MiB/s");
    for (const Figure& figure : figures) {
        std::printf("%s_1GiB_median: %.3f s\n", figure.name, median(figure.seconds));
        std::printf("%s_ratio_to_copy_median: %.3f x\n", figure.name, median(figure.ratios));
        std::printf("%s_ratio_to_copy_worst: %.3f x\n", figure.name,
                    *std::min_element(figure.ratios.begin(), figure.ratios.end()));
        std::printf("%s_ratio_to_copy_best_of_%d: %.3f x\n", figure.name, Rounds,
                    *std::min_element(figure.copyTimes.begin(), figure.copyTimes.end()) /
                        *std::min_element(figure.seconds.begin(), figure.seconds.end()));
        std::printf("%s_cpu_ratio_to_copy_median: %.3f x\n", figure.name, median(figure.cpuRatios));
    }
    print("pass_peak_memory", peak / 1024.0, "MiB");
    print("ui_event_loop_lateness_worst", window.worstLatenessNs / 1e6, "ms");

    // A stop at moments spread over the pass, from the window's thread.
    double worstCancelMs = 0;
    double totalCancelMs = 0;
    const double stopFractions[] = {0.1, 0.3, 0.5, 0.7, 0.9};
    for (const double fraction : stopFractions) {
        settle(encrypted);
        window.run({FileTask::encryption(SecurityLevel::High, plain, password, false)}, fraction);
        const double ms = window.stopLatencyNs / 1e6;
        if (window.outcomes != QList{PassResult::Outcome::Cancelled} || window.stopLatencyNs < 0 ||
            QFile::exists(encrypted)) {
            fail("cancel", u"the pass was not cancelled"_s);
            return 1;
        }
        worstCancelMs = std::max(worstCancelMs, ms);
        totalCancelMs += ms;
    }
    print("cancel_latency_worst", worstCancelMs, "ms");
    print("cancel_latency_mean", totalCancelMs / std::size(stopFractions), "ms");

    QFile::remove(plain);
    QFile::remove(decrypted);
    return smallFiles(window, dir.path(), password);
}
