/*
 * The password generator: the command line, then its one window; closing it ends the program.
 */
#include "generatewindow.h"

#include <QtCore/QCommandLineParser>
#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(u"generate"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Vexa Password generator: makes random passwords."_s);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    // --help and --version work without a display; see vexapad's main().
    QStringList early;
    for (int i = 0; i < argc; ++i)
        early.append(QString::fromLocal8Bit(argv[i]));
    parser.parse(early);
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        // The usage line names the program as it was started.
        QCoreApplication answer(argc, argv);
        if (parser.isSet(helpOption))
            parser.showHelp();
        parser.showVersion();
    }

    QApplication app(argc, argv);
    parser.process(app);
    QApplication::setApplicationName(u"Generator"_s);
    Generate window;
    window.show();
    return QApplication::exec();
}
