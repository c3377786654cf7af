/*
 * Starting the program with paths and handing them to a running copy: the message format, the
 * server against bad clients, and the built `vexapad` started beside a test window that serves,
 * as a file manager starts it for a double-clicked file.
 */
#include "handover.h"

#include "chosenlist.h"
#include "mainwindowtest.h"
#include "statline.h"
#include "testplatform.h"

#include <QtCore/QProcess>
#include <QtCore/QtEndian>
#include <QtNetwork/QLocalSocket>
#include <QtWidgets/QListView>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray record(const QByteArray& bytes) {
    QByteArray out(4, '\0');
    qToBigEndian(quint32(bytes.size()), out.data());
    return out + bytes;
}

} // namespace

TEST(HandOverMessage, CarriesAbsolutePathsWholeIgnoresUnusableOnesAndRefusesMalformedMessages) {
    const QStringList paths{u"/a/b c.vxp"_s, u"/line\nbreak"_s, u"/ümlaut/ß.txt"_s, u"/"_s};
    const QByteArray message = HandOver::encode(paths);
    // Every shorter piece is only the start of a message.
    for (qsizetype size = 0; size < message.size(); ++size)
        EXPECT_FALSE(HandOver::decode(message.left(size))) << size;
    const QByteArray end = record({});
    const std::tuple<const char*, QByteArray, bool, QStringList> cases[] = {
        {"absolute paths", message, false, paths},
        {"no path", HandOver::encode({}), false, {}},
        {"a relative path", record("rel/x") + record("/abs") + end, false, {u"/abs"_s}},
        {"a zero byte", record(QByteArray("/a\0b", 4)) + end, false, {}},
        {"the longest path",
         record('/' + QByteArray(HandOver::MaxPathBytes - 1, 'x')) + end,
         false,
         {u'/' + QString(HandOver::MaxPathBytes - 1, u'x')}},
        {"a path too long", record('/' + QByteArray(HandOver::MaxPathBytes, 'x')) + end, true, {}},
        {"bytes after the end", record("/a") + end + "x", true, {}},
        {"a huge length", QByteArray("\xff\xff\xff\xff", 4), true, {}},
        {"too large", QByteArray(HandOver::MaxMessageBytes + 1, '\0'), true, {}},
    };
    for (const auto& [what, bytes, bad, expected] : cases) {
        SCOPED_TRACE(what);
        const std::optional<HandOver::Decoded> decoded = HandOver::decode(bytes);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(std::pair(decoded->bad, bad ? QStringList() : decoded->paths), std::pair(bad, expected));
    }
}

class HandOverTest : public MainWindowTest<TestPlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        m_socket = HandOver::socketPath();
        ASSERT_TRUE(m_server.listen(m_socket));
        QObject::connect(&m_server, &HandOverServer::pathsReceived, &window(), &MainWindow::pathsHandedOver);
    }

    // Runs the built program in a folder of the test's, as a file manager does, until it ends.
    int runProgram(const QStringList& arguments, const QString& folder) {
        QProcess program;
        program.setWorkingDirectory(folder);
        program.start(QStringLiteral(VEXAPAD_PATH), arguments);
        // The program's hand-over waits for this process's event loop to answer.
        if (!QTest::qWaitFor([&program] { return program.state() == QProcess::NotRunning; }, 20000)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "vexapad did not end";
            return -1;
        }
        return program.exitCode();
    }

    QStringList selectedFiles() const { return chooser()->selectedFiles(); }
    QStringList chosen() const { return static_cast<ChosenList*>(chooser()->chosenList())->entries(); }

    HandOverServer m_server;
    QString m_socket;
};

TEST_F(HandOverTest, ASecondStartHandsAnEncryptedFileToTheChooserAndItsList) {
    const QByteArray content(13, 'x');
    const QString file = makeFile(u"docs/report.txt.vxp"_s, content);
    makeFile(u"docs/other.txt"_s, 5);
    window().showMinimized();
    // A relative path, as a file manager passes it from the file's folder.
    EXPECT_EQ(runProgram({u"report.txt.vxp"_s}, path(u"docs"_s)), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return chooser() && chooser()->currentFolder() == path(u"docs"_s); }));
    EXPECT_EQ(selectedFiles(), QStringList{file});
    EXPECT_TRUE(chooser()->shownFiles().contains(u"report.txt.vxp"_s));
    EXPECT_EQ(chosen(), QStringList{file});
    EXPECT_EQ(window().statusLine().lab6(), u"1"_s);
    EXPECT_FALSE(window().isMinimized());
    EXPECT_TRUE(m_dialogs.texts().isEmpty()) << qPrintable(m_dialogs.texts().join(u'|'));
    // Handing the same file over again adds no second entry; nothing was decrypted.
    EXPECT_EQ(runProgram({file}, root()), 0);
    EXPECT_EQ(chosen(), QStringList{file});
    EXPECT_EQ(readAll(file), content);
    EXPECT_FALSE(QFile::exists(path(u"docs/report.txt"_s)));
}

TEST_F(HandOverTest, APlainFileIsSelectedAndAMissingPathOnlyExplained) {
    const QString plain = makeFile(u"docs/plain.txt"_s, 5);
    EXPECT_EQ(runProgram({plain, path(u"docs/gone.vxp"_s)}, root()), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return chooser()->currentFolder() == path(u"docs"_s); }));
    EXPECT_EQ(selectedFiles(), QStringList{plain});
    EXPECT_TRUE(chosen().isEmpty());
    EXPECT_EQ(m_dialogs.texts(), QStringList{path(u"docs/gone.vxp"_s) + u"\r\nThis file or folder does not exist."_s});

    // Only a missing path: a message and the chooser stays where it is.
    m_dialogs.clear();
    EXPECT_EQ(runProgram({path(u"nowhere"_s)}, root()), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_dialogs.texts().isEmpty(); }));
    EXPECT_EQ(chooser()->currentFolder(), path(u"docs"_s));
    EXPECT_EQ(selectedFiles(), QStringList{plain});
}

TEST_F(HandOverTest, TheServerDropsBadClientsAndServesTheNextOne) {
    QStringList received;
    QObject::connect(&m_server, &HandOverServer::pathsReceived,
                     [&received](const QStringList& paths) { received << paths; });
    QLocalSocket bad;
    bad.connectToServer(m_socket);
    ASSERT_TRUE(bad.waitForConnected(2000));
    bad.write(QByteArray("\x7f\xff\xff\xff garbage", 12));
    bad.flush();
    EXPECT_TRUE(QTest::qWaitFor([&bad] { return bad.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_TRUE(received.isEmpty());
    // The socket is the user's alone.
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(m_socket).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
    const QString folder = makeDir(u"next"_s);
    EXPECT_EQ(runProgram({folder}, root()), 0);
    EXPECT_EQ(received, QStringList{folder});
    EXPECT_TRUE(QTest::qWaitFor([this, &folder] { return chooser()->currentFolder() == folder; }));
}

class StaleSocketTest : public TempEnvTest {};

TEST_F(StaleSocketTest, ANewStartTakesOverASocketNoProgramAnswers) {
    // A socket file left behind by a copy that ended without closing it.
    const QString runtime = makeDir(u"runtime"_s);
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    const QString socket = runtime + u"/vexapad.socket"_s;
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(socket);
        ASSERT_LT(size_t(name.size()), sizeof address.sun_path);
        std::memcpy(address.sun_path, name.constData(), name.size());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(QFile::exists(socket));
    EXPECT_EQ(HandOver::send(socket, {}, 1000), HandOver::Result::NoServer);

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(root());
    program.start(QStringLiteral(VEXAPAD_PATH), {makeDir(u"work"_s)});
    ASSERT_TRUE(program.waitForStarted());
    // The new start serves the socket: a third start's paths are delivered, and it keeps running.
    EXPECT_TRUE(
        QTest::qWaitFor([&socket] { return HandOver::send(socket, {}, 1000) == HandOver::Result::Delivered; }, 20000));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

TEST_F(HandOverTest, PathsHandedOverDuringALongOperationWaitForItsEnd) {
    const QString file = makeFile(u"docs/late.vxp"_s, 13);
    window().state().Busy = true;
    EXPECT_EQ(runProgram({file}, root()), 0);
    // The running pass walks the chosen-file list: nothing changes under it.
    QTest::qWait(500);
    EXPECT_NE(chooser()->currentFolder(), path(u"docs"_s));
    EXPECT_TRUE(chosen().isEmpty());
    window().state().Busy = false;
    ASSERT_TRUE(QTest::qWaitFor([this] { return !chosen().isEmpty(); }));
    EXPECT_EQ(chosen(), QStringList{file});
    EXPECT_EQ(chooser()->currentFolder(), path(u"docs"_s));
    EXPECT_EQ(selectedFiles(), QStringList{file});
}
