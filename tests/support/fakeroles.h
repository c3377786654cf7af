/*
 * Stand-ins for the roles the main window plays for its child windows and commands: bars that
 * keep what they were shown, a password source and run options the test sets, and a plain shown
 * window whose area hosts the child windows.
 */
#pragma once

#include "barpanes.h"
#include "childwindowhost.h"
#include "passwordsource.h"
#include "runoptions.h"

#include <QtWidgets/QMdiArea>
#include <QtWidgets/QVBoxLayout>
#include <QtWidgets/QWidget>

class RecordingBars final : public BarPanes {
public:
    QString hint;
    QString fileSize;
    int fileCount = -1;
    int shownListCount = 0;
    quint8 attributes = 0;
    quint8 pressed = 0;

    void showHint(const QString& text) override { hint = text; }
    void showFileSize(const QString& text) override { fileSize = text; }
    void showFileCount(int count) override { fileCount = count; }
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
