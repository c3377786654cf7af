/*
 * The main program: the command line, the application object, the real message boxes and
 * platform, and the main window, which opens everything else. A second start hands its paths (and
 * the command asked for them) to the running program and ends.
 */
#include "app/core/messageboxdialogs.h"
#include "app/platform/interruptwatch.h"
#include "app/platform/linuxplatform.h"
#include "app/platform/processsetup.h"
#include "app/shell/handover.h"
#include "app/shell/mainwindow.h"
#include "common/earlyoptions.h"

#include <QtCore/QDir>
#include <QtWidgets/QApplication>

#include <sodium.h>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    // Before any thread: the Strong level's library picks its functions and its random source.
    if (sodium_init() < 0) {
        std::fputs("vexapad: the cryptography library cannot start\n", stderr);
        return 1;
    }
    ProcessSetup::keepMemoryPrivate();
    ProcessSetup::ignoreFileSizeSignal();
    ProcessSetup::raiseDescriptorLimit();
    ProcessSetup::leaveRuntimeFolderWarnings();
    // The per-user folders are named after the program alone.
    QCoreApplication::setApplicationName(u"vexapad"_s);
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Vexa Password: hides files from casual reading."_s);
    parser.addPositionalArgument(u"paths"_s, u"Files or folders to show in the file chooser."_s, u"[paths...]"_s);
    const QCommandLineOption encryptOption(u"encrypt"_s,
                                           u"Encrypt the given files, asking as the Encrypt command does."_s);
    const QCommandLineOption decryptOption(u"decrypt"_s,
                                           u"Decrypt the given files, asking as the Decrypt command does."_s);
    parser.addOption(encryptOption);
    parser.addOption(decryptOption);
    answerHelpOrVersion(parser, argc, argv);

    QApplication application(argc, argv);
    parser.process(application);
    if (parser.isSet(encryptOption) && parser.isSet(decryptOption)) {
        std::fprintf(stderr, "vexapad: --encrypt and --decrypt cannot be given together\n");
        return 2;
    }
    const PathAction action = parser.isSet(encryptOption)   ? PathAction::Encrypt
                              : parser.isSet(decryptOption) ? PathAction::Decrypt
                                                            : PathAction::Open;

    // The running program may have another current folder: the paths travel absolute.
    QStringList paths;
    for (const QString& path : parser.positionalArguments())
        paths << QDir::cleanPath(QDir::current().absoluteFilePath(path));

    // One copy serves the user; the others hand their paths to it and end.
    const HandOver::RuntimeFolder runtime = HandOver::runtimeFolder();
    InstanceLock lock;
    if (runtime.path.isEmpty()) {
        std::fprintf(stderr, "vexapad: no usable runtime folder (%s): this copy neither takes nor hands over paths\n",
                     qPrintable(runtime.problem));
    } else {
        lock = InstanceLock(HandOver::lockPath(runtime.path));
        if (!lock.isOpen())
            std::fprintf(stderr,
                         "vexapad: the lock file %s cannot be opened: this copy neither takes nor hands over paths\n",
                         qPrintable(HandOver::lockPath(runtime.path)));
    }
    const QString socket = lock.isOpen() ? HandOver::socketPath(runtime.path) : QString();
    if (lock.isOpen()) {
        switch (HandOver::serveOrHandOver(lock, socket, paths, action)) {
        case HandOver::Start::HandedOver:
            return 0;
        case HandOver::Start::NotTaken:
            std::fprintf(stderr, "vexapad: the running program did not take the paths\n");
            return 1;
        case HandOver::Start::TooLarge:
            std::fprintf(stderr, "vexapad: the paths are too long to hand to the running program\n");
            return 1;
        case HandOver::Start::Serve:
            break;
        }
    }

    // A logout (SIGTERM) or a closed terminal (SIGHUP) ends the program at once. The objects
    // below end first, in order: the run puts its complete outputs in place, the socket goes; then
    // the lock. Made before them, the watch still takes a second signal while they end.
    InterruptWatch endSignals({SIGTERM, SIGHUP});
    MessageBoxDialogs dialogs;
    LinuxPlatform platform;
    MainWindow window(dialogs, platform);
    dialogs.setParent(&window);
    // Made after the lock, so it ends first: the socket goes before the lock is freed.
    HandOverServer server;
    if (lock.isHeld())
        if (const Expected<void> listening = server.listen(socket); !listening)
            std::fprintf(stderr, "vexapad: a second start cannot reach this one: %s: %s\n", qPrintable(socket),
                         qPrintable(listening.error().message));
    QObject::connect(&server, &HandOverServer::pathsReceived, &window, &MainWindow::pathsHandedOver);
    QObject::connect(&endSignals, &InterruptWatch::interrupted, &window, &MainWindow::endOnSignal);
    window.show();
    window.openPaths(paths, action);
    // exec() forgets an exit asked for before it runs, such as one from a box the start showed.
    const int status = InterruptWatch::hasFired() ? 0 : application.exec();
    if (const int signalNumber = InterruptWatch::firedSignal())
        return 128 + signalNumber;
    return status;
}
