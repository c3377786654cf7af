/*
 * Writing lines to the two streams.
 */
#include "cli/console.h"

#include "app/platform/filenames.h"

#include <QtCore/QJsonDocument>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool isControl(char16_t unit) {
    return unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
}

QString escaped(const QString& line) {
    if (std::none_of(line.cbegin(), line.cend(), [](QChar each) { return isControl(each.unicode()); }))
        return line;
    QString text;
    for (const QChar each : line) {
        const char16_t unit = each.unicode();
        if (unit == u'\x1b')
            text += u"\\e"_s;
        else if (unit == u'\n')
            text += u"\\n"_s;
        else if (unit == u'\t')
            text += u"\\t"_s;
        else if (isControl(unit))
            for (const char byte : QString(each).toUtf8())
                text += QString::asprintf("\\x%02x", uchar(byte));
        else
            text += each;
    }
    return text;
}

} // namespace

namespace Console {

void result(const QString& line) {
    const QByteArray bytes = escaped(line).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void message(const QString& line) {
    const QByteArray bytes = escaped(u"vexa: "_s + line).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString nameText(const QByteArray& bytes) {
    QString text;
    for (qsizetype at = 0; at < bytes.size();) {
        const uchar lead = uchar(bytes[at]);
        const qsizetype length = lead < 0x80   ? 1
                                 : lead < 0xC2 ? 0
                                 : lead < 0xE0 ? 2
                                 : lead < 0xF0 ? 3
                                 : lead < 0xF5 ? 4
                                               : 0;
        const QByteArray sequence = bytes.mid(at, length);
        if (length > 0 && sequence.size() == length && FileNames::survivesDecoding(sequence)) {
            text += QString::fromUtf8(sequence);
            at += length;
        } else {
            text += QString::asprintf("\\x%02x", lead);
            ++at;
        }
    }
    return text;
}

QString jsonLine(const QJsonObject& object) {
    // The writer escapes the characters below U+0020 itself, but not DEL and U+0080 to U+009F.
    const QString written = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    QString text;
    for (const QChar each : written)
        text += isControl(each.unicode()) ? QString::asprintf("\\u%04x", each.unicode()) : QString(each);
    return text;
}

bool errorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

QString unusableNameText() {
    return u"the name is not valid UTF-8 here and cannot be given back exactly; rename it first"_s;
}

} // namespace Console
