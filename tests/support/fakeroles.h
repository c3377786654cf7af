/*
 * Stand-ins for the roles the main window plays for its child windows and commands: bars that
 * keep what they were shown, a password source and run options the test sets, a chooser that is
 * no window, a child window holding a chosen-file list, and a plain shown window whose area hosts
 * the child windows.
 */
#pragma once

#include "app/core/barpanes.h"
#include "app/core/childwindowhost.h"
#include "app/core/chosenlistwindow.h"
#include "app/core/filechooser.h"
#include "app/core/passwordsource.h"
#include "app/core/runoptions.h"

#include <QtCore/QDir>
#include <QtWidgets/QListView>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>

class RecordingBars final : public BarPanes {
public:
    QString fileSize;
    int shownListCount = 0;
    quint8 attributes = 0;
    quint8 pressed = 0;

    void showHint(const QString&) override {}
    void showFileSize(const QString& text) override { fileSize = text; }
    void showFileCount(int) override {}
    void showListCount(int count) override { shownListCount = count; }
    int listCount() const override { return shownListCount; }
    quint8 buttonAttributes() const override { return pressed; }
    void showAttributes(quint8 value) override { attributes = value; }
};

class SetPassword final : public PasswordSource {
public:
    QString password;
    QString verify;
    int asked = 0;

    QString currentPassword() override { return password; }
    QString verifyPassword() override { return verify; }
    void askForPassword() override { ++asked; }
};

class SetRunOptions final : public RunOptions {
public:
    bool high = false;
    bool deleteOriginalFile = false;

    bool highSecurity() const override { return high; }
    bool deleteOriginal() const override { return deleteOriginalFile; }
};

// A file chooser that is no window: its file list shows every file of its folder, its folder
// tree's highlight is that folder, and what is selected or highlighted is what the test sets.
// Opening a folder moves the highlight there, as the real tree does.
class FakeChooser final : public FileChooser {
public:
    QString folder;
    QStringList selected;
    QString highlighted;
    QStringList opened;
    ChosenFiles chosen;

    ChosenFiles& chosenFiles() override { return chosen; }
    QString currentFolder() const override { return folder; }
    QStringList shownFiles() const override {
        return folder.isEmpty() ? QStringList() : QDir(folder).entryList(QDir::Files, QDir::Name);
    }
    int fileCount() const override { return int(shownFiles().size()); }
    QStringList selectedFiles() const override { return selected; }
    QString highlightedFile() const override { return highlighted; }
    QString highlightedFolder() const override { return folder; }
    void refreshFiles() override {}
    void openFolder(const QString& path) override {
        opened.append(path);
        folder = path;
    }
};

// A child window holding a chosen-file list, as the chooser and the hot-list windows do, and a
// view that can take the keyboard.
class ListWindow final : public QWidget, public ChosenListWindow {
public:
    ListWindow() { (new QVBoxLayout(this))->addWidget(&view); }
    ChosenFiles& chosenFiles() override { return files; }
    ChosenFiles files;
    QListView view;
};

// A shown top-level window standing for the main window; its area hosts the child windows.
class TestHostWindow {
public:
    TestHostWindow()
        : area(*new QMdiArea(&window))
        , host(area) {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(&area);
        window.resize(1000, 600);
        window.show();
    }

    QWidget window;
    QMdiArea& area;
    ChildWindowHost host;
};
