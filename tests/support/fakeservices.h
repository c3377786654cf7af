/*
 * A stand-in for the main window in the tests of child windows and commands: a plain top-level
 * window holding the area for the child windows, real status and tool bars, menu items and
 * pop-up menus made on first use by name, scripted dialogs, and the real platform kept away from
 * the desktop's applications. No working password is set.
 */
#pragma once

#include "appstate.h"
#include "fakeroles.h"
#include "mainwindowservices.h"
#include "scripteddialogs.h"
#include "statline.h"
#include "testplatform.h"
#include "toolpanel.h"

#include <QtGui/QAction>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMenu>

#include <map>
#include <memory>

class FakeServices : public MainWindowServices {
public:
    FakeServices();

    AppState appState;
    ScriptedDialogs scripted;
    TestPlatform testPlatform;
    statline::UserControl1 bar;
    OrloTool::UserControl1 tools;
    // The main window: child windows live in its area, dialogs centre over it.
    QWidget window;
    QMdiArea& area;
    RecordingBars recordedBars;
    SetPassword password;
    SetRunOptions options;

    AppState& state() override { return appState; }
    Dialogs& dialogs() override { return scripted; }
    Platform& platform() override { return testPlatform; }
    statline::UserControl1& statusLine() override { return bar; }
    OrloTool::UserControl1& toolPanel() override { return tools; }
    QAction* menuItem(const QString& name) override;
    QMenu* popupMenu(const QString& name) override;
    QMdiArea& mdiArea() override { return area; }
    QSize clientSize() const override;
    ChildWindowHost& host() override { return m_host; }
    BarPanes& bars() override { return recordedBars; }
    PasswordSource& passwords() override { return password; }
    RunOptions& runOptions() override { return options; }
    QString currentPassword() override { return {}; }
    void ShowPasswordDialog() override {}
    FileChooserWindow* chooser() override { return nullptr; }
    QListWidget* activeChosenList() override;

private:
    ChildWindowHost m_host{area};
    std::map<QString, std::unique_ptr<QAction>> m_items;
    std::map<QString, std::unique_ptr<QMenu>> m_menus;
};
