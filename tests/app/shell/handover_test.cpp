/*
 * Starting the program with paths and handing them to a running copy: the message format, the
 * server against bad clients and floods, the built `vexapad` started beside a test window that
 * serves, as a file manager starts it for a double-clicked file, and several built copies started
 * together, killed, or without a usable runtime folder.
 */
#include "app/shell/handover.h"

#include "app/fileio/descriptor.h"
#include "controls/statline/statline.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTimer>
#include <QtCore/QtEndian>
#include <QtNetwork/QLocalSocket>
#include <QtWidgets/QPushButton>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

// One record of a message: its length, 4 bytes big-endian, then its bytes.
static QByteArray record(const QByteArray& bytes) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(bytes.size()), out.data());
    return out + bytes;
}

TEST(HandOverMessage, CarriesTheCommandAndAbsolutePathsWholeAndRefusesMalformedMessages) {
    const QStringList paths{u"/a/b c.vxp"_s, u"/line\nbreak"_s, u"/ümlaut/ß.txt"_s, u"/"_s};
    const QByteArray message = HandOver::encode(paths);
    // Every shorter piece is only the start of a message.
    for (qsizetype size = 0; size < message.size(); ++size)
        EXPECT_FALSE(HandOver::decode(message.left(size))) << size;
    const QByteArray end = record({});
    const QByteArray longest = '/' + QByteArray(HandOver::MaxPathBytes - 1, 'x');
    const QStringList a{u"/a"_s};
    // The message, then whether it is refused as bad, and the command and paths taken from it.
    const std::tuple<const char*, QByteArray, bool, PathAction, QStringList> cases[] = {
        {"absolute paths", message, false, PathAction::Open, paths},
        {"a relative path", record("rel/x") + record("/a") + end, false, PathAction::Open, a},
        {"a zero byte", record(QByteArray("/a\0b", 4)) + end, false, PathAction::Open, {}},
        {"bytes that are not UTF-8", record("/b\xff") + record("/a") + end, false, PathAction::Open, a},
        {"the longest path", record(longest) + end, false, PathAction::Open, {QString::fromLatin1(longest)}},
        {"a path too long", record(longest + 'x') + end, true, PathAction::Open, {}},
        {"bytes after the end", record("/a") + end + "x", true, PathAction::Open, {}},
        {"a huge length", QByteArray("\xff\xff\xff\xff", 4), true, PathAction::Open, {}},
        {"too large", QByteArray(HandOver::MaxMessageBytes + 1, '\0'), true, PathAction::Open, {}},
        {"encrypt", HandOver::encode(a, PathAction::Encrypt), false, PathAction::Encrypt, a},
        {"decrypt", record("--decrypt") + record("/a") + end, false, PathAction::Decrypt, a},
        // Anywhere else a command word is a relative path, and as such not acted on.
        {"a word after a path", record("/a") + record("--encrypt") + end, false, PathAction::Open, a},
    };
    for (const auto& [what, bytes, bad, action, expected] : cases) {
        SCOPED_TRACE(what);
        const std::optional<HandOver::Decoded> decoded = HandOver::decode(bytes);
        ASSERT_TRUE(decoded);
        if (decoded->bad)
            EXPECT_TRUE(bad);
        else
            EXPECT_EQ(std::tuple(false, decoded->action, decoded->paths), std::tuple(bad, action, expected));
    }
    EXPECT_EQ(HandOver::encode(a, PathAction::Encrypt), record("--encrypt") + HandOver::encode(a));
}

class HandOverTest : public MainWindowTest<TestPlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The test holds the lock, as the running program does: the started copies hand over.
        const HandOver::RuntimeFolder runtime = HandOver::runtimeFolder();
        ASSERT_FALSE(runtime.path.isEmpty()) << qPrintable(runtime.problem);
        m_lock = InstanceLock(HandOver::lockPath(runtime.path));
        ASSERT_TRUE(m_lock.tryLock());
        m_socket = HandOver::socketPath(runtime.path);
        ASSERT_TRUE(m_server.listen(m_socket));
        QObject::connect(&m_server, &HandOverServer::pathsReceived, &window(), &MainWindow::pathsHandedOver);
    }

    // Runs the built program in a folder of the test's, as a file manager does, until it ends.
    int runProgram(const QStringList& arguments, const QString& folder = {}) {
        QProcess program;
        program.setWorkingDirectory(folder.isEmpty() ? root() : folder);
        program.start(QStringLiteral(VEXAPAD_PATH), arguments);
        // The program's hand-over waits for this process's event loop to answer.
        if (!QTest::qWaitFor([&program] { return program.state() == QProcess::NotRunning; }, 20000))
            return -1; // QProcess kills it on leaving
        return program.exitCode();
    }

    QStringList chosen() const { return chooser()->chosenFiles().paths(); }
    bool ran(const QString& made) const { return QFile::exists(made) && !window().state().busy; }

    InstanceLock m_lock;
    HandOverServer m_server;
    QString m_socket;
};

// Paths handed over wait for a long operation to end: the running pass walks the chosen-file
// list. Encrypted files handed over become the list's only selection, so that Decrypt after a
// double-click acts on them, not on what was selected before; a missing path is only explained.
TEST_F(HandOverTest, ASecondStartHandsEncryptedFilesToTheChooserAndItsListOnceNoPassRuns) {
    const QString earlier = makeFile(u"earlier.vxp"_s, 13);
    window().openPaths({earlier});
    const QString file = makeFile(u"docs/report.txt.vxp"_s, 13);
    const QString plain = makeFile(u"docs/plain.txt"_s, 5);
    const QString second = makeFile(u"other/second.vxp"_s, 13);
    const QString gone = path(u"other/gone.vxp"_s);
    window().showMinimized();
    window().state().busy = true;
    // Relative paths, as a file manager passes them from the files' folder.
    EXPECT_EQ(runProgram({u"report.txt.vxp"_s, u"plain.txt"_s, gone, second}, path(u"docs"_s)), 0);
    EXPECT_EQ(chosen(), QStringList{earlier});
    window().state().busy = false;
    ASSERT_TRUE(QTest::qWaitFor([this] { return chosen().size() == 3; }));
    const ChosenFiles& list = chooser()->chosenFiles();
    EXPECT_EQ(std::tuple(chooser()->currentFolder(), chooser()->selectedFiles(), list.selectedPaths(),
                         chosen().value(list.currentRow()), window().statusLine().lab6()),
              std::tuple(path(u"docs"_s), QStringList({plain, file}), QStringList({file, second}), file, u"3"_s));
    EXPECT_FALSE(window().isMinimized());
    EXPECT_EQ(m_dialogs.texts(), QStringList{gone + u"\r\nThis file or folder does not exist."_s});
}

// --encrypt and --decrypt run the window's own commands on the files given.
// Without a password the command waits for the password dialog's "Ok", and takes the files again.
TEST_F(HandOverTest, EncryptAndDecryptFromASecondStartRunTheCommandsOnTheGivenFiles) {
    const QByteArray content("the content of a plain file");
    const QString plain = makeFile(u"docs/plain.txt"_s, content);
    const QString unrelated = makeFile(u"docs/unrelated.vxp"_s, 13);
    const QString encrypted = plain + u".vxp"_s;
    window().openPaths({unrelated});
    EXPECT_EQ(runProgram({u"--encrypt"_s, u"plain.txt"_s}, path(u"docs"_s)), 0);
    PasswordDialog& dialog = window().passwordDialog();
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return dialog.isVisible(); }));
    chooser()->chosenFiles().clearSelection(); // the user's doing while the dialog is open
    setPassword(u"secret12"_s);
    QTest::mouseClick(dialog.findChild<QPushButton*>(u"Command3"_s), Qt::LeftButton); // Ok
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran(encrypted); }));
    EXPECT_EQ(chosen(), QStringList({unrelated, encrypted}));
    EXPECT_EQ(QFileInfo(unrelated).size(), 13) << "only the given file is encrypted";

    EXPECT_EQ(runProgram({u"--decrypt"_s, encrypted}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran(plain); }));
    EXPECT_EQ(readAll(plain), content);
    EXPECT_FALSE(QFile::exists(encrypted));
    EXPECT_TRUE(m_dialogs.texts().isEmpty()) << qPrintable(m_dialogs.texts().join(u'|'));
}

// A client that sends garbage is dropped; beyond the few clients it serves, a flood is closed at
// once, well before a stalled client would be; the next start still delivers.
TEST_F(HandOverTest, TheServerDropsBadClientsAndFloodsAndServesTheNextStart) {
    QLocalSocket bad;
    bad.connectToServer(m_socket);
    ASSERT_TRUE(bad.waitForConnected(2000));
    bad.write(QByteArray("\x7f\xff\xff\xff garbage", 12));
    bad.flush();
    EXPECT_TRUE(QTest::qWaitFor([&bad] { return bad.state() == QLocalSocket::UnconnectedState; }, 5000));
    // The socket is the user's alone.
    EXPECT_EQ(modeOf(m_socket) & 077, 0u);
    constexpr int Flood = 500;
    sockaddr_un address{AF_UNIX, {}};
    const QByteArray name = encoded(m_socket);
    std::memcpy(address.sun_path, name.constData(), name.size());
    std::vector<Descriptor> clients;
    for (int i = 0; i < Flood; ++i) {
        Descriptor& client = clients.emplace_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        ASSERT_TRUE(client.isOpen()) << i << ": " << std::strerror(errno);
        // A full queue waits for the server to accept.
        while (::connect(client.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ASSERT_EQ(errno, EAGAIN) << "the server stopped listening at client " << i;
            QTest::qWait(1);
        }
    }
    const auto closed = [&clients] {
        char byte;
        return std::ranges::count_if(clients, [&byte](const Descriptor& client) {
            return ::recv(client.fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
        });
    };
    EXPECT_TRUE(QTest::qWaitFor([&closed] { return closed() >= Flood - HandOver::MaxClients; }, 3000));
    EXPECT_EQ(closed(), Flood - HandOver::MaxClients);
    clients.clear();
    EXPECT_EQ(runProgram({makeDir(u"next"_s)}), 0);
}

// A box's own event loop takes in further starts: each is answered at once, and its box waits for
// the one before it to close. Afterwards the next start is still served promptly.
TEST_F(HandOverTest, StartsAreAnsweredWhileABoxIsOpenAndTheirBoxesFollowOneByOne) {
    constexpr int Starts = 100;
    std::atomic<int> delivered = 0;
    std::atomic<bool> sent = false;
    std::thread starts;
    int open = 0;
    m_dialogs.onMessage = [&] {
        EXPECT_EQ(++open, 1) << "a box opened over another";
        if (!starts.joinable()) {
            starts = std::thread([&] {
                for (int i = 0; i < Starts; ++i)
                    delivered += HandOver::send(m_socket, {path(QString::number(i))}, PathAction::Open, 2000) ==
                                 HandOver::Result::Delivered;
                sent = true;
            });
        }
        // Each box runs its own loop, as a modal one does, until every start has had its answer.
        QEventLoop box;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &box, [&] {
            if (sent)
                box.quit();
        });
        poll.start(10);
        box.exec();
        --open;
    };
    window().openPaths({path(u"gone"_s)});
    starts.join();
    EXPECT_EQ(delivered, Starts);
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_dialogs.texts().size() == Starts + 1; }));
    EXPECT_EQ(m_dialogs.texts().last(), path(u"99"_s) + u"\r\nThis file or folder does not exist."_s);
    QElapsedTimer next;
    next.start();
    EXPECT_EQ(runProgram({makeDir(u"next"_s)}), 0);
    // A start that found no room waited 5 s and failed.
    EXPECT_LT(next.elapsed(), 3000);
}

// The socket file is removed when the server ends, unless another file has taken its name; a
// file left there is stale and taken over.
TEST(HandOverServer, RemovesOnlyItsOwnSocketFile) {
    const QTemporaryDir folder;
    const QString socket = folder.filePath(u"vexapad.socket"_s);
    for (const bool replaced : {false, true}) {
        {
            HandOverServer server;
            ASSERT_TRUE(server.listen(socket));
            QFile other(folder.filePath(u"other"_s));
            if (replaced) {
                ASSERT_TRUE(other.open(QIODevice::WriteOnly));
                ASSERT_EQ(::rename(encoded(other.fileName()).constData(), encoded(socket).constData()), 0);
            }
        }
        EXPECT_EQ(QFileInfo::exists(socket), replaced);
    }
    EXPECT_TRUE(HandOverServer().listen(socket));
}

// Only the program itself may turn cores off.
constexpr rlimit CoresAllowed{RLIM_INFINITY, RLIM_INFINITY};

// The built program, started as the user starts it, in a runtime folder of the test's.
class RunningCopiesTest : public TempEnvTest {
protected:
    // Whatever happens to the test, no program it started stays.
    void TearDown() override {
        m_programs.clear(); // QProcess kills what still runs
        TempEnvTest::TearDown();
    }

    QProcess& start(const QString& runtime, const QStringList& arguments = {}) {
        QProcess& program = *m_programs.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(root());
        program.setChildProcessModifier([] { ::setrlimit(RLIMIT_CORE, &CoresAllowed); });
        program.start(QStringLiteral(VEXAPAD_PATH), arguments);
        EXPECT_TRUE(program.waitForStarted());
        return program;
    }

    std::vector<std::unique_ptr<QProcess>> m_programs;
};

TEST_F(RunningCopiesTest, OneOfThreeStartsServesAndAKilledOneIsReplaced) {
    const QString runtime = makeDir(u"runtime"_s);
    ASSERT_EQ(::chmod(encoded(runtime).constData(), 0700), 0);
    // A start's paths reach a running copy.
    const auto served = [&runtime] {
        return QTest::qWaitFor(
            [&runtime] {
                return HandOver::send(HandOver::socketPath(runtime), {}, PathAction::Open, 2000) ==
                       HandOver::Result::Delivered;
            },
            20000);
    };
    for (int i = 0; i < 3; ++i)
        start(runtime, {makeDir(u"folder"_s + QString::number(i))});
    // Two hand over and end well; the third serves.
    const auto handedOver = [](const auto& program) {
        return program->state() == QProcess::NotRunning && program->exitStatus() == QProcess::NormalExit &&
               program->exitCode() == 0;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::ranges::count_if(m_programs, handedOver) == 2; }, 20000));
    EXPECT_TRUE(served());
    const auto server =
        std::ranges::find_if(m_programs, [](const auto& program) { return program->state() == QProcess::Running; });
    ASSERT_NE(server, m_programs.end());

    // Killed, it leaves its socket file behind: the next start serves in its place.
    (*server)->kill();
    ASSERT_TRUE((*server)->waitForFinished(10000));
    EXPECT_TRUE(QFileInfo::exists(HandOver::socketPath(runtime)));
    const QString plain = makeFile(u"a.txt"_s, 20);
    start(runtime, {u"--encrypt"_s, plain}); // it waits in the password dialog
    EXPECT_TRUE(served());

    // Ended by the session, it asks nothing and removes both files; the next start serves.
    for (const int signalNumber : {SIGTERM, SIGHUP}) {
        QProcess& serving = *m_programs.back();
        const QString limits = QString::fromLatin1(readAll(u"/proc/%1/limits"_s.arg(serving.processId())));
        EXPECT_TRUE(limits.contains(QRegularExpression(u"Max core file size +0 "_s))) << qPrintable(limits);
        ::kill(pid_t(serving.processId()), signalNumber);
        ASSERT_TRUE(serving.waitForFinished(10000));
        EXPECT_EQ(std::tuple(serving.exitStatus(), serving.exitCode(), QFileInfo::exists(HandOver::socketPath(runtime)),
                             QFileInfo::exists(HandOver::lockPath(runtime)), readAll(plain).size()),
                  std::tuple(QProcess::NormalExit, 128 + signalNumber, false, false, qsizetype(20)));
        start(runtime, {u"--encrypt"_s, plain});
        EXPECT_TRUE(served());
    }
}

TEST_F(RunningCopiesTest, WithoutAUsableRuntimeFolderAStartRunsAloneAndSaysSoOnce) {
    const std::tuple<const char*, mode_t, uid_t> cases[] = {
        {"open-to-others", 0755, ::geteuid()},
        {"another-users", 0700, 65534},
    };
    for (const auto& [name, mode, owner] : cases) {
        SCOPED_TRACE(name);
        const QString folder = makeDir(QString::fromLatin1(name));
        const QByteArray raw = encoded(folder);
        ASSERT_EQ(::chmod(raw.constData(), mode), 0);
        if (::chown(raw.constData(), owner, owner) != 0) {
            std::printf("skipped %s: only root gives a folder away\n", name);
            continue;
        }
        QProcess& program = start(folder);
        QByteArray errors;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (errors += program.readAllStandardError()).contains('\n'); }, 20000));
        // It keeps running, alone.
        EXPECT_FALSE(program.waitForFinished(1000));
        program.kill();
        program.waitForFinished();
        errors += program.readAllStandardError();
        EXPECT_EQ(errors.count('\n'), 1) << errors.constData();
        EXPECT_TRUE(errors.startsWith("vexapad: ") && errors.contains(raw)) << errors.constData();
        EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        EXPECT_FALSE(QFileInfo::exists(u"/vexapad.socket"_s) || QFileInfo::exists(u"/vexapad.lock"_s));
    }
}
