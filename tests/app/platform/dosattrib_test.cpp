/*
 * Reading "user.DOSATTRIB": the text form and the binary forms other writers leave. The text
 * form written is checked on real files in fileattributes_test.cpp.
 */
#include "dosattrib.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// A binary value as current Samba servers write it: an empty string, padding, the version and
// the union's selector, then the body's 32-bit little-endian fields.
QByteArray binaryForm(quint16 version, std::initializer_list<quint32> body, quint16 selector = 0) {
    QByteArray bytes("\0\0", 2);
    for (quint16 number : {version, selector ? selector : version})
        bytes.append(char(number & 0xFF)).append(char(number >> 8));
    bytes.append("\0\0", 2);
    for (quint32 field : body) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((field >> shift) & 0xFF));
    }
    return bytes;
}

} // namespace

TEST(DosAttrib, ReadsTheTextAndBinaryFormsAndNothingElse) {
    const struct {
        QByteArray stored;
        std::optional<quint32> value;
    } cases[] = {
        {"0xA0", 0xA0},
        {"0x00000027", 0x27},
        {"0xffffffff", 0xFFFFFFFF},
        // An older server's value: the text, its zero byte, then binary fields.
        {QByteArray("0x21\0\0\3\0\3\0\0\0\1\0\0\0\x21\0\0\0", 20), 0x21},
        // Versions 3 to 5 start with the mask of valid fields, version 1 with the value; the
        // fields after the value may be missing.
        {binaryForm(3, {0x11, 0x23, 0, 0, 0, 0}), 0x23},
        {binaryForm(5, {0x11, 0x2006}), 0x2006},
        {binaryForm(1, {0x04}), 0x04},
        {"0x", std::nullopt},
        {"0x100000000", std::nullopt},
        {"0x+2", std::nullopt},
        {"0X22", std::nullopt},
        {binaryForm(2, {0x11, 0x22}), std::nullopt},
        {binaryForm(6, {0x11, 0x22}), std::nullopt},
        {binaryForm(4, {0x11, 0x22}, 3), std::nullopt},
        {binaryForm(4, {0x11}), std::nullopt},
        {QByteArray(1, '\0'), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DosAttrib::decode(c.stored), c.value) << c.stored.toHex().constData();
}
