/*
 * Writing and reading hot-list files.
 */
#include "hotlistfile.h"

#include "asidefile.h"
#include "fileio.h"
#include "texttransformer.h"

#include <QtCore/QFile>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

constexpr char Quote = '"';
// Far beyond any list a user keeps; a file longer than this is not a hot list.
constexpr qint64 LongestFile = qint64(256) << 20;
constexpr QByteArrayView LineEnd = "\r\n";

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

qsizetype nextDelimiter(const QByteArray& content, qsizetype pos) {
    while (pos < content.size() && !isDelimiter(content.at(pos)))
        ++pos;
    return pos;
}

// An error text for the caller, and the failure value.
template <typename Result> Result failWith(QString* error, const QString& text) {
    if (error)
        *error = text;
    return Result{};
}

} // namespace

namespace HotListFile {

QString Folder(const QString& dataFolder) {
    return dataFolder + u"/MyList"_s;
}

QString PathOf(const QString& folder, const QString& listName) {
    return folder + u'/' + listName + u".vexa"_s;
}

std::optional<QByteArray> Format(const QStringList& entries, QString* unstorable) {
    QByteArray content;
    for (const QString& entry : entries) {
        const QByteArray line = TextTransformer::run(QFile::encodeName(entry));
        // A quoted field ends at the next quote, and no field spans a line end.
        if (line.contains(Quote) || line.contains('\r') || line.contains('\n'))
            return failWith<std::optional<QByteArray>>(unstorable, entry);
        // Unquoted, a comma would split the entry in two and leading blanks would be lost.
        if (line.contains(',') || line.startsWith(' '))
            content += Quote + line + Quote;
        else
            content += line;
        content += LineEnd;
    }
    return content;
}

QStringList Parse(const QByteArray& content) {
    QStringList entries;
    qsizetype pos = 0;
    while (pos < content.size()) {
        while (pos < content.size() && content.at(pos) == ' ')
            ++pos;
        QByteArray field;
        if (pos < content.size() && content.at(pos) == Quote) {
            qsizetype close = content.indexOf(Quote, pos + 1);
            if (close < 0)
                close = content.size();
            field = content.mid(pos + 1, close - pos - 1);
            // Whatever follows the closing quote up to the delimiter belongs to no field.
            pos = nextDelimiter(content, close + 1);
        } else {
            const qsizetype end = nextDelimiter(content, pos);
            field = content.mid(pos, end - pos);
            pos = end;
        }
        pos = pastDelimiter(content, pos);
        entries.append(QFile::decodeName(TextTransformer::run(field)));
    }
    return entries;
}

std::optional<QStringList> Read(const QString& path, QString* error) {
    const Descriptor file = FileIo::openForReading(path, error);
    if (!file.isOpen())
        return std::nullopt;
    const std::optional<QByteArray> content = FileIo::readAll(file.fd(), LongestFile, error);
    if (!content)
        return std::nullopt;
    return Parse(*content);
}

bool Write(const QString& path, const QByteArray& content, QString* error) {
    AsideFile file(path);
    if (!file.open(error))
        return false;
    if (!FileIo::writeFully(file.fd(), content.constData(), content.size()))
        return FileIo::failWithCode(error, errno);
    return file.commit(error);
}

} // namespace HotListFile
