/*
 * vexa: the command line of Vexa Password. It encrypts and decrypts files, locks and unlocks
 * folders, shows and sets attributes, describes encrypted files and prints random passwords,
 * through the same engines and by the same rules as the window, without any display.
 */
#include "app/platform/interruptwatch.h"
#include "app/platform/linuxplatform.h"
#include "app/platform/processsetup.h"
#include "cli/console.h"
#include "cli/subcommands.h"

#include <QtCore/QCoreApplication>

#include <sodium.h>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

using Run = int (*)(Platform&, InterruptWatch&, const QStringList&);

struct Subcommand {
    QString name;
    QString arguments;
    QString summary;
    Run run;
};

const Subcommand Table[] = {
    {u"encrypt"_s, u"[--low|--strong] [--delete-original] [-r] PATH..."_s, u"encrypt files into FILE.vxp"_s,
     Subcommands::encrypt},
    {u"decrypt"_s, u"[--delete-original] [-r] PATH..."_s, u"decrypt FILE.vxp files"_s, Subcommands::decrypt},
    {u"lock"_s, u"FOLDER"_s, u"lock a folder"_s, Subcommands::lock},
    {u"unlock"_s, u"FOLDER"_s, u"unlock a locked folder"_s, Subcommands::unlock},
    {u"attrib"_s, u"[--set LETTERS] [--clear LETTERS] PATH..."_s, u"show or change attributes"_s, Subcommands::attrib},
    {u"info"_s, u"FILE.vxp..."_s, u"show level and saved attributes"_s, Subcommands::info},
    {u"generate"_s, u"[--kind KIND] [--length N] [--count N]"_s, u"print random passwords"_s, Subcommands::generate},
};

void printHelp() {
    QString help = u"Usage: vexa SUBCOMMAND [options] [--] [arguments]\n\n"
                   u"Hides files from casual reading (the high and low levels are not cryptography), encrypts\n"
                   u"them with a pass phrase (the strong level), locks folders and makes passwords.\n\n"
                   u"Subcommands:\n"_s;
    for (const Subcommand& each : Table)
        help += u"  "_s + QString(each.name + u' ' + each.arguments).leftJustified(58) + each.summary + u'\n';
    help += u"\nOptions:\n  -h, --help     this help\n  -V, --version  the version\n"
            u"\nPasswords are asked on the terminal, or read with --password-file FILE or --password-fd N;\n"
            u"pass phrases likewise, or with --passphrase-file FILE or --passphrase-fd N.\n"
            u"'vexa SUBCOMMAND --help' lists a subcommand's options. Exit status: 0 all done, 1 some files\n"
            u"failed or were skipped, 2 usage error, 128 + the signal's number when stopped by one\n"
            u"(130 Ctrl-C, 143 SIGTERM, 129 a closed terminal).\n"_s;
    std::fputs(help.toLocal8Bit().constData(), stdout);
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread: the Strong level's library picks its functions and its random source.
    if (sodium_init() < 0) {
        std::fputs("vexa: the cryptography library cannot start\n", stderr);
        return 1;
    }
    ProcessSetup::keepMemoryPrivate();
    ProcessSetup::ignoreFileSizeSignal();
    ProcessSetup::raiseDescriptorLimit();
    // The per-user folders are the main program's: the master-password file and the folders a
    // lock refuses are the same for both.
    QCoreApplication::setApplicationName(u"vexapad"_s);
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXA_VERSION));
    QCoreApplication application(argc, argv);
    QStringList arguments = application.arguments();

    const QString first = arguments.value(1);
    if (first == u"--version"_s || first == u"-V"_s) {
        Console::result(u"vexa "_s + QCoreApplication::applicationVersion());
        return Subcommands::Done;
    }
    if (first == u"--help"_s || first == u"-h"_s || first == u"help"_s) {
        printHelp();
        return Subcommands::Done;
    }
    if (first.isEmpty()) {
        printHelp();
        return Subcommands::UsageError;
    }
    for (const Subcommand& each : Table) {
        if (each.name != first)
            continue;
        arguments.removeFirst();
        arguments.first() = u"vexa "_s + each.name;
        // Each stops a run as Cancel does; a closed pipe on the output is one of them, so that
        // `vexa ... | head` ends the run rather than going on with nowhere to report.
        InterruptWatch interrupts({SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE});
        LinuxPlatform platform;
        const int status = each.run(platform, interrupts, arguments);
        // As a shell reports a process the signal ended.
        if (const int signalNumber = InterruptWatch::firedSignal())
            return 128 + signalNumber;
        return status;
    }
    Console::message(u"unknown subcommand '"_s + first + u"'; try 'vexa --help'"_s);
    return Subcommands::UsageError;
}
