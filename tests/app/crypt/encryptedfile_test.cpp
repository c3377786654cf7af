/*
 * The encrypted-file format on real files: the exact bytes a pass writes and reads back at each
 * level and buffer boundary, and the master-password file's scrambled, private contents.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

using CryptEngineTest = TempEnvTest;

TEST_F(CryptEngineTest, PassesWriteTheExactBytesAndReadThemBack) {
    using enum SecurityLevel;
    constexpr qint64 Buffer = CipherPass::BufferSize;
    LinuxPlatform platform;
    TestObserver observer;
    CipherPass pass{platform, observer};
    const struct {
        QByteArray plain;
        SecurityLevel level;
        QString password;
        quint32 attributes;
        QByteArray stored; // hex; the header alone for a longer file, whose body the model gives
    } cases[] = {
        {QByteArray::fromHex("0041"), High, u"abc"_s, 0,
         "9e9d9cdfdfdfdfdfb7ff"
         "ffbe"},
        {sampleBytes(50), High, u"abcdefghij"_s, 0, "9e9d9c9b9a999897b7ff"},
        {sampleBytes(50), Low, u"abc"_s, Attr::ReadOnly, "9e9d9cdfdfdfdfdfb3fe"},
        {sampleBytes(1), High, u"\u00e9\u00ff"_s, 0, "1600dfdfdfdfdfdfb7ff"}, // a byte per character to U+00FF
        {sampleBytes(50), High, u"abc"_s, Attr::Hidden | Attr::System | Attr::Archive, "9e9d9cdfdfdfdfdfb7d9"},
        // Low-level runs and pass buffers (an encryption's first buffer is shorter by the header).
        {sampleBytes(85001, 2), Low, u"abc"_s, 0, "9e9d9cdfdfdfdfdfb3ff"},
        {sampleBytes(Buffer - 11, 3), Low, u"abc"_s, 0, "9e9d9cdfdfdfdfdfb3ff"},
        {sampleBytes(Buffer + 1, 4), High, u"abc"_s, 0, "9e9d9cdfdfdfdfdfb7ff"},
        {sampleBytes(3 * Buffer + 20001, 5), Low, u"abc"_s, 0, "9e9d9cdfdfdfdfdfb3ff"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.plain.size() << (c.level == High ? " high" : " low"));
        const QString path = makeFile(u"f.bin"_s, c.plain);
        const QString encrypted = path + u".vxp"_s;
        ASSERT_TRUE(platform.setAttributes(path, c.attributes));
        ASSERT_EQ(pass.encryptAtLevel(c.level, path, EncryptedFormat::passwordFieldOf(c.password), true), PassResult{});
        EXPECT_FALSE(QFile::exists(path));
        const QByteArray stored = readAll(encrypted);
        EXPECT_EQ(stored.left(c.stored.size() / 2).toHex(), c.stored);
        const QByteArray header = QByteArray::fromHex(c.stored).left(10);
        const char letter = c.level == High ? 'H' : 'L';
        EXPECT_TRUE(stored.mid(10) == encryptedForm(c.plain, letter).mid(10) && stored.size() == c.plain.size() + 10);

        const Expected<EncryptedHeader> read = CipherPass::readHeader(encrypted);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->headerPassword, EncryptedFormat::passwordFieldOf(c.password));
        EXPECT_EQ(read->savedAttributes, quint8(~header[9]));
        ASSERT_EQ(pass.decryptAtStoredLevel(*read, encrypted, path), PassResult{});
        EXPECT_TRUE(readAll(path) == c.plain);
        platform.setAttributes(path, 0);
        QFile::remove(encrypted);
    }
}

TEST_F(CryptEngineTest, MasterPasswordFileIsWrittenScrambledAndPrivate) {
    using Check = MasterPasswordFile::Check;
    const std::pair<QString, QByteArray> scrambles[] = {
        {u""_s, "0000000000000000"},           {u"abc"_s, "9e9e9e9e9e9e9d9c"},
        {u"a0b"_s, "9e9e9e9e9e9e009d"},        {u"\u00ff\u0100"_s, "00000000000000c0"},
        {u"abcdefghij"_s, "9e9b9a9998979695"}, // the first, then the last 7
    };
    for (const auto& [text, scrambled] : scrambles)
        EXPECT_EQ(MasterPasswordFile::ScrambleMasterPassword(text).toHex(), scrambled) << text.toStdString();

    const MasterPasswordFile file(path(u"config/3DEvez.vxa"_s));
    EXPECT_EQ(file.check(u"000"_s), Check::Matches); // missing: all zeros
    const Expected<void> saved = file.write(u"Secret"_s);
    ASSERT_TRUE(saved) << saved.error().message.toStdString();
    EXPECT_EQ(readAll(file.path()).toHex(), "acacac9a9c8d9a8b");
    EXPECT_EQ(modeOf(file.path()), 0600u);
    EXPECT_EQ(file.check(u"SSSecret"_s), Check::Matches);
    EXPECT_EQ(file.check(u"secret"_s), Check::Differs);
    // A character above 255 is refused, never stored or matched as the "?" it would scramble to.
    ASSERT_TRUE(file.write(u"a?"_s));
    const Expected<void> refused = file.write(u"b\u0100"_s);
    EXPECT_EQ(refused ? QString() : refused.error().message,
              file.path() + u" is unchanged: the new password holds a character that can't be stored."_s);
    EXPECT_EQ(readAll(file.path()).toHex(), "9e9e9e9e9e9e9ec0");
    EXPECT_EQ(file.check(u"a\u0100"_s), Check::Differs);

    // A symbolic link in the file's place is neither followed nor replaced, and its target keeps
    // its mode.
    const QString target = makeFile(u"target"_s, QByteArray("keep"));
    ASSERT_EQ(::chmod(encoded(target).constData(), 0644), 0);
    const MasterPasswordFile linked(path(u"linked.vxa"_s));
    ASSERT_TRUE(QFile::link(target, linked.path()));
    const QString notFollowed = linked.path() + u" is a symbolic link and was left untouched."_s;
    const Expected<Check> checked = linked.check(u"a"_s);
    const Expected<void> written = linked.write(u"a"_s);
    EXPECT_EQ(checked ? QString() : checked.error().message, notFollowed);
    EXPECT_EQ(written ? QString() : written.error().message, notFollowed);
    EXPECT_EQ(readAll(target), "keep");
    EXPECT_EQ(modeOf(target), 0644u);
}
