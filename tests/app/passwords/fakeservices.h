/*
 * A main window for the password dialog's tests: a plain top-level widget holding the client
 * area, the shared values, scripted boxes and the real platform (its per-user folders point into
 * the test's temporary folder). Menus are not needed by the dialog.
 */
#pragma once

#include "appstate.h"
#include "linuxplatform.h"
#include "mainwindowservices.h"
#include "scripteddialogs.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtWidgets/QMdiArea>
#include <QtWidgets/QVBoxLayout>

class FakeServices final : public MainWindowServices {
public:
    FakeServices() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(area);
    }

    AppState& state() override { return appState; }
    Dialogs& dialogs() override { return scripted; }
    Platform& platform() override { return linuxPlatform; }
    statline::UserControl1& statusLine() override { return statLine; }
    OrloTool::UserControl1& toolPanel() override { return tools; }
    QAction* menuItem(const QString&) override { return nullptr; }
    QMenu* popupMenu(const QString&) override { return nullptr; }
    QMdiArea& mdiArea() override { return *area; }
    QSize clientSize() const override { return area->size(); }

    AppState appState;
    ScriptedDialogs scripted;
    LinuxPlatform linuxPlatform;
    statline::UserControl1 statLine;
    OrloTool::UserControl1 tools;
    QWidget window;
    QMdiArea* area = new QMdiArea(&window);
};
