/*
 * The engine on real files: the exact bytes a pass writes at both levels, round trips across the
 * low level's runs and the pass's buffers, and the master-password file.
 */
#include "attributes.h"
#include "cipherpass.h"
#include "linuxplatform.h"
#include "masterpasswordfile.h"
#include "tempenv.h"

#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>

#include <gtest/gtest.h>

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
        // The runs of the low level, and the buffers of the pass: an encryption's first buffer
        // is shorter by the header.
        {20000, Low, u"abc"_s, 0, {}},
        {100000, Low, u"abc"_s, 0, {}},
        {19999, High, u"abc"_s, 0, {}},
        {85001, Low, u"abc"_s, 0, {}},
        {Buffer - 11, Low, u"abc"_s, 0, {}},
        {Buffer - 9, High, u"abc"_s, 0, {}},
        {Buffer, Low, u"abc"_s, 0, {}},
        {Buffer + 1, High, u"abc"_s, 0, {}},
        {2 * Buffer + 20001, Low, u"abc"_s, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << (c.level == High ? " high" : " low"));
        const QByteArray plain = sample(c.size);
        const QString path = makeFile(u"f.bin"_s, plain);
        const QString encrypted = path + u".vxp"_s;
        ASSERT_TRUE(platform.setAttributes(path, c.attributes));
        ASSERT_EQ(pass.EncryptBySecurityLevel(c.level, path, EncryptedFormat::PasswordField(c.password), true),
                  PassResult{});
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

        const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(encrypted);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->HeaderPassword, EncryptedFormat::PasswordField(c.password));
        ASSERT_EQ(pass.DecryptByStoredLevel(*header, encrypted, path), PassResult{});
        EXPECT_TRUE(readAll(path) == plain);
        EXPECT_TRUE(CipherPass::isDecryptionComplete(encrypted, path));
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
    QString error;
    ASSERT_TRUE(file.write(u"Secret"_s, &error)) << error.toStdString();
    EXPECT_EQ(readAll(file.path()), MasterPasswordFile::ScrambleMasterPassword(u"Secret"_s));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(file.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(file.check(u"SSSecret"_s), Check::Matches);
    EXPECT_EQ(file.check(u"secret"_s), Check::Differs);

    // A folder in the file's place can neither be read nor replaced.
    const MasterPasswordFile blocked(makeDir(u"3DEvez.vxa"_s));
    QString readError;
    EXPECT_EQ(blocked.check(u"a"_s, &readError), Check::Unreadable);
    EXPECT_FALSE(blocked.write(u"a"_s, &error));
    EXPECT_FALSE(readError.isEmpty() || error.isEmpty());
}
