/*
 * A stand-in for the main window in the list window tests: real status and tool bars, an area
 * of known size for the child windows, menu items and pop-up menus made on first use by name,
 * scripted dialogs and the real platform with extra volumes and recorded "open" requests.
 */
#pragma once

#include "appstate.h"
#include "linuxplatform.h"
#include "mainwindowservices.h"
#include "scripteddialogs.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtGui/QAction>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMenu>

#include <map>
#include <memory>

class TestPlatform : public LinuxPlatform {
public:
    QList<Volume> extraVolumes;
    QStringList opened;

    QList<Volume> volumes() const override { return LinuxPlatform::volumes() + extraVolumes; }
    void openWithApplication(const QString& path) override { opened.append(path); }
};

class FakeServices : public MainWindowServices {
public:
    AppState appState;
    ScriptedDialogs scripted;
    TestPlatform testPlatform;
    statline::UserControl1 bar;
    OrloTool::UserControl1 tools;
    QMdiArea area;

    FakeServices() {
        area.resize(1000, 600);
        area.show();
    }

    AppState& state() override { return appState; }
    Dialogs& dialogs() override { return scripted; }
    Platform& platform() override { return testPlatform; }
    statline::UserControl1& statusLine() override { return bar; }
    OrloTool::UserControl1& toolPanel() override { return tools; }
    QAction* menuItem(const QString& name) override {
        std::unique_ptr<QAction>& item = m_items[name];
        if (!item) {
            item = std::make_unique<QAction>(name);
            item->setObjectName(name);
            item->setCheckable(true);
        }
        return item.get();
    }
    QMenu* popupMenu(const QString& name) override {
        std::unique_ptr<QMenu>& menu = m_menus[name];
        if (!menu) {
            menu = std::make_unique<QMenu>();
            menu->setObjectName(name);
            menu->addAction(name);
        }
        return menu.get();
    }
    QMdiArea& mdiArea() override { return area; }
    QSize clientSize() const override { return area.viewport()->size(); }

private:
    std::map<QString, std::unique_ptr<QAction>> m_items;
    std::map<QString, std::unique_ptr<QMenu>> m_menus;
};
