/*
 * The password generator: shows its one window; closing it ends the program.
 */
#include "generatewindow.h"

#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Generator"_s);
    Generate window;
    window.show();
    return QApplication::exec();
}
