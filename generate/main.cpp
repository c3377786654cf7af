/*
 * The password generator: the command line, then its one window; closing it ends the program.
 */
#include "common/earlyoptions.h"
#include "generate/generatewindow.h"

#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(u"vexa-generate"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(VEXA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Vexa Password generator: makes random passwords."_s);
    answerHelpOrVersion(parser, argc, argv);

    QApplication app(argc, argv);
    parser.process(app);
    QApplication::setApplicationName(u"Generator"_s);
    GeneratorWindow window;
    window.show();
    return QApplication::exec();
}
