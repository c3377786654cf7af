/*
 * The passes on real files: the exact bytes they write at both levels and round trips across the
 * low level's runs and the pass's buffers. Cancel, failures and links are tested through the
 * commands, which show what a user is left with.
 */
#include "cipherpass.h"

#include "attributes.h"
#include "fakeplatform.h"
#include "tempenv.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 Buffer = CipherPass::BufferSize;

// Bytes without a short period, so that a block landing at a wrong offset shows.
QByteArray sample(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 0x9e3779b9u ^ static_cast<quint32>(size);
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}

// What the body of a file encrypted at a level must hold, byte for byte.
QByteArray expectedBody(QByteArray body, SecurityLevel level) {
    for (qint64 i = 0; i < body.size(); ++i) {
        if (level == SecurityLevel::High || i % 85000 < 20000)
            body[i] = static_cast<char>(~body[i]);
    }
    return body;
}

struct NoObserver : PassObserver {
    void moveCover(double) override {}
    bool cancelRequested() override { return false; }
};

} // namespace

class CipherPassTest : public TempEnvTest {
protected:
    FakePlatform m_platform;
    NoObserver m_observer;
    CipherPass m_pass{m_platform, m_observer};
};

TEST_F(CipherPassTest, WritesTheExactBytesAndReadsThemBack) {
    using enum SecurityLevel;
    const struct {
        qint64 size;
        SecurityLevel level;
        QString password;
        quint32 attributes;
        // The header as stored: the password field, the level letter and the attribute value.
        QByteArray header;
    } cases[] = {
        {1, High, u"abc"_s, 0, QByteArray::fromHex("9e9d9cdfdfdfdfdfb7ff")},
        {1, Low, u"abc"_s, 0, QByteArray::fromHex("9e9d9cdfdfdfdfdfb3ff")},
        {50, High, u"abcdefghij"_s, 0, QByteArray::fromHex("9e9d9c9b9a999897b7ff")},
        {50, Low, u"abc"_s, Attr::ReadOnly, QByteArray::fromHex("9e9d9cdfdfdfdfdfb3fe")},
        // Only the managed bits fit the header byte.
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
        m_platform.storedAttributes.insert(path, c.attributes);
        ASSERT_EQ(m_pass.EncryptBySecurityLevel(c.level, path, EncryptedFormat::PasswordField(c.password), true),
                  PassResult{});
        EXPECT_FALSE(QFile::exists(path));
        const QByteArray stored = readAll(encrypted);
        ASSERT_EQ(stored.size(), c.size + 10);
        if (!c.header.isEmpty()) {
            EXPECT_EQ(stored.left(10).toHex(), c.header.toHex());
        }
        EXPECT_TRUE(stored.mid(10) == expectedBody(plain, c.level));

        const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(encrypted);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->HeaderPassword, EncryptedFormat::PasswordField(c.password));
        ASSERT_EQ(m_pass.DecryptByStoredLevel(*header, encrypted, path), PassResult{});
        EXPECT_TRUE(readAll(path) == plain);
        EXPECT_TRUE(CipherPass::isDecryptionComplete(encrypted, path));
        QFile::remove(encrypted);
    }
}
