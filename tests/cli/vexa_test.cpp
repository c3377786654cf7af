/*
 * The vexa program as a user runs it: in its own session (no terminal unless a test gives it a
 * pseudo-terminal), in the test's folder, with the password from a file.
 */
#include "tests/support/tempenv.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Ran {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

void startIn(QProcess& process, const QString& folder, const QStringList& arguments) {
    process.setWorkingDirectory(folder);
    // A session of its own has no controlling terminal: /dev/tty cannot be opened.
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(QStringLiteral(VEXA_PROGRAM), arguments);
}

// The encrypted form of plain at high security with password "abc", from the format alone:
// "abc" padded to 8, "H", the attribute value, then the body, every byte stored as 255 - value.
QByteArray encryptedHigh(const QByteArray& plain, char attributes = 0) {
    QByteArray stored = "abc     H" + QByteArray(1, attributes) + plain;
    for (char& byte : stored)
        byte = char(255 - quint8(byte));
    return stored;
}

class VexaTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        makeFile(u"pw"_s, QByteArray("abc\n"));
    }

    Ran vexa(const QStringList& arguments, const QByteArray& input = {}) {
        QProcess process;
        startIn(process, root(), arguments);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    QStringList withPassword(const QStringList& arguments) {
        return arguments + QStringList{u"--password-file"_s, u"pw"_s};
    }
    // The names in the test's folder other than the password file and the per-user folders.
    QStringList files() {
        QStringList names = namesIn(root()).filter(QRegularExpression(u"^(?!xdg-)"_s));
        names.removeAll(u"pw"_s);
        return names;
    }
};

TEST_F(VexaTest, EncryptsAndDecryptsWithTheFormatsBytes) {
    const QByteArray plain = sampleBytes(30000);
    makeFile(u"a.txt"_s, plain);
    Ran ran = vexa(withPassword({u"encrypt"_s, u"a.txt"_s}));
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_EQ(ran.out, "a.txt -> a.txt.vxp\n");
    EXPECT_EQ(readAll(path(u"a.txt.vxp"_s)), encryptedHigh(plain));
    EXPECT_EQ(files(), (QStringList{u"a.txt"_s, u"a.txt.vxp"_s}));

    QFile::remove(path(u"a.txt"_s));
    ran = vexa({u"decrypt"_s, u"--delete-original"_s, u"--password-fd"_s, u"0"_s, u"a.txt.vxp"_s}, "abc\n");
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_EQ(readAll(path(u"a.txt"_s)), plain);
    EXPECT_EQ(files(), QStringList{u"a.txt"_s});

    // Low security: the first 20000 bytes of the body complemented, the rest copied.
    ran = vexa(withPassword({u"encrypt"_s, u"--low"_s, u"--delete-original"_s, u"a.txt"_s}));
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    const QByteArray low = readAll(path(u"a.txt.vxp"_s));
    ASSERT_EQ(low.size(), plain.size() + 10);
    EXPECT_EQ(quint8(low[8]), 255 - 'L');
    EXPECT_EQ(quint8(low[10]), 255 - quint8(plain[0]));
    EXPECT_EQ(low.mid(10 + 20000), plain.mid(20000));
    EXPECT_EQ(files(), QStringList{u"a.txt.vxp"_s});
}

// The stored attribute value in its text form; empty when there is none.
QByteArray storedAttributes(const QString& file) {
    char stored[16] = {};
    const ssize_t size = ::getxattr(QFile::encodeName(file).constData(), "user.DOSATTRIB", stored, sizeof stored);
    return size > 0 ? QByteArray(stored, size) : QByteArray();
}

TEST_F(VexaTest, ForceReplacesAndMarksAsTheWindowDoes) {
    const QByteArray plain = sampleBytes(100);
    const QString input = makeFile(u"a.txt"_s, plain);
    ASSERT_EQ(::setxattr(QFile::encodeName(input).constData(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    const QString output = makeFile(u"a.txt.vxp"_s, QByteArray("an older, read-only output"));
    ASSERT_TRUE(QFile::setPermissions(output, QFile::ReadOwner));

    Ran ran = vexa(withPassword({u"encrypt"_s, u"--force"_s, u"a.txt"_s}));
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    // The header keeps the input's hidden bit; the output is marked encrypted, the input keeps hidden.
    EXPECT_EQ(readAll(output), encryptedHigh(plain, 2));
    EXPECT_EQ(storedAttributes(output), "0x7");
    EXPECT_FALSE(QFileInfo(output).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
    EXPECT_EQ(storedAttributes(input), "0x2");

    ran = vexa({u"info"_s, u"a.txt.vxp"_s});
    EXPECT_EQ(ran.out, "a.txt.vxp: level high, saved attributes -H--\n");

    makeFile(u"a.txt"_s, QByteArray("a newer plain file"));
    ran = vexa(withPassword({u"decrypt"_s, u"--force"_s, u"a.txt.vxp"_s}));
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_EQ(readAll(input), plain);
    EXPECT_EQ(storedAttributes(input), "0x2");
    EXPECT_EQ(storedAttributes(output), "0x7");
}

TEST_F(VexaTest, RefusesWhatTheWindowRefuses) {
    struct Case {
        const char* name;
        QStringList arguments;
        int status;
        const char* message;
    };
    const QByteArray plain = sampleBytes(100);
    const QByteArray older = "an older output";
    makeFile(u"a.txt"_s, plain);
    makeFile(u"b.txt"_s, plain);
    makeFile(u"b.txt.vxp"_s, older);
    makeFile(u"short"_s, QByteArray("0123456789"));
    makeFile(u"c.txt"_s, plain);
    ASSERT_EQ(
        ::link(QFile::encodeName(path(u"c.txt"_s)).constData(), QFile::encodeName(path(u"c.txt.vxp"_s)).constData()),
        0);
    // A name that is not UTF-8 reads with U+FFFD in its place, and names no file as text.
    const QByteArray rawName = QFile::encodeName(root()) + QByteArray("/bad\xff.txt");
    const int raw = ::open(rawName.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(raw, 0);
    ASSERT_EQ(::write(raw, plain.constData(), size_t(plain.size())), plain.size());
    ::close(raw);
    makeFile(u"space"_s, QByteArray("a b\n"));
    makeFile(u"nine"_s, QByteArray("123456789\n"));
    makeFile(u"euro"_s, QByteArray("\xe2\x82\xac\n"));
    makeFile(u"wrong"_s, QByteArray("abd\n"));
    makeFile(u"good.vxp"_s, encryptedHigh(plain));

    const QString a = u"a.txt"_s;
    const QString pw = u"--password-file"_s;
    const Case cases[] = {
        {"existing output", {u"encrypt"_s, u"b.txt"_s, pw, u"pw"_s}, 1, "b.txt: b.txt.vxp already exists"},
        {"output is the input", {u"encrypt"_s, u"--force"_s, u"c.txt"_s, pw, u"pw"_s}, 1, "is the input itself"},
        {"too short", {u"encrypt"_s, u"short"_s, pw, u"pw"_s}, 1, "too short to encrypt"},
        {"not UTF-8", {u"encrypt"_s, u"bad\uFFFD.txt"_s, pw, u"pw"_s}, 1, "not valid UTF-8"},
        {"already encrypted", {u"encrypt"_s, u"good.vxp"_s, pw, u"pw"_s}, 1, "already encrypted"},
        {"wrong password", {u"decrypt"_s, u"good.vxp"_s, pw, u"wrong"_s}, 1, "good.vxp: wrong password"},
        {"not encrypted", {u"decrypt"_s, a, pw, u"pw"_s}, 1, "not an encrypted file"},
        {"password with a space", {u"encrypt"_s, a, pw, u"space"_s}, 2, "holds a space"},
        {"password of nine", {u"encrypt"_s, a, pw, u"nine"_s}, 2, "longer than 8"},
        {"password beyond Latin-1", {u"encrypt"_s, a, pw, u"euro"_s}, 2, "outside Latin-1"},
        {"no terminal", {u"encrypt"_s, a}, 2, "no terminal"},
        {"no paths", {u"encrypt"_s, pw, u"pw"_s}, 2, "no file given"},
        {"unknown option", {u"decrypt"_s, u"--low"_s, a}, 2, "Unknown option"},
        {"unknown subcommand", {u"scramble"_s}, 2, "unknown subcommand"},
        {"lock a system folder", {u"lock"_s, u"/usr"_s, pw, u"pw"_s}, 1, "system folder"},
        {"lock a file", {u"lock"_s, a, pw, u"pw"_s}, 1, "not a folder"},
        {"unlock an unlocked folder", {u"unlock"_s, u"."_s, pw, u"pw"_s}, 1, "not a locked folder"},
        {"attribute letter", {u"attrib"_s, u"--set"_s, u"x"_s, a}, 2, "letters r, h, s and a"},
        {"generate length", {u"generate"_s, u"--length"_s, u"256"_s}, 2, "1 to 255"},
    };
    const QStringList before = files();
    for (const Case& each : cases) {
        const Ran ran = vexa(each.arguments);
        EXPECT_EQ(ran.status, each.status) << each.name;
        EXPECT_TRUE(ran.err.contains(each.message)) << each.name << ": " << ran.err.constData();
        EXPECT_TRUE(ran.out.isEmpty()) << each.name;
    }
    EXPECT_EQ(files(), before);
    EXPECT_EQ(readAll(path(u"b.txt.vxp"_s)), older);
    EXPECT_EQ(readAll(path(u"good.vxp"_s)), encryptedHigh(plain));
    // Qt cannot name it to remove it with the folder.
    ::unlink(rawName.constData());
}

TEST_F(VexaTest, JsonLinesAndFolders) {
    const QByteArray plain = sampleBytes(50);
    makeFile(u"tree/a.txt"_s, plain);
    makeFile(u"tree/sub/b.txt"_s, plain);
    makeFile(u"tree/done.vxp"_s, encryptedHigh(plain));
    makeFile(u"tree/.b.txt.unfinished-Ab12Cd"_s, plain);
    makeFile(u"elsewhere/c.txt"_s, plain);
    ASSERT_TRUE(QFile::link(path(u"elsewhere"_s), path(u"tree/link"_s)));
    makeFile(u"tree/sub/b.txt.vxp"_s, QByteArray("older"));

    const Ran ran = vexa({u"encrypt"_s, u"--json"_s, u"-r"_s, u"--password-file"_s, u"pw"_s, u"--"_s, u"tree"_s});
    EXPECT_EQ(ran.status, 1);
    QList<QJsonObject> lines;
    for (const QByteArray& line : ran.out.split('\n')) {
        if (!line.isEmpty())
            lines << QJsonDocument::fromJson(line).object();
    }
    ASSERT_EQ(lines.size(), 2) << ran.out.constData();
    // The refusal is reported as it is met; the pass when it has ended.
    EXPECT_EQ(lines[0][u"path"_s].toString(), u"tree/sub/b.txt"_s);
    EXPECT_EQ(lines[0][u"outcome"_s].toString(), u"skipped"_s);
    EXPECT_EQ(lines[0][u"output"_s].toString(), QString());
    EXPECT_TRUE(lines[0][u"message"_s].toString().contains(u"already exists"_s));
    EXPECT_EQ(lines[1][u"path"_s].toString(), u"tree/a.txt"_s);
    EXPECT_EQ(lines[1][u"output"_s].toString(), u"tree/a.txt.vxp"_s);
    EXPECT_EQ(lines[1][u"bytes"_s].toInteger(), 50);
    EXPECT_EQ(lines[1][u"outcome"_s].toString(), u"done"_s);
    EXPECT_TRUE(ran.err.contains("tree/sub/b.txt:"));
    EXPECT_EQ(namesIn(path(u"elsewhere"_s)), QStringList{u"c.txt"_s});
    EXPECT_EQ(namesIn(path(u"tree"_s)), (QStringList{u".b.txt.unfinished-Ab12Cd"_s, u"a.txt"_s, u"a.txt.vxp"_s,
                                                     u"done.vxp"_s, u"link"_s, u"sub"_s}));
}

TEST_F(VexaTest, LocksUnlocksAndDescribes) {
    makeFile(u"docs/x"_s, QByteArray("inside"));
    Ran ran = vexa(withPassword({u"lock"_s, u"docs"_s}));
    ASSERT_EQ(ran.status, 0) << ran.err.constData();
    const QString locked = QString::fromLocal8Bit(ran.out.trimmed()).section(u" -> "_s, 1);
    EXPECT_TRUE(locked.startsWith(u"docs."_s)) << ran.out.constData();
    makeFile(u"wrong"_s, QByteArray("abd\n"));
    ran = vexa({u"unlock"_s, locked, u"--password-file"_s, u"wrong"_s});
    EXPECT_EQ(ran.status, 1);
    ran = vexa(withPassword({u"unlock"_s, locked}));
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_EQ(namesIn(path(u"docs"_s)), QStringList{u"x"_s});

    // Read-only is the permission bits; the rest the stored value, in its text form.
    const QString notes = makeFile(u"n.txt"_s, QByteArray("x"));
    ran = vexa({u"attrib"_s, u"--set"_s, u"rh"_s, u"n.txt"_s});
    EXPECT_EQ(ran.out, "RH--  n.txt\n") << ran.err.constData();
    EXPECT_FALSE(QFileInfo(notes).permissions() & QFile::WriteOwner);
    ran = vexa({u"attrib"_s, u"--clear"_s, u"r"_s, u"--set"_s, u"a"_s, u"n.txt"_s});
    EXPECT_EQ(ran.out, "-H-A  n.txt\n") << ran.err.constData();
    EXPECT_TRUE(QFileInfo(notes).permissions() & QFile::WriteOwner);
    EXPECT_EQ(storedAttributes(notes), "0x22");

    makeFile(u"h.vxp"_s, encryptedHigh(sampleBytes(20)));
    ran = vexa({u"info"_s, u"h.vxp"_s});
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, "h.vxp: level high, saved attributes ----\n");

    ran = vexa({u"generate"_s, u"--kind"_s, u"numbers"_s, u"--length"_s, u"12"_s, u"--count"_s, u"3"_s});
    EXPECT_EQ(ran.status, 0);
    const QList<QByteArray> passwords = ran.out.trimmed().split('\n');
    ASSERT_EQ(passwords.size(), 3);
    for (const QByteArray& password : passwords)
        EXPECT_TRUE(QRegularExpression(u"^[0-9]{12}$"_s).match(QString::fromLatin1(password)).hasMatch())
            << password.constData();

    ran = vexa({u"--version"_s});
    EXPECT_EQ(ran.out, "vexa " VEXA_VERSION "\n");
}

TEST_F(VexaTest, CtrlCLeavesTheInputAndNoOutput) {
    QFile big(path(u"big"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(1) << 30));
    big.close();
    QProcess process;
    startIn(process, root(), withPassword({u"encrypt"_s, u"-v"_s, u"--delete-original"_s, u"big"_s}));
    ASSERT_TRUE(process.waitForStarted());
    process.setReadChannel(QProcess::StandardError);
    QByteArray err;
    while (!err.contains("encrypting big") && process.waitForReadyRead(30000))
        err += process.readAllStandardError();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().constData();
    EXPECT_EQ(QFileInfo(path(u"big"_s)).size(), qint64(1) << 30);
    EXPECT_EQ(files(), QStringList{u"big"_s});
}

TEST_F(VexaTest, TerminalPromptEchoesNothingAndAsksTwice) {
    makeFile(u"t.txt"_s, sampleBytes(100));
    int terminal = -1;
    const QByteArray folder = QFile::encodeName(root());
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(folder.constData()) == 0)
            ::execl(VEXA_PROGRAM, "vexa", "encrypt", "t.txt", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    QByteArray seen;
    // Reads what the terminal shows until text appears or the program ends.
    auto readUntil = [&](const QByteArray& text) {
        char buffer[256];
        pollfd wait{terminal, POLLIN, 0};
        while (!seen.contains(text) && ::poll(&wait, 1, 30000) > 0) {
            const ssize_t got = ::read(terminal, buffer, sizeof buffer);
            if (got <= 0)
                return;
            seen.append(buffer, got);
        }
    };
    readUntil("Password: ");
    ASSERT_EQ(::write(terminal, "k3y\n", 4), 4);
    readUntil("Password again: ");
    ASSERT_EQ(::write(terminal, "k3y\n", 4), 4);
    readUntil("\x01");
    int status = 0;
    // A program still waiting on the terminal is a failure, not a hang.
    const bool ended = QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 30000);
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ASSERT_TRUE(ended) << seen.constData();
    ::close(terminal);
    EXPECT_TRUE(seen.contains("Password: ") && seen.contains("Password again: ")) << seen.constData();
    EXPECT_FALSE(seen.contains("k3y")) << seen.constData();
    EXPECT_EQ(WEXITSTATUS(status), 0) << seen.constData();
    EXPECT_EQ(readAll(path(u"t.txt.vxp"_s)).left(3), QByteArray("\x94\xcc\x86"));
}

} // namespace
