/*
 * What the main window offers the child windows and commands that live inside it: the shared
 * values, the seams, the two bars, its menu items and pop-up menus by their design names, and
 * its client area. The main window implements it; tests of a child window use a small fake.
 */
#pragma once

#include <QtCore/QSize>
#include <QtCore/QString>

struct AppState;
class Dialogs;
class Platform;
class QAction;
class QMdiArea;
class QMenu;

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
};
