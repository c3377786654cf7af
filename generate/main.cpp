/*
 * The password generator: shows its one window; closing it ends the program.
 */
#include "generatewindow.h"
#include "systemuniformsource.h"

#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Generator"_s);
    Generate window(std::make_unique<SystemUniformSource>());
    window.show();
    return QApplication::exec();
}
