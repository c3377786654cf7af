/*
 * Writing and reading hot-list files.
 */
#include "app/lists/engine/hotlistfile.h"

#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "common/texttransformer.h"

#include <QtCore/QFile>

#include <cerrno>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

constexpr char Quote = '"';
constexpr QByteArrayView LineEnd = "\r\n";
// No list within the limits is longer: every line holds at least one entry.
constexpr qint64 LongestFile =
    qint64(HotListFile::Limits{}.entries) * (HotListFile::Limits{}.lineBytes + LineEnd.size());

bool isDelimiter(char c) {
    return c == ',' || c == '\r' || c == '\n';
}

// Where the field that stops at pos ends its line or its comma: just past the delimiter.
qsizetype pastDelimiter(const QByteArray& content, qsizetype pos) {
    if (pos >= content.size())
        return pos;
    if (content.at(pos) == '\r' && pos + 1 < content.size() && content.at(pos + 1) == '\n')
        return pos + 2;
    return pos + 1;
}

// The first position from pos on, before end, whose byte satisfies found; end when there is none.
template <typename Found> qsizetype firstWhere(const QByteArray& content, qsizetype pos, qsizetype end, Found found) {
    while (pos < end && !found(content.at(pos)))
        ++pos;
    return pos;
}

} // namespace

namespace HotListFile {

QString folder(const QString& dataFolder) {
    return dataFolder + u"/MyList"_s;
}

QString listPath(const QString& folder, const QString& listName) {
    return folder + u'/' + listName + u".vexa"_s;
}

Expected<QByteArray, Refusal> format(const QStringList& entries, const Limits& limits) {
    const auto refuse = [](Refusal::Reason reason, const QString& entry = {}) {
        return Unexpected(Refusal{reason, entry});
    };
    if (entries.size() > limits.entries)
        return refuse(Refusal::TooManyEntries);
    QByteArray content;
    for (const QString& entry : entries) {
        const QByteArray line = TextTransformer::run(QFile::encodeName(entry));
        // A quoted field ends at the next quote, and no field spans a line end.
        if (line.contains(Quote) || line.contains('\r') || line.contains('\n'))
            return refuse(Refusal::UnstorableEntry, entry);
        // Unquoted, a comma would split the entry in two and leading blanks would be lost.
        const bool quoted = line.contains(',') || line.startsWith(' ');
        if (line.size() + (quoted ? 2 : 0) > limits.lineBytes)
            return refuse(Refusal::LineTooLong, entry);
        if (quoted)
            content += Quote + line + Quote;
        else
            content += line;
        content += LineEnd;
    }
    return content;
}

Expected<QStringList, Refusal> parse(const QByteArray& content, const Limits& limits) {
    const auto refuse = [](Refusal::Reason reason) { return Unexpected(Refusal{reason, {}}); };
    const auto notBlank = [](char c) { return c != ' '; };
    QStringList entries;
    qsizetype pos = 0;
    qsizetype lineStart = 0;
    while (pos < content.size()) {
        if (entries.size() >= limits.entries)
            return refuse(Refusal::TooManyEntries);
        // No search runs past one byte beyond the line's bound: a field that reaches it makes the
        // line too long, however far the field would go.
        const qsizetype end =
            content.size() - lineStart > limits.lineBytes ? lineStart + limits.lineBytes + 1 : content.size();
        pos = firstWhere(content, pos, end, notBlank);
        qsizetype fieldStart = pos;
        qsizetype fieldEnd = 0;
        if (pos < end && content.at(pos) == Quote) {
            fieldStart = pos + 1;
            fieldEnd = firstWhere(content, fieldStart, end, [](char c) { return c == Quote; });
            // Whatever follows the closing quote up to the delimiter belongs to no field.
            pos = fieldEnd < end ? firstWhere(content, fieldEnd + 1, end, isDelimiter) : end;
        } else {
            fieldEnd = pos = firstWhere(content, pos, end, isDelimiter);
        }
        // The line's bytes so far: up to its line end, or through the comma after this field.
        const bool comma = pos < content.size() && content.at(pos) == ',';
        if (pos + (comma ? 1 : 0) - lineStart > limits.lineBytes)
            return refuse(Refusal::LineTooLong);
        entries.append(QFile::decodeName(TextTransformer::run(content.mid(fieldStart, fieldEnd - fieldStart))));
        pos = pastDelimiter(content, pos);
        if (!comma)
            lineStart = pos;
    }
    return entries;
}

Expected<QStringList> read(const QString& path) {
    const Expected<Descriptor> file = FileIo::openForReading(path);
    if (!file)
        return unexpected(file.error());
    const Expected<FileIo::FileIdentity> identity = FileIo::FileIdentity::of(file->fd());
    if (!identity)
        return unexpected(identity.error());
    const QString notOpened = u" The list is not opened."_s;
    if (identity->size > LongestFile)
        return unexpected({u"is larger than %1 bytes; no hot list is that large."_s.arg(LongestFile) + notOpened});
    const Expected<QByteArray> content = FileIo::readAll(file->fd(), LongestFile);
    if (!content)
        return unexpected(content.error());
    Expected<QStringList, Refusal> entries = parse(*content);
    if (!entries) {
        const Limits limits;
        const QString reason =
            entries.error().reason == Refusal::TooManyEntries
                ? u"holds more than %1 entries; a hot list holds at most %1."_s.arg(limits.entries)
                : u"has a line longer than %1 bytes; a hot list's lines hold at most %1."_s.arg(limits.lineBytes);
        return unexpected({reason + notOpened});
    }
    return *std::move(entries);
}

Expected<void> write(const QString& path, const QByteArray& content) {
    AsideFile file(path);
    if (Expected<void> opened = file.open(); !opened)
        return opened;
    if (Expected<void> written = FileIo::writeFully(file.fd(), content.constData(), content.size()); !written)
        return written;
    return file.commit();
}

} // namespace HotListFile
