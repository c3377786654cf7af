/*
 * The five file-kind switches (Normal, Archive, Hidden, Read-only, System) that choose which
 * files the chooser's file list shows. Each switch lives in three places that always agree:
 * its item in the View menu, its item in the "List File" pop-up and its tool-bar view button.
 * The command gate is the caller's; these procedures only keep the three places and the list
 * in step.
 */
#pragma once

#include "app/lists/engine/filekind.h"

#include <QtCore/QList>
#include <QtCore/QString>

class BarPanes;
class FileChooserWindow;
class MainMenus;

namespace OrloTool {
class UserControl1;
}

class FileTypeFilters {
public:
    using PressEvent = void (OrloTool::UserControl1::*)(short, short, float, float);

    // One switch: its two menu items and its tool-bar button's state property and press event.
    struct Switch {
        FileKind kind;
        QString menuItem;
        QString popupItem;
        qint16 (OrloTool::UserControl1::*state)() const;
        void (OrloTool::UserControl1::*setState)(qint16);
        PressEvent pressed;
    };
    static const QList<Switch>& switches();

    FileTypeFilters(MainMenus& menus, OrloTool::UserControl1& tools, BarPanes& bars)
        : m_menus(menus)
        , m_tools(tools)
        , m_bars(bars) {}

    // The View-menu item or the pop-up item of a switch: flips the pop-up item's mark; the
    // list, the View-menu item and the button follow it. chooser is nullptr while it is closed.
    void switchFromMenu(FileKind kind, FileChooserWindow* chooser);
    // A press on the switch's view button, which takes the opposite state on release: the list
    // and both items take that state now, and the status bar shows the list's new file count.
    void switchFromToolbar(FileKind kind, FileChooserWindow* chooser);
    // Gives a chooser that was opened anew the switches' current states, and shows its file count.
    void applyTo(FileChooserWindow& chooser) const;

private:
    MainMenus& m_menus;
    OrloTool::UserControl1& m_tools;
    BarPanes& m_bars;
};
