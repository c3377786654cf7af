/*
 * The main window's menu bar and its four pop-up menus, built from the window design: every
 * menu and item carries its design name as object name, its caption, its shortcut key and its
 * check mark at start; separators keep their names too. The main window connects the commands.
 */
#pragma once

#include <QtCore/QHash>
#include <QtCore/QString>

class QAction;
class QMainWindow;
class QMenu;

class MainMenus {
public:
    // Builds the menu bar of window and the pop-up menus; window owns every menu and item.
    explicit MainMenus(QMainWindow& window);

    // A menu item, pop-up item or separator by its design name; nullptr for an unknown name.
    QAction* item(const QString& name) const { return m_items.value(name); }
    // A menu of the menu bar (`Filing`, `Viewmenu`, ..., `windo`, `Help1`) by its design name.
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    // A pop-up menu (`LoadList`, `Show1`, `munfile`, `Folder`) by its design name.
    QMenu* popup(const QString& name) const { return m_popups.value(name); }

private:
    QHash<QString, QAction*> m_items;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QMenu*> m_popups;
};
