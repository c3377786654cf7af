/*
 * The ".vxp" header: decoding any bytes, and the writer and reader agreeing. Stored bytes with a
 * known level letter are written again byte for byte; fields the writer is given come back as
 * their 8-character form.
 */
#include "fuzz/fuzzcheck.h"

#include "app/crypt/engine/encryptedformat.h"

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const quint8 choice = input.byte();
    const quint8 attributes = input.byte();
    const QByteArray rest = input.rest();

    // Any stored bytes, of any length, decode without reading past them.
    const EncryptedHeader decoded = EncryptedFormat::decodeHeader(rest);
    const qsizetype stored = std::min<qsizetype>(rest.size(), EncryptedFormat::HeaderSize);
    FUZZ_CHECK(decoded.headerPassword.size() == std::min<qsizetype>(stored, EncryptedFormat::PasswordSize));
    FUZZ_CHECK(decoded.headerLevel.size() == (stored > EncryptedFormat::PasswordSize ? 1 : 0));
    if (stored < EncryptedFormat::HeaderSize)
        FUZZ_CHECK(decoded.savedAttributes == 0);
    for (qsizetype i = 0; i < decoded.headerPassword.size(); ++i)
        FUZZ_CHECK(decoded.headerPassword.at(i).unicode() == 255 - static_cast<quint8>(rest.at(i)));
    if (const std::optional<SecurityLevel> level = decoded.level(); level && stored == EncryptedFormat::HeaderSize)
        FUZZ_CHECK(EncryptedFormat::header(decoded.headerPassword, *level, decoded.savedAttributes) == rest.left(10));

    // Any password through the writer: the reader gives its 8-character form, characters above
    // 255 as "?".
    const QString password = (choice & 1) ? QString::fromUtf8(rest) : QString::fromLatin1(rest);
    const SecurityLevel level = (choice & 2) ? SecurityLevel::Low : SecurityLevel::High;
    const QByteArray written = EncryptedFormat::header(password, level, attributes);
    FUZZ_CHECK(written.size() == EncryptedFormat::HeaderSize);
    const EncryptedHeader reread = EncryptedFormat::decodeHeader(written);
    QString expected = EncryptedFormat::passwordFieldOf(password);
    for (QChar& c : expected) {
        if (c.unicode() > 255)
            c = u'?';
    }
    FUZZ_CHECK(reread.headerPassword == expected);
    FUZZ_CHECK(reread.level() == level);
    FUZZ_CHECK(reread.headerLevel == QString(EncryptedFormat::levelLetter(level)));
    FUZZ_CHECK(reread.savedAttributes == attributes);
    return 0;
}
