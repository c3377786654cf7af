/*
 * How long the file chooser takes to open a folder of 100,000 empty files: from pointing the
 * real window (offscreen) at the folder until the status bar shows the count and the window
 * has handled the events that follow (layout and painting). Also the folder reading alone.
 */
#include "app/core/appstate.h"
#include "app/core/childwindowhost.h"
#include "app/core/messageboxdialogs.h"
#include "app/lists/engine/folderlister.h"
#include "app/lists/filechooserwindow.h"
#include "app/platform/linuxplatform.h"
#include "app/shell/mainbars.h"
#include "controls/statline/statline.h"
#include "controls/toolpanel/toolpanel.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMdiArea>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Runs the window's pending events (a layout, a repaint) to their end, as the window's own loop would.
void letWindowEventsRun() {
    QEventLoop loop;
    QTimer::singleShot(0, &loop, &QEventLoop::quit);
    loop.exec();
}

constexpr int FileCount = 100000;
constexpr int Rounds = 5;

// The main window's side, as far as the chooser uses it while opening folders: its bars, its
// boxes and the area that hosts it.
struct BenchHost {
    AppState appState;
    MessageBoxDialogs boxes;
    LinuxPlatform desktop;
    statline::UserControl1 bar;
    OrloTool::UserControl1 tools;
    MainBars bars{appState, bar, tools};
    QMdiArea area;
    ChildWindowHost host{area};
};

bool makeFiles(const QString& folder) {
    const QByteArray base = QFile::encodeName(folder) + "/document-";
    for (int i = 0; i < FileCount; ++i) {
        const QByteArray name = base + QByteArray::number(i) + ".txt";
        const int file = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (file < 0) {
            std::perror("create");
            return false;
        }
        ::close(file);
    }
    return true;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(QDir::tempPath() + u"/chooser-bench-XXXXXX"_s);
    const QString big = dir.filePath(u"big"_s);
    const QString empty = dir.filePath(u"empty"_s);
    if (!dir.isValid() || !QDir().mkpath(big) || !QDir().mkpath(empty) || !makeFiles(big))
        return 1;

    BenchHost shell;
    shell.area.resize(1200, 800);
    shell.area.show();
    QDir::setCurrent(empty);
    auto* chooser = new FileChooserWindow(shell.appState, shell.boxes, shell.desktop, shell.bars, shell.host);
    shell.host.show(*chooser);
    letWindowEventsRun();

    const QString expected = QString::number(FileCount);
    std::vector<double> windowMs;
    std::vector<double> readMs;
    for (int round = 0; round < Rounds; ++round) {
        chooser->openFolder(empty);
        letWindowEventsRun();
        QElapsedTimer clock;
        clock.start();
        chooser->openFolder(big);
        if (shell.bar.lab5() != expected) {
            std::fprintf(stderr, "count shown: %s\n", qPrintable(shell.bar.lab5()));
            return 1;
        }
        letWindowEventsRun();
        windowMs.push_back(clock.nsecsElapsed() / 1e6);

        clock.restart();
        const qsizetype read = FolderLister(shell.desktop).read(big).size();
        readMs.push_back(clock.nsecsElapsed() / 1e6);
        if (read != FileCount)
            return 1;
    }
    std::printf("chooser_open_100k_files: %.1f ms\n", median(windowMs));
    std::printf("folder_read_100k_files: %.1f ms\n", median(readMs));
    return 0;
}
