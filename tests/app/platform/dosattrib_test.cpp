#include "dosattrib.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A binary value as current Samba servers write it: an empty string, padding, the version twice
// and the body at offset 8, whose fields are given as 32-bit little-endian numbers.
QByteArray binaryForm(quint16 version, std::initializer_list<quint32> body, quint16 selector) {
    QByteArray bytes("\0\0", 2);
    for (quint16 number : {version, selector}) {
        bytes.append(char(number & 0xFF));
        bytes.append(char(number >> 8));
    }
    bytes.append("\0\0", 2);
    for (quint32 field : body) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((field >> shift) & 0xFF));
    }
    return bytes;
}

QByteArray binaryForm(quint16 version, std::initializer_list<quint32> body) {
    return binaryForm(version, body, version);
}

} // namespace

TEST(DosAttrib, WritesLowerCaseHexWithoutLeadingZerosOrTerminator) {
    EXPECT_EQ(DosAttrib::encode(0), QByteArray("0x0"));
    EXPECT_EQ(DosAttrib::encode(0x22), QByteArray("0x22"));
    EXPECT_EQ(DosAttrib::encode(0x1027), QByteArray("0x1027"));
    EXPECT_EQ(DosAttrib::encode(0xABCDEF01), QByteArray("0xabcdef01"));
}

TEST(DosAttrib, ReadsTheTextForm) {
    const struct {
        QByteArray stored;
        std::optional<quint32> value;
    } cases[] = {
        {"0x22", 0x22},
        {"0x0", 0},
        {"0xA0", 0xA0},
        {"0x00000027", 0x27},
        {"0xffffffff", 0xFFFFFFFF},
        {QByteArray("0x20\0", 5), 0x20},
        // An older server's binary value: the text, its zero byte, then the binary fields.
        {QByteArray("0x21\0\0\3\0\3\0\0\0\1\0\0\0\x21\0\0\0", 20), 0x21},
        {"0x", std::nullopt},
        {"0x100000000", std::nullopt},
        {"0x2g", std::nullopt},
        {"0x 2", std::nullopt},
        {"0x+2", std::nullopt},
        {"0X22", std::nullopt},
        {"22", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DosAttrib::decode(c.stored), c.value) << c.stored.toHex().constData();
}

TEST(DosAttrib, ReadsTheBinaryFormsOfVersionsOneAndThreeToFive) {
    // Versions 3 to 5 start their body with the mask of valid fields; version 1 with the value.
    EXPECT_EQ(DosAttrib::decode(binaryForm(3, {0x11, 0x23, 0, 0, 0, 0})), 0x23u);
    EXPECT_EQ(DosAttrib::decode(binaryForm(4, {0x11, 0x2006, 0x12345678, 0x9ABC})), 0x2006u);
    EXPECT_EQ(DosAttrib::decode(binaryForm(5, {0x11, 0x21, 0xDEAD, 0xBEEF})), 0x21u);
    EXPECT_EQ(DosAttrib::decode(binaryForm(1, {0x27, 0x11, 0, 0})), 0x27u);
    // Only the fields up to the value need to be there.
    EXPECT_EQ(DosAttrib::decode(binaryForm(4, {0x11, 0x02})), 0x02u);
    EXPECT_EQ(DosAttrib::decode(binaryForm(1, {0x04})), 0x04u);
}

TEST(DosAttrib, ReadsNothingFromUnknownOrDamagedBinaryValues) {
    const QByteArray cases[] = {
        binaryForm(2, {0x11, 0x22, 0, 0}),
        binaryForm(6, {0x11, 0x22, 0, 0}),
        binaryForm(0xFFFF, {0x22}),
        binaryForm(4, {0x11, 0x22}, 3), // the two version numbers disagree
        binaryForm(4, {0x11}),          // cut before the value
        binaryForm(1, {}),
        binaryForm(4, {0x11, 0x22}).left(15),
        QByteArray("\0\0\4\0\4", 5),
        QByteArray(1, '\0'),
        QByteArray("garbage"),
        QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16),
    };
    for (const QByteArray& stored : cases)
        EXPECT_EQ(DosAttrib::decode(stored), std::nullopt) << stored.toHex().constData();
}
