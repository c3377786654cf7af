/*
 * Header coding and the body transformation of the encrypted file.
 */
#include "app/crypt/engine/encryptedformat.h"

#include "common/texttransformer.h"

#include <algorithm>

using namespace Qt::StringLiterals;

std::optional<SecurityLevel> EncryptedHeader::level() const {
    if (headerLevel == u"H"_s)
        return SecurityLevel::High;
    if (headerLevel == u"L"_s)
        return SecurityLevel::Low;
    return std::nullopt;
}

bool EncryptedHeader::isStrong() const {
    return headerLevel == u"S"_s;
}

namespace EncryptedFormat {

QString encryptedName(const QString& plainPath) {
    return plainPath + u".vxp"_s;
}

QString plainName(const QString& encryptedPath) {
    return encryptedPath.chopped(std::min<qsizetype>(4, encryptedPath.size()));
}

QString passwordFieldOf(const QString& password) {
    return password.left(PasswordSize).leftJustified(PasswordSize, u' ');
}

bool canStorePassword(const QString& password) {
    const QString field = passwordFieldOf(password);
    return std::all_of(field.cbegin(), field.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QChar levelLetter(SecurityLevel level) {
    return level == SecurityLevel::High ? u'H' : level == SecurityLevel::Low ? u'L' : u'S';
}

QByteArray header(const QString& passwordField, SecurityLevel level, quint8 attributes) {
    QByteArray plain = passwordFieldOf(passwordField).toLatin1();
    plain.append(static_cast<char>(levelLetter(level).unicode()));
    plain.append(static_cast<char>(attributes));
    return TextTransformer::run(plain);
}

EncryptedHeader decodeHeader(const QByteArray& stored) {
    const QByteArray plain = TextTransformer::run(stored.left(HeaderSize));
    EncryptedHeader header;
    header.headerPassword = QString::fromLatin1(plain.left(PasswordSize));
    header.headerLevel = QString::fromLatin1(plain.mid(PasswordSize, 1));
    if (plain.size() > PasswordSize + 1)
        header.savedAttributes = static_cast<quint8>(plain.at(PasswordSize + 1));
    return header;
}

void transformBody(char* data, qint64 size, qint64 bodyOffset, SecurityLevel level) {
    if (level == SecurityLevel::High) {
        TextTransformer::runInPlace(data, size);
        return;
    }
    qint64 done = 0;
    while (done < size) {
        const qint64 inPeriod = (bodyOffset + done) % Period;
        if (inPeriod < TransformedRun) {
            const qint64 run = std::min(TransformedRun - inPeriod, size - done);
            TextTransformer::runInPlace(data + done, run);
            done += run;
        } else {
            done += std::min(Period - inPeriod, size - done);
        }
    }
}

} // namespace EncryptedFormat
