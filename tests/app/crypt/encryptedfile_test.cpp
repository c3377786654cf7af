/*
 * The encrypted-file format on real files: the exact bytes a pass writes and reads back at each
 * level and buffer boundary, and the master-password file's scrambled, private contents.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/masterpasswordfile.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/tempenv.h"

#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>

#include <optional>
#include <utility>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Bytes without a short period, so that a block landing at a wrong offset shows.
QByteArray sample(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(static_cast<quint32>(size));
    for (char& byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

struct NoObserver : PassObserver {
    void moveCover(double) override {}
    bool cancelRequested() override { return false; }
};

} // namespace

using CryptEngineTest = TempEnvTest;

TEST_F(CryptEngineTest, PassesWriteTheExactBytesAndReadThemBack) {
    using enum SecurityLevel;
    constexpr qint64 Buffer = CipherPass::BufferSize;
    LinuxPlatform platform;
    NoObserver observer;
    CipherPass pass{platform, observer};
    const struct {
        qint64 size;
        SecurityLevel level;
        QString password;
        quint32 attributes;
        QByteArray header; // the password field, the level letter and the attribute value
    } cases[] = {
        {1, High, u"abc"_s, 0, QByteArray::fromHex("9e9d9cdfdfdfdfdfb7ff")},
        {1, Low, u"abc"_s, 0, QByteArray::fromHex("9e9d9cdfdfdfdfdfb3ff")},
        {50, High, u"abcdefghij"_s, 0, QByteArray::fromHex("9e9d9c9b9a999897b7ff")},
        {50, Low, u"abc"_s, Attr::ReadOnly, QByteArray::fromHex("9e9d9cdfdfdfdfdfb3fe")},
        {1, High, u"\u00e9"_s, 0, QByteArray::fromHex("16dfdfdfdfdfdfdfb7ff")}, // one byte per character
        {50, High, u"abc"_s, Attr::Hidden | Attr::Archive | 0x2000, QByteArray::fromHex("9e9d9cdfdfdfdfdfb7dd")},
        // Low-level runs and pass buffers (an encryption's first buffer is shorter by the header).
        {85001, Low, u"abc"_s, 0, {}},
        {Buffer - 11, Low, u"abc"_s, 0, {}},
        {Buffer + 1, High, u"abc"_s, 0, {}},
        {2 * Buffer + 20001, Low, u"abc"_s, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << (c.level == High ? " high" : " low"));
        const QByteArray plain = sample(c.size);
        const QString path = makeFile(u"f.bin"_s, plain);
        const QString encrypted = path + u".vxp"_s;
        ASSERT_TRUE(platform.setAttributes(path, c.attributes));
        ASSERT_EQ(pass.encryptAtLevel(c.level, path, EncryptedFormat::passwordFieldOf(c.password), true), PassResult{});
        EXPECT_FALSE(QFile::exists(path));
        const QByteArray stored = readAll(encrypted);
        ASSERT_EQ(stored.size(), c.size + 10);
        if (!c.header.isEmpty()) {
            EXPECT_EQ(stored.left(10).toHex(), c.header.toHex());
        }
        // Low security complements only the first 20000 bytes of every 85000.
        QByteArray body = plain;
        for (qint64 i = 0; i < body.size(); ++i) {
            if (c.level == High || i % 85000 < 20000)
                body[i] = static_cast<char>(~body[i]);
        }
        EXPECT_TRUE(stored.mid(10) == body);

        const Expected<EncryptedHeader> header = CipherPass::readHeader(encrypted);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->headerPassword, EncryptedFormat::passwordFieldOf(c.password));
        ASSERT_EQ(pass.decryptAtStoredLevel(*header, encrypted, path), PassResult{});
        EXPECT_TRUE(readAll(path) == plain);
        platform.setAttributes(path, 0);
        QFile::remove(encrypted);
    }
}

TEST_F(CryptEngineTest, MasterPasswordFileIsWrittenScrambledAndPrivate) {
    using Check = MasterPasswordFile::Check;
    const std::pair<QString, QByteArray> scrambles[] = {
        {u""_s, QByteArray(8, '\0')},
        {u"abc"_s, QByteArray::fromHex("9e9e9e9e9e9e9d9c")},
        {u"a0b"_s, QByteArray::fromHex("9e9e9e9e9e9e009d")},
        {u"\u00ff\u0100"_s, QByteArray::fromHex("00000000000000c0")},
        {u"abcdefghij"_s, QByteArray::fromHex("9e9b9a9998979695")}, // the first, then the last 7
    };
    for (const auto& [text, scrambled] : scrambles)
        EXPECT_EQ(MasterPasswordFile::ScrambleMasterPassword(text).toHex(), scrambled.toHex()) << text.toStdString();

    const MasterPasswordFile file(path(u"config/3DEvez.vxa"_s));
    EXPECT_EQ(file.check(u"000"_s), Check::Matches); // missing: all zeros
    const Expected<void> saved = file.write(u"Secret"_s);
    ASSERT_TRUE(saved) << saved.error().message.toStdString();
    EXPECT_EQ(readAll(file.path()), MasterPasswordFile::ScrambleMasterPassword(u"Secret"_s));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(file.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(file.check(u"SSSecret"_s), Check::Matches);
    EXPECT_EQ(file.check(u"secret"_s), Check::Differs);
    // A character above 255 is refused, never stored or matched as the "?" it would scramble to.
    ASSERT_TRUE(file.write(u"a?"_s));
    const Expected<void> refused = file.write(u"b\u0100"_s);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message,
              file.path() + u" is unchanged: the new password holds a character that can't be stored."_s);
    EXPECT_EQ(readAll(file.path()), MasterPasswordFile::ScrambleMasterPassword(u"a?"_s));
    EXPECT_EQ(file.check(u"a\u0100"_s), Check::Differs);

    // A symbolic link in the file's place is neither followed nor replaced, and its target keeps
    // its mode; a named pipe is refused without blocking.
    const QString target = makeFile(u"target"_s, QByteArray("keep"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    const MasterPasswordFile linked(path(u"linked.vxa"_s));
    ASSERT_TRUE(QFile::link(target, linked.path()));
    const QString linkRefusal = linked.path() + u" is a symbolic link and was left untouched."_s;
    const Expected<Check> linkedCheck = linked.check(u"a"_s);
    ASSERT_FALSE(linkedCheck);
    EXPECT_EQ(linkedCheck.error().message, linkRefusal);
    const Expected<void> linkedWrite = linked.write(u"a"_s);
    ASSERT_FALSE(linkedWrite);
    EXPECT_EQ(linkedWrite.error().message, linkRefusal);
    EXPECT_EQ(readAll(target), "keep");
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    const MasterPasswordFile pipe(path(u"pipe.vxa"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe.path()).constData(), 0600), 0);
    EXPECT_FALSE(pipe.check(u"a"_s));
    const Expected<void> pipeWrite = pipe.write(u"a"_s);
    ASSERT_FALSE(pipeWrite);
    EXPECT_EQ(pipeWrite.error().message, pipe.path() + u" is a named pipe, not a file, and was left untouched."_s);

    // A folder in the file's place can neither be read nor replaced.
    const MasterPasswordFile blocked(makeDir(u"3DEvez.vxa"_s));
    const Expected<Check> blockedCheck = blocked.check(u"a"_s);
    const Expected<void> blockedWrite = blocked.write(u"a"_s);
    EXPECT_FALSE(blockedCheck || blockedCheck.error().message.isEmpty() || blockedWrite ||
                 blockedWrite.error().message.isEmpty());
}
