/*
 * The passes on real files: exact bytes of what they write, round trips across block and buffer
 * boundaries, attributes, cancel, damaged headers and what is left on disk after a failure.
 */
#include "cipherpass.h"

#include "attributes.h"
#include "fakeplatform.h"
#include "filesizelimit.h"
#include "tempenv.h"
#include "texttransformer.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = PassResult::Outcome;
constexpr qint64 Buffer = CipherPass::BufferSize;

// Records the cover positions and answers Cancel from the given call on (never when 0).
class ScriptedObserver : public PassObserver {
public:
    int cancelFromCall = 0;
    int calls = 0;
    QList<double> covers;

    void moveCover(double leftTwips) override { covers.append(leftTwips); }
    bool cancelRequested() override { return cancelFromCall > 0 && ++calls >= cancelFromCall; }
};

// Bytes without a short period, so that a block landing at a wrong offset shows.
QByteArray sample(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 0x9e3779b9u ^ static_cast<quint32>(size);
    for (qint64 i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state);
    }
    return bytes;
}

QByteArray complement(const QByteArray& bytes) {
    return TextTransformer::run(bytes);
}

// What the body of a file encrypted at a level must hold, byte for byte.
QByteArray expectedBody(const QByteArray& plain, SecurityLevel level) {
    QByteArray body = plain;
    for (qint64 i = 0; i < body.size(); ++i) {
        if (level == SecurityLevel::High || i % 85000 < 20000)
            body[i] = static_cast<char>(~body[i]);
    }
    return body;
}

} // namespace

class CipherPassTest : public TempEnvTest {
protected:
    FakePlatform m_platform;
    ScriptedObserver m_observer;
    CipherPass m_pass{m_platform, m_observer};

    PassResult encrypt(const QString& plain, SecurityLevel level, bool deleteOriginal = false,
                       const QString& password = u"abc"_s) {
        return m_pass.EncryptBySecurityLevel(level, plain, EncryptedFormat::PasswordField(password), deleteOriginal);
    }
    PassResult decrypt(const QString& encrypted, const QString& plain) {
        QString error;
        const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(encrypted, &error);
        if (!header)
            return {Outcome::Failed, error};
        return m_pass.DecryptByStoredLevel(*header, encrypted, plain);
    }
};

TEST_F(CipherPassTest, OneByteFileGivesElevenBytesAtBothLevels) {
    for (const auto& [level, letter] :
         {std::pair{SecurityLevel::High, '\xb7'}, std::pair{SecurityLevel::Low, '\xb3'}}) {
        const QString plain = makeFile(u"one.txt"_s, QByteArray("A"));
        m_platform.storedAttributes.clear();
        ASSERT_EQ(encrypt(plain, level, true), PassResult{});
        QByteArray expected = QByteArray::fromHex("9e9d9cdfdfdfdfdf");
        expected.append(letter).append('\xff').append('\xbe');
        EXPECT_EQ(readAll(plain + u".vxp"_s), expected);
        EXPECT_FALSE(QFile::exists(plain));
        ASSERT_EQ(decrypt(plain + u".vxp"_s, plain), PassResult{});
        EXPECT_EQ(readAll(plain), QByteArray("A"));
        QFile::remove(plain + u".vxp"_s);
    }
}

TEST_F(CipherPassTest, LowSecurityTransformsTheFirst20000OfEvery85000) {
    for (const qint64 size : {20000, 100000}) {
        const QByteArray plain = sample(size);
        const QString path = makeFile(u"low.bin"_s, plain);
        ASSERT_EQ(encrypt(path, SecurityLevel::Low), PassResult{});
        const QByteArray body = readAll(path + u".vxp"_s).mid(10);
        ASSERT_EQ(body.size(), size);
        EXPECT_EQ(body.left(20000), complement(plain.left(20000)));
        EXPECT_EQ(body.mid(20000, 65000), plain.mid(20000, 65000));
        EXPECT_EQ(body.mid(85000), complement(plain.mid(85000)));
    }
}

TEST_F(CipherPassTest, LevelsDifferOnlyInTheLevelByteAndPastTheFirstRun) {
    const QByteArray plain = sample(30000);
    const QString path = makeFile(u"same.bin"_s, plain);
    ASSERT_EQ(encrypt(path, SecurityLevel::High), PassResult{});
    const QByteArray high = readAll(path + u".vxp"_s);
    m_platform.storedAttributes.clear();
    ASSERT_EQ(encrypt(path, SecurityLevel::Low), PassResult{});
    const QByteArray low = readAll(path + u".vxp"_s);
    EXPECT_EQ(high.at(8), '\xb7');
    EXPECT_EQ(low.at(8), '\xb3');
    EXPECT_EQ(high.left(8), low.left(8));
    EXPECT_EQ(high.mid(9, 20001), low.mid(9, 20001));
    EXPECT_EQ(high.mid(20010), complement(plain.mid(20000)));
}

TEST_F(CipherPassTest, PasswordIsStoredAsItsEightCharacterForm) {
    const QString path = makeFile(u"p.txt"_s, sample(50));
    struct Case {
        QString typed;
        QByteArray stored;
        QString sameField;
        QString otherField;
    };
    const Case cases[] = {
        {u"abc"_s, QByteArray::fromHex("9e9d9cdfdfdfdfdf"), u"abc"_s, u"ABC"_s},
        {u"abcdefghij"_s, QByteArray::fromHex("9e9d9c9b9a999897"), u"abcdefghXY"_s, u"abcdefgH"_s},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(encrypt(path, SecurityLevel::High, false, c.typed), PassResult{});
        EXPECT_EQ(readAll(path + u".vxp"_s).left(8), c.stored);
        const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(path + u".vxp"_s);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->HeaderPassword, EncryptedFormat::PasswordField(c.sameField));
        EXPECT_NE(header->HeaderPassword, EncryptedFormat::PasswordField(c.otherField));
    }
}

TEST_F(CipherPassTest, ReadOnlyFileKeepsItsValueInTheHeaderAndGetsItBackAtLowSecurity) {
    const QString plain = makeFile(u"ro.txt"_s, sample(1000));
    const QString encrypted = plain + u".vxp"_s;
    m_platform.storedAttributes.insert(plain, Attr::ReadOnly);
    ASSERT_EQ(encrypt(plain, SecurityLevel::Low, true), PassResult{});
    EXPECT_EQ(readAll(encrypted).at(9), '\xfe');
    EXPECT_EQ(m_platform.attributeChanges,
              (QList<QPair<QString, quint32>>{{plain, Attr::Archive}, {encrypted, Attr::Encrypted}}));

    m_platform.attributeChanges.clear();
    ASSERT_EQ(decrypt(encrypted, plain), PassResult{});
    EXPECT_EQ(m_platform.attributeChanges,
              (QList<QPair<QString, quint32>>{{encrypted, Attr::Archive}, {plain, Attr::ReadOnly}}));
}

TEST_F(CipherPassTest, HighSecurityLeavesTheAttributesOfItsOutputAlone) {
    const QString plain = makeFile(u"h.txt"_s, sample(1000));
    const QString encrypted = plain + u".vxp"_s;
    m_platform.storedAttributes.insert(plain, Attr::Hidden | Attr::Archive | 0x2000);
    ASSERT_EQ(encrypt(plain, SecurityLevel::High, true), PassResult{});
    // Only the managed bits fit the header byte.
    EXPECT_EQ(readAll(encrypted).at(9), static_cast<char>(255 - 34));
    ASSERT_EQ(decrypt(encrypted, plain), PassResult{});
    EXPECT_EQ(m_platform.attributeChanges,
              (QList<QPair<QString, quint32>>{{plain, Attr::Archive}, {encrypted, Attr::Archive}}));
}

TEST_F(CipherPassTest, RoundTripsAcrossBlockAndBufferBoundaries) {
    // The runs of the low level, and the buffers of the pass: an encryption's first buffer is
    // shorter by the header.
    const qint64 sizes[] = {1,           19999,       20000,      20001,      84999,  85000,      85001,
                            Buffer - 11, Buffer - 10, Buffer - 9, Buffer - 1, Buffer, Buffer + 1, 2 * Buffer + 20001};
    for (const SecurityLevel level : {SecurityLevel::High, SecurityLevel::Low}) {
        for (const qint64 size : sizes) {
            SCOPED_TRACE(size);
            const QByteArray plain = sample(size);
            const QString path = makeFile(u"rt.bin"_s, plain);
            const QString encrypted = path + u".vxp"_s;
            ASSERT_EQ(encrypt(path, level, true), PassResult{});
            EXPECT_FALSE(QFile::exists(path));
            const QByteArray stored = readAll(encrypted);
            ASSERT_EQ(stored.size(), size + 10);
            EXPECT_TRUE(stored.mid(10) == expectedBody(plain, level));

            ASSERT_EQ(decrypt(encrypted, path), PassResult{});
            EXPECT_TRUE(readAll(path) == plain);
            EXPECT_TRUE(CipherPass::isDecryptionComplete(encrypted, path));
            QFile::remove(encrypted);
        }
    }
}

TEST_F(CipherPassTest, CoverMovesForwardAndEndsAtZero) {
    const qint64 size = 2 * Buffer + 5;
    const QString path = makeFile(u"cover.bin"_s, sample(size));
    ASSERT_EQ(encrypt(path, SecurityLevel::Low), PassResult{});
    ASSERT_GE(m_observer.covers.size(), 4);
    EXPECT_DOUBLE_EQ(m_observer.covers.first(), 1.0 / (size + 40) * 6200);
    EXPECT_EQ(m_observer.covers.last(), 0.0);
    for (qsizetype i = 1; i + 1 < m_observer.covers.size(); ++i) {
        EXPECT_GT(m_observer.covers[i], m_observer.covers[i - 1]);
        EXPECT_LT(m_observer.covers[i], 6200.0);
    }
}

TEST_F(CipherPassTest, ReplacingALongerEncryptedFileLeavesExactlyTenMore) {
    const QString path = makeFile(u"r.txt"_s, sample(500));
    makeFile(u"r.txt.vxp"_s, sample(100000));
    ASSERT_EQ(encrypt(path, SecurityLevel::Low), PassResult{});
    EXPECT_EQ(QFileInfo(path + u".vxp"_s).size(), 510);
}

TEST_F(CipherPassTest, CancelLeavesAShortOutputAndTheInputIntact) {
    const QByteArray plain = sample(3 * Buffer);
    const QString path = makeFile(u"c.bin"_s, plain);
    const QString encrypted = path + u".vxp"_s;
    m_observer.cancelFromCall = 2;
    EXPECT_EQ(encrypt(path, SecurityLevel::High, true), (PassResult{Outcome::Cancelled, {}}));
    EXPECT_LT(QFileInfo(encrypted).size(), plain.size() + 10);
    EXPECT_TRUE(readAll(path) == plain);

    // The same for a decryption: the encrypted file stays, the plain output is short.
    m_observer.cancelFromCall = 0;
    ASSERT_EQ(encrypt(path, SecurityLevel::High), PassResult{});
    const QByteArray stored = readAll(encrypted);
    const QString output = path + u".out"_s;
    m_observer.calls = 0;
    m_observer.cancelFromCall = 2;
    EXPECT_EQ(decrypt(encrypted, output), (PassResult{Outcome::Cancelled, {}}));
    EXPECT_LT(QFileInfo(output).size(), plain.size());
    EXPECT_FALSE(CipherPass::isDecryptionComplete(encrypted, output));
    EXPECT_TRUE(readAll(encrypted) == stored);
}

TEST_F(CipherPassTest, UnknownLevelWritesAndDeletesNothing) {
    QByteArray damaged = EncryptedFormat::header(u"abc"_s, SecurityLevel::High, 32) + sample(100);
    damaged[8] = static_cast<char>(255 - 'X');
    const QString encrypted = makeFile(u"d.txt.vxp"_s, damaged);
    const QString plain = path(u"d.txt"_s);

    const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(encrypted);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->HeaderLevel, u"X"_s);
    EXPECT_EQ(m_pass.DecryptByStoredLevel(*header, encrypted, plain), (PassResult{Outcome::UnknownLevel, {}}));
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(readAll(encrypted), damaged);
    EXPECT_TRUE(m_platform.attributeChanges.isEmpty());
}

TEST_F(CipherPassTest, EncryptedFileShorterThanAHeader) {
    const QString encrypted = makeFile(u"s.txt.vxp"_s, QByteArray(5, '\xb7'));
    QString error;
    EXPECT_FALSE(CipherPass::ReadHeader(encrypted, &error));
    EXPECT_EQ(error, u"Unexpected end of file: "_s + encrypted);
    EXPECT_EQ(m_pass.DecryptHighSecurity(encrypted, path(u"s.txt"_s)), (PassResult{Outcome::Incomplete, {}}));
    EXPECT_FALSE(CipherPass::isDecryptionComplete(encrypted, path(u"s.txt"_s)));
}

TEST_F(CipherPassTest, WriteFailureStopsThePassAndKeepsTheInput) {
    const QByteArray plain = sample(3 * Buffer);
    const QString path = makeFile(u"big.bin"_s, plain);
    const QString encrypted = path + u".vxp"_s;
    {
        const FileSizeLimit limit(Buffer + 1000);
        EXPECT_EQ(encrypt(path, SecurityLevel::Low, true), (PassResult{Outcome::Failed, qt_error_string(EFBIG)}));
    }
    EXPECT_TRUE(readAll(path) == plain);
    EXPECT_EQ(QFileInfo(encrypted).size(), Buffer + 1000);

    ASSERT_EQ(encrypt(path, SecurityLevel::Low), PassResult{});
    const QString output = path + u".out"_s;
    {
        const FileSizeLimit limit(Buffer);
        EXPECT_EQ(decrypt(encrypted, output), (PassResult{Outcome::Failed, qt_error_string(EFBIG)}));
    }
    EXPECT_FALSE(CipherPass::isDecryptionComplete(encrypted, output));
    EXPECT_EQ(QFileInfo(encrypted).size(), plain.size() + 10);
}

TEST_F(CipherPassTest, MissingInputIsReportedWithTheSystemText) {
    const QString plain = path(u"gone.txt"_s);
    const PassResult noEnt{Outcome::Failed, qt_error_string(ENOENT)};
    EXPECT_EQ(encrypt(plain, SecurityLevel::High, true), noEnt);
    EXPECT_FALSE(QFile::exists(plain + u".vxp"_s));
    EXPECT_EQ(m_pass.DecryptLowSecurity(plain + u".vxp"_s, plain, 0), noEnt);
    EXPECT_FALSE(QFile::exists(plain));
}

TEST_F(CipherPassTest, SymbolicLinksAreRefused) {
    const QByteArray victimBytes = sample(300);
    const QString victim = makeFile(u"victim.txt"_s, victimBytes);
    const QString link = path(u"link.txt"_s);
    ASSERT_TRUE(QFile::link(victim, link));
    const auto refusal = [](const QString& path) {
        return PassResult{Outcome::Failed, path + u" is a symbolic link and was left untouched."_s};
    };

    // As the input: neither followed nor deleted.
    EXPECT_EQ(encrypt(link, SecurityLevel::Low, true), refusal(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFile::exists(link + u".vxp"_s));

    // As the output of an encryption and of a decryption: the file it points to is not emptied.
    const QString plain = makeFile(u"p.txt"_s, sample(50));
    ASSERT_TRUE(QFile::link(victim, plain + u".vxp"_s));
    EXPECT_EQ(encrypt(plain, SecurityLevel::High, true), refusal(plain + u".vxp"_s));
    EXPECT_TRUE(QFile::exists(plain));
    QFile::remove(plain + u".vxp"_s);
    ASSERT_EQ(encrypt(plain, SecurityLevel::High), PassResult{});
    QFile::remove(plain);
    ASSERT_TRUE(QFile::link(victim, plain));
    EXPECT_EQ(decrypt(plain + u".vxp"_s, plain), refusal(plain));
    EXPECT_EQ(readAll(victim), victimBytes);
    // Only the one encryption that ran gave anything attributes.
    EXPECT_EQ(m_platform.attributeChanges, (QList<QPair<QString, quint32>>{{plain, Attr::Archive}}));
}

TEST_F(CipherPassTest, HardLinkedOutputIsNotEmptied) {
    const QByteArray bytes = sample(400);
    const QString plain = makeFile(u"h.txt"_s, bytes);
    ASSERT_EQ(::link(QFile::encodeName(plain).constData(), QFile::encodeName(plain + u".vxp"_s).constData()), 0);
    const PassResult result = encrypt(plain, SecurityLevel::High, true);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(readAll(plain), bytes);
}
