/*
 * How long the file chooser takes to open a folder of 100,000 empty files: from pointing the
 * real window (offscreen) at the folder until the status bar shows the count and the window
 * has handled the events that follow (layout and painting). Also the folder reading alone.
 */
#include "appstate.h"
#include "folderlister.h"
#include "linuxplatform.h"
#include "mainwindowservices.h"
#include "messageboxdialogs.h"
#include "filechooserwindow.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtGui/QAction>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QMenu>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int FileCount = 100000;
constexpr int Rounds = 5;

// The main window's side, as far as the chooser uses it while opening folders: one menu item
// and one pop-up menu stand for all of them.
class BenchServices : public MainWindowServices {
public:
    AppState appState;
    MessageBoxDialogs boxes;
    LinuxPlatform desktop;
    statline::UserControl1 bar;
    OrloTool::UserControl1 tools;
    QMdiArea area;
    QAction item;
    QMenu menu;

    AppState& state() override { return appState; }
    Dialogs& dialogs() override { return boxes; }
    Platform& platform() override { return desktop; }
    statline::UserControl1& statusLine() override { return bar; }
    OrloTool::UserControl1& toolPanel() override { return tools; }
    QAction* menuItem(const QString&) override { return &item; }
    QMenu* popupMenu(const QString&) override { return &menu; }
    QMdiArea& mdiArea() override { return area; }
    QSize clientSize() const override { return area.viewport()->size(); }
    QString currentPassword() override { return {}; }
    void ShowPasswordDialog() override {}
    FileChooserWindow* chooser() override { return nullptr; }
    QListWidget* activeChosenList() override { return nullptr; }
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

    BenchServices services;
    services.area.resize(1200, 800);
    services.area.show();
    QDir::setCurrent(empty);
    auto* chooser = new FileChooserWindow(services);
    services.area.addSubWindow(chooser)->show();
    QApplication::processEvents();

    const QString expected = QString::number(FileCount);
    std::vector<double> windowMs;
    std::vector<double> readMs;
    for (int round = 0; round < Rounds; ++round) {
        chooser->openFolder(empty);
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        chooser->openFolder(big);
        if (services.bar.lab5() != expected) {
            std::fprintf(stderr, "count shown: %s\n", qPrintable(services.bar.lab5()));
            return 1;
        }
        QApplication::processEvents();
        windowMs.push_back(clock.nsecsElapsed() / 1e6);

        clock.restart();
        const qsizetype read = FolderLister(services.desktop).read(big).size();
        readMs.push_back(clock.nsecsElapsed() / 1e6);
        if (read != FileCount)
            return 1;
    }
    std::printf("chooser_open_100k_files: %.1f ms\n", median(windowMs));
    std::printf("folder_read_100k_files: %.1f ms\n", median(readMs));
    return 0;
}
