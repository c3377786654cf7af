/*
 * The byte transformation and the header coding of encrypted files.
 */
#include "encryptedformat.h"
#include "texttransformer.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextTransformer, ComplementsEveryByteAndUndoesItself) {
    QByteArray all;
    for (int code = 0; code < 256; ++code)
        all.append(static_cast<char>(code));
    const QByteArray transformed = TextTransformer::run(all);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(static_cast<unsigned char>(transformed[code]), 255 - code);
    EXPECT_EQ(TextTransformer::run(transformed), all);
}

TEST(EncryptedFormat, HeaderHoldsLatin1AndDecodesBack) {
    // One byte per character: é (0xE9) is stored as 0x16.
    EXPECT_EQ(EncryptedFormat::header(u"\u00e9"_s, SecurityLevel::High, 0).at(0), '\x16');
    const EncryptedHeader header =
        EncryptedFormat::decodeHeader(EncryptedFormat::header(u"Pa\u00dfwort9"_s, SecurityLevel::Low, 7));
    EXPECT_EQ(header.HeaderPassword, u"Pa\u00dfwort9"_s);
    EXPECT_EQ(header.SavedAttributes, 7);
    EXPECT_EQ(header.level(), SecurityLevel::Low);

    // Only "H" and "L" name a level.
    for (const QString& letter : {u"h"_s, u"X"_s, u""_s}) {
        EncryptedHeader damaged{header.HeaderPassword, letter, 0};
        EXPECT_EQ(damaged.level(), std::nullopt) << letter.toStdString();
    }
}
