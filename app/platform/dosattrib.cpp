/*
 * Reading and writing the stored form of attribute values.
 *
 * The binary form is a little-endian NDR structure:
 *   an empty zero-terminated string (one zero byte), padding to an even offset,
 *   a 16-bit version, the same version again as the 16-bit selector of a union,
 *   padding to a multiple of four: the body of that union.
 * Version 1 bodies start with the 32-bit attribute value; versions 3 to 5 start with a 32-bit
 * mask of valid fields, followed by the attribute value. Other versions are not read.
 */
#include "app/platform/dosattrib.h"

#include <QtCore/QtEndian>

#include <cctype>

namespace {

constexpr qsizetype alignedTo(qsizetype offset, qsizetype alignment) {
    return (offset + alignment - 1) / alignment * alignment;
}

quint32 littleEndian32(QByteArrayView bytes, qsizetype offset) {
    return qFromLittleEndian<quint32>(bytes.data() + offset);
}

quint16 littleEndian16(QByteArrayView bytes, qsizetype offset) {
    return qFromLittleEndian<quint16>(bytes.data() + offset);
}

std::optional<quint32> decodeText(QByteArrayView stored) {
    // A writer may end the text with a zero byte and put more after it; the text is what counts.
    const qsizetype end = stored.indexOf('\0');
    const QByteArrayView text = end < 0 ? stored : stored.first(end);
    if (text.size() < 3 || !text.startsWith("0x"))
        return std::nullopt;
    const QByteArrayView digits = text.sliced(2);
    // Only hexadecimal digits belong here (the number parser would also take signs and blanks).
    for (char digit : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(digit)))
            return std::nullopt;
    }
    bool fits = false;
    const uint value = digits.toUInt(&fits, 16);
    if (!fits)
        return std::nullopt;
    return value;
}

std::optional<quint32> decodeBinary(QByteArrayView stored) {
    constexpr qsizetype versionOffset = alignedTo(1, 2);
    constexpr qsizetype selectorOffset = versionOffset + 2;
    constexpr qsizetype bodyOffset = alignedTo(selectorOffset + 2, 4);
    if (stored.size() < bodyOffset)
        return std::nullopt;
    const quint16 version = littleEndian16(stored, versionOffset);
    if (littleEndian16(stored, selectorOffset) != version)
        return std::nullopt;

    qsizetype valueOffset = 0;
    if (version == 1)
        valueOffset = bodyOffset;
    else if (version >= 3 && version <= 5)
        valueOffset = bodyOffset + 4;
    else
        return std::nullopt;
    if (stored.size() < valueOffset + 4)
        return std::nullopt;
    return littleEndian32(stored, valueOffset);
}

} // namespace

std::optional<quint32> DosAttrib::decode(QByteArrayView stored) {
    if (stored.isEmpty())
        return std::nullopt;
    if (stored.front() == '\0')
        return decodeBinary(stored);
    return decodeText(stored);
}

QByteArray DosAttrib::encode(quint32 value) {
    return "0x" + QByteArray::number(value, 16);
}
