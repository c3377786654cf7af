/*
 * The master-password scramble and its 8-byte file.
 */
#include "masterpasswordfile.h"

#include "fakeplatform.h"
#include "tempenv.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Check = MasterPasswordFile::Check;

TEST(ScrambleMasterPassword, RepeatsTheFirstCharacterOfAShortText) {
    const std::pair<QString, QByteArray> cases[] = {
        {u""_s, QByteArray(8, '\0')},
        {u"A"_s, QByteArray(8, '\xbe')},
        {u"abc"_s, QByteArray::fromHex("9e9e9e9e9e9e9d9c")},
        {u"a0b"_s, QByteArray::fromHex("9e9e9e9e9e9e009d")},
        // Longer than 8: the first character, then the last 7.
        {u"abcdefghij"_s, QByteArray::fromHex("9e9b9a9998979695")},
        {u"\u00ff\u0100"_s, QByteArray::fromHex("00000000000000c0")},
    };
    for (const auto& [text, scrambled] : cases)
        EXPECT_EQ(MasterPasswordFile::ScrambleMasterPassword(text).toHex(), scrambled.toHex()) << text.toStdString();
}

class MasterPasswordFileTest : public TempEnvTest {};

TEST_F(MasterPasswordFileTest, MissingOrShortFileReadsAsZeroPadded) {
    const MasterPasswordFile missing(path(u"none/3DEvez.vxa"_s));
    EXPECT_EQ(missing.check(u"000"_s), Check::Matches);
    EXPECT_EQ(missing.check(u"a"_s), Check::Differs);
    EXPECT_FALSE(QFile::exists(missing.path()));
    const MasterPasswordFile shortFile(makeFile(u"3DEvez.vxa"_s, QByteArray("\x9e\x9e", 2)));
    EXPECT_EQ(shortFile.read(), QByteArray("\x9e\x9e", 2) + QByteArray(6, '\0'));
}

TEST_F(MasterPasswordFileTest, WritesTheScrambledPasswordPrivatelyKeepingLaterBytes) {
    FakePlatform platform;
    platform.config = path(u"config/vexapad"_s);
    const MasterPasswordFile file(MasterPasswordFile::defaultPath(platform));
    EXPECT_EQ(file.path(), path(u"config/vexapad/3DEvez.vxa"_s));
    QString error;
    ASSERT_TRUE(file.write(u"Secret"_s, &error)) << error.toStdString();
    EXPECT_EQ(readAll(file.path()), MasterPasswordFile::ScrambleMasterPassword(u"Secret"_s));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(file.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(file.check(u"SSSecret"_s), Check::Matches);
    EXPECT_EQ(file.check(u"secret"_s), Check::Differs);

    makeFile(u"config/vexapad/3DEvez.vxa"_s, QByteArray("12345678tail"));
    ASSERT_TRUE(file.write(u"abc"_s));
    EXPECT_EQ(readAll(file.path()), MasterPasswordFile::ScrambleMasterPassword(u"abc"_s) + "tail");
}

TEST_F(MasterPasswordFileTest, ReportsTheSystemTextWhenItCannotBeUsed) {
    // A folder in the file's place can neither be read nor replaced.
    const MasterPasswordFile file(makeDir(u"3DEvez.vxa"_s));
    QString error;
    EXPECT_EQ(file.check(u"a"_s, &error), Check::Unreadable);
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(file.write(u"a"_s, &error));
    EXPECT_FALSE(error.isEmpty());
}
