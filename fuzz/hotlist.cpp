/*
 * Hot-list files: any content parses (quotes, commas, blanks, lines of any length) or is refused at
 * a bound, and writer and reader agree on the bounds: entries written read back the same, and a
 * list the reader would refuse is refused by the writer. Each input is checked under the file's
 * own limits and under small ones taken from its first byte, which short inputs reach. The input
 * is taken both as a file's content and as the entries of a list, one per zero byte; one input in
 * 64 is also made into one huge line (its bytes without commas and line ends, repeated to 64 KiB
 * or more), which reads as one entry and is refused under the file's limits.
 */
#include "fuzz/fuzzcheck.h"

#include "app/lists/engine/hotlistfile.h"

#include <QtCore/QFile>

#include <limits>

namespace {

using HotListFile::Limits;
using HotListFile::Refusal;

constexpr Limits Unlimited{std::numeric_limits<qsizetype>::max(), std::numeric_limits<qsizetype>::max()};

// The longest run of bytes between line ends: the line length for content without quotes.
qsizetype longestLine(const QByteArray& bytes) {
    qsizetype longest = 0;
    qsizetype start = 0;
    for (qsizetype pos = 0; pos <= bytes.size(); ++pos) {
        if (pos == bytes.size() || bytes.at(pos) == '\r' || bytes.at(pos) == '\n') {
            longest = std::max(longest, pos - start);
            start = pos + 1;
        }
    }
    return longest;
}

// Writes entries and reads them back. A refusal names an entry the writer could not keep, or the
// list is one the reader refuses: written without limits, it does not read back within them.
void checkRoundTrip(const QStringList& entries, const Limits& limits) {
    const Expected<QByteArray, Refusal> content = HotListFile::format(entries, limits);
    if (content) {
        FUZZ_CHECK(HotListFile::parse(*content, limits) == entries);
        return;
    }
    const Refusal& refusal = content.error();
    if (refusal.reason == Refusal::TooManyEntries)
        FUZZ_CHECK(entries.size() > limits.entries);
    else
        FUZZ_CHECK(entries.contains(refusal.entry));
    if (refusal.reason == Refusal::UnstorableEntry)
        return;
    if (const Expected<QByteArray, Refusal> unlimited = HotListFile::format(entries, Unlimited))
        FUZZ_CHECK(!HotListFile::parse(*unlimited, limits));
}

// Every field takes at least one byte, the limits refuse a file or leave its entries as they are,
// and what was read survives being saved again.
void checkContent(const QByteArray& bytes, const Limits& limits) {
    const Expected<QStringList, Refusal> all = HotListFile::parse(bytes, Unlimited);
    FUZZ_CHECK(all);
    FUZZ_CHECK(all->size() <= bytes.size());
    FUZZ_CHECK(bytes.isEmpty() == all->isEmpty());
    const Expected<QStringList, Refusal> read = HotListFile::parse(bytes, limits);
    if (read)
        FUZZ_CHECK(*read == *all);
    else if (read.error().reason == Refusal::TooManyEntries)
        FUZZ_CHECK(all->size() > limits.entries && !HotListFile::format(*all, limits));
    // Without quotes no field runs past a line end, so a line is what lies between line ends.
    if (!bytes.contains('"') && (read || read.error().reason == Refusal::LineTooLong))
        FUZZ_CHECK(!read == (longestLine(bytes) > limits.lineBytes));
    checkRoundTrip(*all, limits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const quint8 first = bytes.isEmpty() ? 0 : static_cast<quint8>(bytes.front());
    const Limits small{1 + first % 16, first / 16 * 8};

    for (const Limits& limits : {Limits{}, small}) {
        checkContent(bytes, limits);
        // As entries: any path the file system could give.
        QStringList entries;
        FuzzInput input(data, size);
        while (!input.isEmpty())
            entries.append(QFile::decodeName(input.until('\0')));
        checkRoundTrip(entries, limits);
    }

    if (first % 64 == 0 && !bytes.isEmpty()) {
        const QByteArray line = QByteArray(bytes).replace(',', "").replace('\r', "").replace('\n', "");
        const QByteArray huge = line.repeated(64 * 1024 / std::max<qsizetype>(1, line.size()) + 1);
        FUZZ_CHECK(HotListFile::parse(huge, Unlimited)->size() == (huge.isEmpty() ? 0 : 1));
        const Expected<QStringList, Refusal> refused = HotListFile::parse(huge);
        FUZZ_CHECK(huge.isEmpty() || (!refused && refused.error().reason == Refusal::LineTooLong));
        checkContent(huge + "\r\n", Limits{});
    }
    return 0;
}
