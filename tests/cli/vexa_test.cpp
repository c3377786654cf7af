/*
 * The vexa program as a user runs it: in its own session (no terminal unless a test gives it a
 * pseudo-terminal), in the test's folder, with the password from a file.
 */
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>

#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/xattr.h>

namespace {

struct Ran {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs vexa, through the command named by a prefix when one is given.
void startIn(QProcess& process, const QString& folder, const QStringList& arguments, QStringList prefix = {}) {
    process.setWorkingDirectory(folder);
    // A session of its own has no controlling terminal: /dev/tty cannot be opened. Cores are
    // allowed: only the program itself may turn them off.
    process.setChildProcessModifier([] {
        ::setsid();
        const rlimit cores{RLIM_INFINITY, RLIM_INFINITY};
        ::setrlimit(RLIMIT_CORE, &cores);
    });
    prefix << QStringLiteral(VEXA_PROGRAM) << arguments;
    process.start(prefix.takeFirst(), prefix);
}

// The stored attribute value in its text form; empty when there is none.
QByteArray storedAttributes(const QString& file) {
    char stored[16] = {};
    const ssize_t size = ::getxattr(encoded(file).constData(), "user.DOSATTRIB", stored, sizeof stored);
    return QByteArray(stored, std::max<ssize_t>(size, 0));
}

class VexaTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        makeFile(u"pw"_s, QByteArray("abc\n"));
    }

    Ran vexa(const QStringList& arguments, const QByteArray& input = {}, const QStringList& prefix = {}) {
        QProcess process;
        startIn(process, root(), arguments, prefix);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    // Runs with the password "abc" from its file, an option given before the paths.
    Ran vexaPw(QStringList arguments) {
        arguments.insert(1, u"pw"_s);
        arguments.insert(1, u"--password-file"_s);
        return vexa(arguments);
    }
    // The names in the test's folder other than the password file and the per-user folders.
    QStringList files() const {
        QStringList names = namesIn(root()).filter(QRegularExpression(u"^(?!xdg-)"_s));
        names.removeAll(u"pw"_s);
        return names;
    }
};

TEST_F(VexaTest, EncryptsAndDecryptsWithTheFormatsBytes) {
    const QByteArray plain = sampleBytes(100000);
    makeFile(u"a.txt"_s, plain);
    Ran ran = vexaPw({u"encrypt"_s, u"a.txt"_s});
    EXPECT_EQ(std::pair(ran.status, ran.out), std::pair(0, QByteArray("a.txt -> a.txt.vxp\n"))) << ran.err.constData();
    EXPECT_TRUE(readAll(path(u"a.txt.vxp"_s)) == encryptedForm(plain, 'H', "abc"));
    EXPECT_EQ(files(), (QStringList{u"a.txt"_s, u"a.txt.vxp"_s}));

    QFile::remove(path(u"a.txt"_s));
    ran = vexa({u"decrypt"_s, u"--delete-original"_s, u"--password-fd"_s, u"0"_s, u"a.txt.vxp"_s}, "abc\n");
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_TRUE(readAll(path(u"a.txt"_s)) == plain);
    EXPECT_EQ(files(), QStringList{u"a.txt"_s});

    ran = vexaPw({u"encrypt"_s, u"--low"_s, u"--delete-original"_s, u"a.txt"_s});
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    // The file decrypted from a read-only ".vxp" has its write bit back: the header saves no mark.
    EXPECT_TRUE(readAll(path(u"a.txt.vxp"_s)) == encryptedForm(plain, 'L', "abc"));
    EXPECT_EQ(files(), QStringList{u"a.txt.vxp"_s});
}

TEST_F(VexaTest, ForceReplacesAndMarksAsTheWindowDoes) {
    const QByteArray plain = sampleBytes(100);
    const QString input = makeFile(u"a.txt"_s, plain);
    ASSERT_EQ(::setxattr(encoded(input).constData(), "user.DOSATTRIB", "0x2", 3, 0), 0);
    const QString output = makeFile(u"a.txt.vxp"_s, QByteArray("an older, read-only output"));
    ASSERT_EQ(::chmod(encoded(output).constData(), 0400), 0);

    Ran ran = vexaPw({u"encrypt"_s, u"--force"_s, u"a.txt"_s});
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    // The header keeps the input's hidden bit; the output is marked encrypted (below), the input
    // keeps hidden.
    EXPECT_EQ(vexa({u"info"_s, u"a.txt.vxp"_s}).out, "a.txt.vxp: level high, saved attributes -H--\n");

    // A forced decryption that fails leaves both files' bits and attributes: here root's, which
    // would give another account's file the name of a third account's. (The read-only ".vxp"
    // replaced gave the new one no more than its own bits.)
    if (::geteuid() != 0)
        return;
    ASSERT_TRUE(::chmod(encoded(input).constData(), 0444) == 0 && ::chown(encoded(input).constData(), 40002, 0) == 0 &&
                ::chown(encoded(output).constData(), 40001, 0) == 0);
    ran = vexaPw({u"decrypt"_s, u"--force"_s, u"a.txt.vxp"_s});
    EXPECT_EQ(std::tuple(ran.status, ran.err.endsWith("/a.txt belongs to another account.\n"), readAll(input)),
              std::tuple(1, true, plain));
    EXPECT_EQ(QList({modeOf(input), modeOf(output)}), QList<mode_t>({0444, 0400}));
    EXPECT_EQ(storedAttributes(input) + storedAttributes(output), "0x20x7");
}

TEST_F(VexaTest, RefusesWhatTheWindowRefuses) {
    const QByteArray plain = sampleBytes(100);
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s})
        makeFile(name, plain);
    makeFile(u"b.txt.vxp"_s, QByteArray("an older output"));
    makeFile(u"short"_s, QByteArray("0123456789"));
    ASSERT_TRUE(::link(encoded(path(u"c.txt"_s)).constData(), encoded(path(u"c.txt.vxp"_s)).constData()) == 0);
    // A name that is not UTF-8 reads with U+FFFD in its place, and names no file as text.
    makeRawFile("bad\xff.txt", plain);
    makeFile(u"space"_s, QByteArray("a b\n"));
    makeFile(u"wrong"_s, QByteArray("abd\n"));
    // Names a pattern such as * gives before the others in the C locale.
    makeFile(u"--delete-original"_s, plain);
    makeFile(u"-f"_s, plain);
    // Only ".vxp" ends an encrypted file's name, not "vxp" alone.
    for (const QString& name : {u"good.vxp"_s, u"goodvxp"_s})
        makeFile(name, encryptedForm(plain, 'H', "abc"));

    const QString a = u"a.txt"_s, pw = u"--password-file"_s;
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{u"encrypt"_s, pw, u"pw"_s, u"b.txt"_s}, 1, "b.txt: b.txt.vxp already exists"},
        {{u"encrypt"_s, pw, u"pw"_s, u"--force"_s, u"c.txt"_s}, 1, "is the input itself"},
        {{u"encrypt"_s, pw, u"pw"_s, u"short"_s}, 1, "too short to encrypt"},
        {{u"encrypt"_s, pw, u"pw"_s, u"bad\uFFFD.txt"_s}, 1, "not valid UTF-8"},
        {{u"encrypt"_s, pw, u"pw"_s, u"good.vxp"_s}, 1, "already encrypted"},
        {{u"encrypt"_s, pw, u"pw"_s, u"--delete-original"_s, u"-f"_s, a}, 2, "write ./--delete-original or put --"},
        {{u"encrypt"_s, pw, u"pw"_s, u"-f"_s, a}, 2, "write ./-f or put --"},
        // After a path, an option is a path; a name prints with its control characters visible.
        {{u"encrypt"_s, pw, u"pw"_s, u"short"_s, u"--json"_s}, 1, "--json: No such file"},
        {{u"encrypt"_s, pw, u"pw"_s, u"\x1b]0;t\a\n\u0085"_s}, 1, "vexa: \\e]0;t\\x07\\n\\xc2\\x85: No such file"},
        {{u"decrypt"_s, pw, u"wrong"_s, u"good.vxp"_s}, 1, "good.vxp: wrong password"},
        {{u"decrypt"_s, pw, u"pw"_s, a}, 1, "not an encrypted file"},
        {{u"decrypt"_s, pw, u"pw"_s, u"goodvxp"_s}, 1, "not an encrypted file"},
        {{u"encrypt"_s, pw, u"space"_s, a}, 2, "holds a space"},
        {{u"encrypt"_s, a}, 2, "no terminal"},
        {{u"encrypt"_s, pw, u"pw"_s}, 2, "no file given"},
        {{u"decrypt"_s, u"--low"_s, a}, 2, "Unknown option"},
        {{u"scramble"_s}, 2, "unknown subcommand"},
        {{u"lock"_s, pw, u"pw"_s, u"/usr"_s}, 1, "system folder"},
        {{u"attrib"_s, u"--set"_s, u"x"_s, a}, 2, "letters r, h, s and a"},
        {{u"generate"_s, u"--length"_s, u"256"_s}, 2, "1 to 255"},
    };
    const QStringList before = files();
    for (const auto& [arguments, status, message] : cases) {
        const Ran ran = vexa(arguments);
        EXPECT_TRUE(ran.status == status && ran.err.contains(message) && ran.out.isEmpty())
            << message << ": " << ran.status << " " << ran.err.constData();
    }
    EXPECT_EQ(files(), before);
    EXPECT_EQ(readAll(path(u"b.txt.vxp"_s)), "an older output");
    EXPECT_EQ(readAll(path(u"good.vxp"_s)), encryptedForm(plain, 'H', "abc"));
}

TEST_F(VexaTest, JsonLinesAndFolders) {
    const QByteArray plain = sampleBytes(50);
    makeFile(u"tree/a.txt"_s, plain);
    makeFile(u"tree/sub/b.txt"_s, plain);
    makeFile(u"tree/done.vxp"_s, encryptedForm(plain, 'H', "abc"));
    makeFile(u"tree/.b.txt.unfinished-Ab12Cd"_s, plain);
    makeFile(u"elsewhere/c.txt"_s, plain);
    ASSERT_TRUE(QFile::link(path(u"elsewhere"_s), path(u"tree/link"_s)));
    makeFile(u"tree/sub/b.txt.vxp"_s, QByteArray("older"));
    // What the walk can neither open, list nor name is reported, never passed over.
    makeFile(u"tree/closed/c.txt"_s, plain);
    ASSERT_EQ(::chmod(encoded(path(u"tree/closed"_s)).constData(), 0), 0);
    ASSERT_EQ(::chmod(encoded(makeDir(u"tree/unlisted"_s)).constData(), 0300), 0);
    makeRawFile("tree/bad\xff.txt", plain);
    makeRawFile("tree/dir\xfe/");
    makeRawFile("tree/dir\xfe/d.txt", plain);
    // Root reads any folder: the run gives that power up, so that the modes hold for it too.
    const QStringList asUser =
        ::geteuid() == 0 ? QStringList{u"setpriv"_s, u"--bounding-set"_s, u"-dac_override,-dac_read_search"_s, u"--"_s}
                         : QStringList();
    const Ran ran =
        vexa({u"encrypt"_s, u"--json"_s, u"-r"_s, u"--password-file"_s, u"pw"_s, u"--"_s, u"tree"_s}, {}, asUser);
    EXPECT_EQ(ran.status, 1);
    // Refusals are reported in order as they are met; the pass when it has ended.
    const QByteArray unreadable =
        "\"message\":\"this folder cannot be opened (Permission denied); the files in it are left as they were\",";
    const QByteArray unnamed = "\"message\":\"the name is not valid UTF-8 here and cannot be given back exactly; "
                               "rename it first\",\"outcome\":\"skipped\",\"output\":\"\",";
    EXPECT_EQ(ran.out, R"j({"bytes":0,)j" + unnamed + R"j("path":"tree/bad�.txt","path_base64":"dHJlZS9iYWT/LnR4dA=="}
{"bytes":0,)j" + unreadable +
                           R"j("outcome":"skipped","output":"","path":"tree/closed"}
{"bytes":0,)j" + unnamed +
                           R"j("path":"tree/dir�","path_base64":"dHJlZS9kaXL+"}
{"bytes":50,"message":"tree/sub/b.txt.vxp already exists (give --force to replace it)",)j"
                           R"j("outcome":"skipped","output":"","path":"tree/sub/b.txt"}
{"bytes":0,)j" + unreadable +
                           R"j("outcome":"skipped","output":"","path":"tree/unlisted"}
{"bytes":50,"message":"","outcome":"done","output":"tree/a.txt.vxp","path":"tree/a.txt"}
)j");
    EXPECT_TRUE(ran.err.contains("vexa: tree/bad\\xff.txt: ") && ran.err.contains("vexa: tree/sub/b.txt: "));
    EXPECT_EQ(namesIn(path(u"elsewhere"_s)), QStringList{u"c.txt"_s});
    EXPECT_EQ(namesIn(path(u"tree"_s)).filter(u".vxp"_s), (QStringList{u"a.txt.vxp"_s, u"done.vxp"_s}));
    EXPECT_EQ(namesIn(path(u"tree/closed"_s)), QStringList{u"c.txt"_s});
}

TEST_F(VexaTest, LocksUnlocksAndMarks) {
    makeFile(u"docs/x"_s, QByteArray("inside"));
    const Ran ran = vexaPw({u"lock"_s, u"docs"_s});
    ASSERT_EQ(ran.status, 0) << ran.err.constData();
    const QString locked = QString::fromLocal8Bit(ran.out.trimmed()).section(u" -> "_s, 1);
    EXPECT_TRUE(locked.startsWith(u"docs."_s)) << ran.out.constData();
    EXPECT_EQ(vexaPw({u"unlock"_s, locked}).status, 0);
    EXPECT_EQ(namesIn(path(u"docs"_s)), QStringList{u"x"_s});

    // Read-only is the permission bits; the rest the stored value, in its text form.
    const QString notes = makeFile(u"n.txt"_s, QByteArray("x"));
    EXPECT_EQ(vexa({u"attrib"_s, u"--set"_s, u"rh"_s, u"n.txt"_s}).out, "RH--  n.txt\n");
    EXPECT_EQ(modeOf(notes) & S_IWUSR, 0u);
    EXPECT_EQ(vexa({u"attrib"_s, u"--clear"_s, u"r"_s, u"--set"_s, u"a"_s, u"n.txt"_s}).out, "-H-A  n.txt\n");
    EXPECT_EQ(modeOf(notes) & S_IWUSR, mode_t(S_IWUSR));
    EXPECT_EQ(storedAttributes(notes), "0x22");
}

TEST_F(VexaTest, EachStopSignalSettlesTheBatchAndEndsWith128PlusItsNumber) {
    ASSERT_EQ(::truncate(encoded(makeFile(u"big"_s, 0)).constData(), qint64(1) << 30), 0);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        SCOPED_TRACE(signalNumber);
        makeFile(u"a.txt"_s, sampleBytes(100));
        QProcess process;
        startIn(process, root(),
                {u"encrypt"_s, u"-v"_s, u"--delete-original"_s, u"--password-file"_s, u"pw"_s, u"a.txt"_s, u"big"_s});
        process.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (!err.contains("encrypting big") && process.waitForReadyRead(30000))
            err += process.readAllStandardError();
        // It holds a password now: no core may be written, whatever ends it.
        const QString limits = QString::fromLatin1(readAll(u"/proc/%1/limits"_s.arg(process.processId())));
        EXPECT_TRUE(limits.contains(QRegularExpression(u"Max core file size +0 "_s))) << qPrintable(limits);
        ::kill(pid_t(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(60000));
        // The complete output before it is in place, its original gone; the stopped file is untouched.
        EXPECT_EQ(std::tuple(process.exitStatus(), process.exitCode(), process.readAllStandardOutput(), files(),
                             QFileInfo(path(u"big"_s)).size()),
                  std::tuple(QProcess::NormalExit, 128 + signalNumber, QByteArray("a.txt -> a.txt.vxp\n"),
                             QStringList{u"a.txt.vxp"_s, u"big"_s}, qint64(1) << 30));
        QFile::remove(path(u"a.txt.vxp"_s));
    }
}

TEST_F(VexaTest, TerminalPromptEchoesNothingAndAsksTwice) {
    makeFile(u"t.txt"_s, sampleBytes(100));
    int terminal = -1;
    const QByteArray folder = encoded(root());
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(folder.constData()) == 0)
            ::execl(VEXA_PROGRAM, "vexa", "encrypt", "t.txt", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Answers each prompt as it shows, until the program closes the terminal (or stays silent).
    QByteArray seen;
    char buffer[256];
    pollfd wait{terminal, POLLIN, 0};
    for (ssize_t got; ::poll(&wait, 1, 30000) > 0 && (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
        const qsizetype prompts = seen.count("Password");
        seen.append(buffer, got);
        if (seen.count("Password") > prompts) {
            ASSERT_EQ(::write(terminal, "k3y\n", 4), 4);
        }
    }
    ::close(terminal);
    ::kill(child, SIGKILL); // one still waiting is a failure, not a hang
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(seen.contains("Password: ") && seen.contains("Password again: ")) << seen.constData();
    EXPECT_FALSE(seen.contains("k3y")) << seen.constData();
    EXPECT_EQ(readAll(path(u"t.txt.vxp"_s)).left(3), QByteArray("\x94\xcc\x86"));
}

} // namespace

TEST_F(VexaTest, StrongFilesTakeThePassPhraseAndAMixedDecryptBothSecrets) {
    // Three runs of the real derivation: an encryption, a wrong pass phrase and a mixed decryption.
    makeFile(u"phrase"_s, QByteArray("a pass phrase for strong files\n"));
    makeFile(u"other"_s, QByteArray("a wrong pass phrase\n"));
    makeFile(u"a.txt"_s, sampleBytes(70000));
    makeFile(u"e"_s, QByteArray());
    Ran ran = vexa({u"encrypt"_s, u"--level"_s, u"strong"_s, u"--passphrase-file"_s, u"phrase"_s, u"a.txt"_s, u"e"_s});
    EXPECT_EQ(std::pair(ran.status, ran.out), std::pair(0, QByteArray("a.txt -> a.txt.vxp\ne -> e.vxp\n")));
    EXPECT_EQ(readAll(path(u"a.txt.vxp"_s)).at(8), '\xac');
    EXPECT_EQ(vexa({u"info"_s, u"a.txt.vxp"_s}).out,
              "a.txt.vxp: level strong, key derivation Argon2id, 3 passes, 256 MiB\n");
    makeFile(u"c.txt.vxp"_s, encryptedForm(sampleBytes(20), 'H', "abc"));
    for (const QString& name : {u"a.txt"_s, u"e"_s})
        QFile::remove(path(name));

    ran = vexa({u"decrypt"_s, u"--json"_s, u"--passphrase-file"_s, u"other"_s, u"a.txt.vxp"_s});
    EXPECT_TRUE(ran.status == 1 && ran.out.contains("\"skipped\"") && ran.err.contains("wrong pass phrase"));
    ran = vexa({u"decrypt"_s, u"--passphrase-file"_s, u"phrase"_s, u"--password-file"_s, u"pw"_s, u"a.txt.vxp"_s,
                u"c.txt.vxp"_s, u"e.vxp"_s});
    EXPECT_EQ(ran.status, 0) << ran.err.constData();
    EXPECT_TRUE(readAll(path(u"a.txt"_s)) == sampleBytes(70000) && readAll(path(u"c.txt"_s)) == sampleBytes(20) &&
                QFile::exists(path(u"e"_s)));
}
