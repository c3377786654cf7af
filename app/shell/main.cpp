/*
 * The main program: the application object, the real message boxes and platform, and the main
 * window, which opens everything else.
 */
#include "linuxplatform.h"
#include "mdiform1.h"
#include "messageboxdialogs.h"
#include "processsetup.h"

#include <QtWidgets/QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    ProcessSetup::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    // The per-user folders are named after the program alone.
    QApplication::setApplicationName(u"vexapad"_s);
    QApplication::setOrganizationName(QString());

    MessageBoxDialogs dialogs;
    LinuxPlatform platform;
    MDIForm1 window(dialogs, platform);
    dialogs.setParent(&window);
    window.show();
    return application.exec();
}
