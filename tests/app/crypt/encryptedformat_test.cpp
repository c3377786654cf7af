/*
 * The byte transformation, the password field and the header coding of encrypted files.
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
    ASSERT_EQ(transformed.size(), 256);
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(static_cast<unsigned char>(transformed[code]), 255 - code);
    EXPECT_EQ(TextTransformer::run(transformed), all);
}

TEST(EncryptedFormat, PasswordFieldIsCutOrPaddedToEight) {
    EXPECT_EQ(EncryptedFormat::PasswordField(u"abc"_s), u"abc     "_s);
    EXPECT_EQ(EncryptedFormat::PasswordField(u"abcdefgh"_s), u"abcdefgh"_s);
    EXPECT_EQ(EncryptedFormat::PasswordField(u"abcdefghij"_s), u"abcdefgh"_s);
}

TEST(EncryptedFormat, NamesTheFileEachWayWrites) {
    EXPECT_EQ(EncryptedFormat::encryptedName(u"/d/a.txt"_s), u"/d/a.txt.vxp"_s);
    EXPECT_EQ(EncryptedFormat::plainName(u"/d/a.txt.vxp"_s), u"/d/a.txt"_s);
    // The last 4 characters go whatever they are, as the commands have always cut them.
    EXPECT_EQ(EncryptedFormat::plainName(u"/d/b.VXP"_s), u"/d/b"_s);
}

TEST(EncryptedFormat, HeaderBytesAreComplemented) {
    // "abc" + 5 spaces, the level letter, Archive.
    const QByteArray high = EncryptedFormat::header(u"abc"_s, SecurityLevel::High, 32);
    EXPECT_EQ(high, QByteArray::fromHex("9e9d9cdfdfdfdfdfb7df"));
    const QByteArray low = EncryptedFormat::header(u"abc"_s, SecurityLevel::Low, 1);
    EXPECT_EQ(low, QByteArray::fromHex("9e9d9cdfdfdfdfdfb3fe"));
    // Latin-1: one byte per character, é (0xE9) stored as 0x16.
    EXPECT_EQ(EncryptedFormat::header(u"\u00e9"_s, SecurityLevel::High, 0).at(0), '\x16');
}

TEST(EncryptedFormat, DecodesWhatItEncodes) {
    const EncryptedHeader header =
        EncryptedFormat::decodeHeader(EncryptedFormat::header(u"Pa\u00dfwort9"_s, SecurityLevel::Low, 7));
    EXPECT_EQ(header.HeaderPassword, u"Pa\u00dfwort9"_s.left(8));
    EXPECT_EQ(header.HeaderLevel, u"L"_s);
    EXPECT_EQ(header.SavedAttributes, 7);
    EXPECT_EQ(header.level(), SecurityLevel::Low);
}

TEST(EncryptedFormat, OnlyHAndLNameALevel) {
    EncryptedHeader header;
    for (const QString& letter : {u"h"_s, u"X"_s, u""_s, u"\u00ff"_s}) {
        header.HeaderLevel = letter;
        EXPECT_EQ(header.level(), std::nullopt) << letter.toStdString();
    }
    header.HeaderLevel = u"H"_s;
    EXPECT_EQ(header.level(), SecurityLevel::High);
}

TEST(EncryptedFormat, LowSecurityBodyDoesNotDependOnHowItIsCut) {
    // Three periods and a bit, cut into pieces that start and end inside both kinds of run.
    QByteArray whole(3 * EncryptedFormat::Period + 777, '\x5a');
    QByteArray pieces = whole;
    EncryptedFormat::transformBody(whole.data(), whole.size(), 0, SecurityLevel::Low);
    const qint64 cuts[] = {0, 1, 19999, 20001, 84999, 85000, 170001, 200000, pieces.size()};
    for (size_t i = 0; i + 1 < std::size(cuts); ++i)
        EncryptedFormat::transformBody(pieces.data() + cuts[i], cuts[i + 1] - cuts[i], cuts[i], SecurityLevel::Low);
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(whole.at(19999), '\xa5');
    EXPECT_EQ(whole.at(20000), '\x5a');
    EXPECT_EQ(whole.at(85000), '\xa5');
    EXPECT_EQ(whole.at(3 * EncryptedFormat::Period + 776), '\xa5');
}
