/*
 * Figures of the encrypted-file passes on a 1 GiB file: the speed of each pass as a ratio to a
 * plain copy that reads and writes the same buffers and flushes to disk the same way (measured
 * in the same run, alternating with the passes), the peak memory of a pass, the longest gap
 * between two observer calls, how long Cancel takes to stop a running pass, and the rate at which
 * many small files are encrypted with delete-original beside a minimal write-flush-delete loop.
 */
#include "cipherpass.h"
#include "platform.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>

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
constexpr int SmallRounds = 3;

// Attributes cost nothing here: the figures are about moving the data.
class QuietPlatform : public Platform {
public:
    std::optional<quint32> attributes(const QString&) const override { return 0; }
    bool setAttributes(const QString&, quint32, QString*) override { return true; }
    bool setOpenFileAttributes(int, quint32, QString*) override { return true; }
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

// Keeps the longest gap between two calls. Given a fraction of the pass, it plays a Cancel click
// that arrives just after the pass has looked: from the first call at or past that fraction, the
// click waits for the pass's next look, as a click between two looks would; the latency counts
// from that first call to the pass's return. The pass itself decides when the click comes, so a
// fast or slow machine never makes the pass end before it.
class TimingObserver : public PassObserver {
public:
    qint64 longestGapNs = 0;
    double cancelAt = 2; // a fraction of the cover's track; beyond 1: never
    QElapsedTimer sinceClick;

    void moveCover(double leftTwips) override { m_fraction = leftTwips / 6200.0; }
    bool cancelRequested() override {
        if (m_clock.isValid())
            longestGapNs = std::max(longestGapNs, m_clock.nsecsElapsed());
        m_clock.start();
        QCoreApplication::processEvents();
        if (sinceClick.isValid())
            return true;
        if (m_fraction >= cancelAt)
            sinceClick.start();
        return false;
    }
    void reset() {
        m_clock.invalidate();
        sinceClick.invalidate();
        m_fraction = 0;
    }

private:
    QElapsedTimer m_clock;
    double m_fraction = 0;
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures show as they come, even into a file
    QTemporaryDir dir(QDir::tempPath() + u"/crypt-bench-XXXXXX"_s);
    const QString plain = dir.filePath(u"sample.bin"_s);
    const QString encrypted = plain + u".vxp"_s;
    const QString decrypted = dir.filePath(u"decrypted.bin"_s);
    if (!dir.isValid() || !makeSample(plain))
        return 1;

    QuietPlatform platform;
    TimingObserver observer;
    CipherPass pass(platform, observer);
    const QString password = EncryptedFormat::PasswordField(u"bench"_s);

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
    qint64 longestGapNs = 0;
    copySeconds(plain, encrypted); // warms the page cache
    for (int round = 0; round < Rounds; ++round) {
        for (Figure& figure : figures) {
            const QString& input = figure.encrypting ? plain : encrypted;
            const QString& output = figure.encrypting ? encrypted : decrypted;
            const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(encrypted);
            settle(output);
            const double copyCpuStart = cpuSeconds();
            figure.copyTimes.push_back(copySeconds(input, output));
            copies.push_back(figure.copyTimes.back());
            const double copyCpu = cpuSeconds() - copyCpuStart;
            settle(output);
            const double passCpuStart = cpuSeconds();
            observer.reset();
            resetPeak();
            QElapsedTimer clock;
            clock.start();
            const PassResult result = figure.encrypting
                                          ? pass.EncryptBySecurityLevel(figure.level, plain, password, false)
                                          : pass.DecryptByStoredLevel(*header, encrypted, decrypted);
            figure.seconds.push_back(clock.nsecsElapsed() / 1e9);
            figure.ratios.push_back(figure.copyTimes.back() / figure.seconds.back());
            figure.cpuRatios.push_back(copyCpu / (cpuSeconds() - passCpuStart));
            if (result.outcome != PassResult::Outcome::Succeeded) {
                fail("pass", result.error);
                return 1;
            }
            peak = std::max(peak, peakKiB());
            longestGapNs = std::max(longestGapNs, observer.longestGapNs);
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
    print("longest_observer_gap", longestGapNs / 1e6, "ms");

    // Cancel at moments spread over the pass.
    double worstCancelMs = 0;
    double totalCancelMs = 0;
    const double cancelFractions[] = {0.1, 0.3, 0.5, 0.7, 0.9};
    for (const double fraction : cancelFractions) {
        settle(encrypted);
        observer.reset();
        observer.cancelAt = fraction;
        const PassResult result = pass.EncryptBySecurityLevel(SecurityLevel::High, plain, password, false);
        const double ms = observer.sinceClick.nsecsElapsed() / 1e6;
        observer.cancelAt = 2;
        if (result.outcome != PassResult::Outcome::Cancelled || QFile::exists(encrypted)) {
            fail("cancel", u"the pass ended with outcome %1 %2"_s.arg(int(result.outcome)).arg(result.error));
            return 1;
        }
        worstCancelMs = std::max(worstCancelMs, ms);
        totalCancelMs += ms;
    }
    print("cancel_latency_worst", worstCancelMs, "ms");
    print("cancel_latency_mean", totalCancelMs / std::size(cancelFractions), "ms");

    // Many small files: the pass with delete-original beside the least a program must do to
    // replace a file by another safely: write it, flush it and delete the first.
    QFile::remove(plain);
    QFile::remove(decrypted);
    const QString small = dir.filePath(u"small"_s);
    QDir().mkpath(small);
    const QByteArray content = QByteArray(SmallSize, 'x');
    const auto makeSmallFiles = [&] {
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
    // The loop, and the same loop flushing the folder after each new file as a rename into place
    // must: the share of the pass's cost that the safe design itself takes.
    std::vector<char> buffer(SmallSize + 10);
    const auto loopRate = [&](bool flushFolder) -> double {
        if (!makeSmallFiles())
            return -1;
        const int folder = ::open(QFile::encodeName(small).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < SmallFiles; ++i) {
            const QByteArray name = QFile::encodeName(small + u"/f"_s + QString::number(i));
            const int in = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
            const int out =
                ::open(QByteArray(name + ".vxp").constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            const ssize_t n = ::read(in, buffer.data(), SmallSize);
            if (in < 0 || out < 0 || n != SmallSize || ::write(out, buffer.data(), SmallSize + 10) != SmallSize + 10 ||
                ::fsync(out) != 0 || ::close(out) != 0 || (flushFolder && ::fsync(folder) != 0) ||
                ::unlink(name.constData()) != 0) {
                fail("small loop", qt_error_string(errno));
                return -1;
            }
            ::close(in);
        }
        const double rate = SmallFiles / (clock.nsecsElapsed() / 1e9);
        ::close(folder);
        for (const QString& name : QDir(small).entryList(QDir::Files))
            QFile::remove(small + u'/' + name);
        return rate;
    };
    std::vector<double> loopRates;
    std::vector<double> flushedLoopRates;
    std::vector<double> passRates;
    for (int round = 0; round < SmallRounds; ++round) {
        loopRates.push_back(loopRate(false));
        flushedLoopRates.push_back(loopRate(true));
        if (loopRates.back() < 0 || flushedLoopRates.back() < 0 || !makeSmallFiles())
            return 1;
        observer.reset();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < SmallFiles; ++i) {
            const PassResult result =
                pass.EncryptBySecurityLevel(SecurityLevel::High, small + u"/f"_s + QString::number(i), password, true);
            if (result.outcome != PassResult::Outcome::Succeeded) {
                fail("small pass", result.error);
                return 1;
            }
        }
        passRates.push_back(SmallFiles / (clock.nsecsElapsed() / 1e9));
        for (const QString& name : QDir(small).entryList(QDir::Files))
            QFile::remove(small + u'/' + name);
    }
    print("small_files_loop_median", median(loopRates), "files/s");
    print("small_files_loop_folder_flushed_median", median(flushedLoopRates), "files/s");
    print("small_files_encrypt_delete_median", median(passRates), "files/s");
    print("small_files_ratio_to_loop_median", median(passRates) / median(loopRates), "x");
    print("small_files_ratio_to_folder_flushed_loop_median", median(passRates) / median(flushedLoopRates), "x");
    return 0;
}
