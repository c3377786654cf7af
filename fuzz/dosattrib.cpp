/*
 * Attribute values as stored: any bytes decode or are refused without reading past them; the
 * text form written reads back as the value; a binary form built from the input reads as the
 * value it holds; and a text form that reads is written again as its canonical text.
 */
#include "fuzz/fuzzcheck.h"

#include "app/platform/dosattrib.h"

#include <QtCore/QtEndian>

namespace {

quint32 value32(FuzzInput& input) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | input.byte();
    return value;
}

// The binary form: an empty string, padding, version and selector, padding to four, then the
// body (a valid-fields mask first for versions 3 to 5).
QByteArray binaryForm(quint16 version, quint16 selector, quint32 value) {
    QByteArray stored(2, '\0');
    char half[2];
    qToLittleEndian(version, half);
    stored.append(half, 2);
    qToLittleEndian(selector, half);
    stored.append(half, 2);
    stored.append(2, '\0');
    if (version >= 3)
        stored.append(4, '\x7f');
    char word[4];
    qToLittleEndian(value, word);
    stored.append(word, 4);
    return stored;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Any stored bytes, read in place (a view, so a read past the end shows).
    const std::optional<quint32> decoded = DosAttrib::decode(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (decoded) {
        const QByteArray canonical = DosAttrib::encode(*decoded);
        FUZZ_CHECK(DosAttrib::decode(canonical) == decoded);
        if (size > 0 && data[0] != 0) {
            // A text form: the digits after "0x" name the same number as the canonical ones.
            QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
            if (const qsizetype end = text.indexOf('\0'); end >= 0)
                text.truncate(end);
            const QByteArray digits = text.mid(2);
            bool fits = false;
            FUZZ_CHECK(digits.toUInt(&fits, 16) == *decoded && fits);
        }
    }

    FuzzInput input(data, size);
    const quint32 value = value32(input);
    const QByteArray text = DosAttrib::encode(value);
    FUZZ_CHECK(text.startsWith("0x") && !text.contains('\0'));
    FUZZ_CHECK(text.size() == 3 || text.at(2) != '0');
    FUZZ_CHECK(text == text.toLower());
    FUZZ_CHECK(DosAttrib::decode(text) == value);
    // An older writer's zero byte and whatever follows it change nothing.
    FUZZ_CHECK(DosAttrib::decode(QByteArray(text + '\0' + input.until('\n'))) == value);

    const quint16 version = input.byte() % 8;
    const quint16 selector = (input.byte() & 1) ? version : quint16(version + 1);
    const QByteArray binary = binaryForm(version, selector, value);
    const bool known = selector == version && (version == 1 || (version >= 3 && version <= 5));
    FUZZ_CHECK(DosAttrib::decode(binary) == (known ? std::optional<quint32>(value) : std::nullopt));
    // Cut short anywhere, the binary form is refused.
    const qsizetype cut = input.byte() % binary.size();
    FUZZ_CHECK(!DosAttrib::decode(binary.left(cut)));
    return 0;
}
