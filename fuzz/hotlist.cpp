/*
 * Hot-list files: any content parses (quotes, commas, blanks, lines of any length), and entries
 * written by the writer read back the same. The input is taken both as a file's content and as
 * the entries of a list, one per zero byte; one input in 64 is also made into one huge line (its
 * bytes without commas and line ends, repeated to 64 KiB or more), which must read as one entry.
 */
#include "fuzzcheck.h"

#include "hotlistfile.h"

#include <QtCore/QFile>

namespace {

// Writes entries and reads them back; when the writer refuses, names an entry it could not keep.
void checkRoundTrip(const QStringList& entries) {
    QString unstorable;
    const std::optional<QByteArray> content = HotListFile::Format(entries, &unstorable);
    if (!content) {
        FUZZ_CHECK(entries.contains(unstorable));
        return;
    }
    FUZZ_CHECK(HotListFile::Parse(*content) == entries);
}

// Every field takes at least one byte, and what was read survives being saved again.
void checkContent(const QByteArray& bytes) {
    const QStringList read = HotListFile::Parse(bytes);
    FUZZ_CHECK(read.size() <= bytes.size());
    FUZZ_CHECK(bytes.isEmpty() == read.isEmpty());
    checkRoundTrip(read);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    checkContent(bytes);
    if (!bytes.isEmpty() && static_cast<quint8>(bytes.front()) % 64 == 0) {
        const QByteArray line = QByteArray(bytes).replace(',', "").replace('\r', "").replace('\n', "");
        const QByteArray huge = line.repeated(64 * 1024 / std::max<qsizetype>(1, line.size()) + 1);
        FUZZ_CHECK(HotListFile::Parse(huge).size() == (huge.isEmpty() ? 0 : 1));
        checkContent(huge + "\r\n");
    }

    // As entries: any path the file system could give.
    QStringList entries;
    FuzzInput input(data, size);
    while (!input.isEmpty())
        entries.append(QFile::decodeName(input.until('\0')));
    checkRoundTrip(entries);
    return 0;
}
