/*
 * What the main window offers the child windows and commands that live inside it: the shared
 * values, the seams, the two bars, its menu items and pop-up menus by their design names, its
 * client area, the working password and the lists the commands act on. The main window
 * implements it; tests of child windows and commands use a small fake.
 */
#pragma once

#include <QtCore/QSize>
#include <QtCore/QString>

struct AppState;
class BarPanes;
class ChildWindowHost;
class PasswordSource;
class RunOptions;
class Dialogs;
class Platform;
class QAction;
class QListWidget;
class QMdiArea;
class QMenu;
class FileChooserWindow;

namespace statline {
class UserControl1;
}
namespace OrloTool {
class UserControl1;
}

class MainWindowServices {
public:
    virtual ~MainWindowServices() = default;

    virtual AppState& state() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual Platform& platform() = 0;
    // The status bar `Statline` and the tool bar `GgG`.
    virtual statline::UserControl1& statusLine() = 0;
    virtual OrloTool::UserControl1& toolPanel() = 0;
    // A menu item or pop-up item by its design name (`E_Decrypt`, `RenameList`, `Norm`, ...).
    virtual QAction* menuItem(const QString& name) = 0;
    // A pop-up menu by its design name: `LoadList`, `Show1`, `munfile` or `Folder`.
    virtual QMenu* popupMenu(const QString& name) = 0;
    // The area that holds the child windows; its viewport is the main window's client area.
    virtual QMdiArea& mdiArea() = 0;
    virtual QSize clientSize() const = 0;
    virtual ChildWindowHost& host() = 0;
    virtual BarPanes& bars() = 0;
    virtual PasswordSource& passwords() = 0;
    virtual RunOptions& runOptions() = 0;

    // The working password, empty when none is set, and the dialog that sets it.
    virtual QString currentPassword() = 0;
    virtual void ShowPasswordDialog() = 0;
    // The file chooser while it is open, nullptr otherwise.
    virtual FileChooserWindow* chooser() = 0;
    // The chosen-file list of the active child window, nullptr when it has none.
    virtual QListWidget* activeChosenList() = 0;
};
