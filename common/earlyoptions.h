/*
 * --help and --version for both programs, answered before the window system is reached so that
 * they work without a display.
 */
#pragma once

#include <QtCore/QCommandLineParser>
#include <QtCore/QCoreApplication>
#include <QtCore/QStringList>

// Adds --help and --version to parser (after the caller's own options and arguments, so the help
// lists them all) and answers them, ending the program, when either is given. Anything else is
// left for parser.process() once QApplication has taken out the window system's own options
// (-platform, -style), so an unknown option is judged only then.
inline void answerHelpOrVersion(QCommandLineParser& parser, int argc, char** argv) {
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    parser.parse(arguments);
    if (!parser.isSet(helpOption) && !parser.isSet(versionOption))
        return;
    // The usage line names the program as it was started.
    QCoreApplication answer(argc, argv);
    if (parser.isSet(helpOption))
        parser.showHelp();
    parser.showVersion();
}
