/*
 * How long the main program takes to bring its main window up: from constructing MainWindow
 * (which opens the browser and the chooser) until the shown window is exposed, offscreen. The
 * first window of the process is the cold figure a user waits for at start; the median of
 * further windows in the same process leaves out one-time loading (fonts, icons, plugins).
 * Timing in-process keeps the figure free of the application object's own start and needs no
 * "shown" signal from the real executable.
 */
#include "app/core/messageboxdialogs.h"
#include "app/platform/linuxplatform.h"
#include "app/shell/mainwindow.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double showMainWindowMs(Dialogs& dialogs, Platform& platform) {
    QElapsedTimer timer;
    timer.start();
    MainWindow window(dialogs, platform);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "startup_bench: the window was not exposed\n");
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    // The browser creates its list folder: keep it out of the user's own data folder.
    QTemporaryDir userFolders;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userFolders.filePath(u"data"_s)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userFolders.filePath(u"config"_s)));
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"vexapad"_s);

    MessageBoxDialogs dialogs;
    LinuxPlatform platform;
    const double cold = showMainWindowMs(dialogs, platform);
    std::vector<double> warm;
    for (int run = 0; run < 9; ++run)
        warm.push_back(showMainWindowMs(dialogs, platform));
    std::ranges::nth_element(warm, warm.begin() + warm.size() / 2);

    std::printf("vexapad_startup: %.1f ms\n", cold);
    std::printf("vexapad_startup_warm: %.1f ms\n", warm[warm.size() / 2]);
    return 0;
}
