/*
 * The menu tree of the main window as the window design has it, in display order.
 */
#include "app/shell/mainmenus.h"

#include <QtGui/QAction>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>

using namespace Qt::StringLiterals;

namespace {

enum class Mark { None, Off, On };

struct MenuDesign {
    QStringView name;
    QStringView caption;
    bool popup; // shown by other windows on a right-click, never in the menu bar
};

struct ItemDesign {
    QStringView menu;
    QStringView name;
    QStringView caption; // empty for a separator
    QKeyCombination key;
    Mark mark;
};

constexpr MenuDesign kMenus[] = {
    {u"Filing", u"&File", false},     {u"Viewmenu", u"&View", false}, {u"Per", u"&Password", false},
    {u"OPtion1", u"&Option", false},  {u"windo", u"&Windows", false}, {u"Help1", u"&Help", false},
    {u"LoadList", u"loadList", true}, {u"Show1", u"List File", true}, {u"munfile", u"File List", true},
    {u"Folder", u"Folder", true},
};

constexpr QKeyCombination kNoKey{};

constexpr ItemDesign kItems[] = {
    {u"Filing", u"NewList", u"New list", Qt::CTRL | Qt::Key_N, Mark::None},
    {u"Filing", u"sepa12", u"", kNoKey, Mark::None},
    {u"Filing", u"PassGenerate", u"Password Generator", Qt::CTRL | Qt::Key_G, Mark::None},
    {u"Filing", u"Encmenu", u"Encrypt", Qt::CTRL | Qt::Key_E, Mark::None},
    {u"Filing", u"Decmenu", u"Decrypt", Qt::CTRL | Qt::Key_D, Mark::None},
    {u"Filing", u"FolderLock", u"Folder Lock", Qt::CTRL | Qt::Key_L, Mark::None},
    {u"Filing", u"FolderUnlock", u"Folder Unlock", Qt::CTRL | Qt::Key_U, Mark::None},
    {u"Filing", u"sep4", u"", kNoKey, Mark::None},
    {u"Filing", u"Ending", u"E&xit", kNoKey, Mark::None},

    {u"Viewmenu", u"statusbar", u"Statusbar", kNoKey, Mark::On},
    {u"Viewmenu", u"Toolbar", u"Toolbar", kNoKey, Mark::On},
    {u"Viewmenu", u"E_Decrypt", u"&Encrypt/Decrypt", kNoKey, Mark::Off},
    {u"Viewmenu", u"MyHotLists", u"&My Hot Lists", kNoKey, Mark::Off},
    {u"Viewmenu", u"sep10", u"", kNoKey, Mark::None},
    {u"Viewmenu", u"Normalmenu", u"&Normal", kNoKey, Mark::On},
    {u"Viewmenu", u"Archivemenu", u"&Archive", kNoKey, Mark::On},
    {u"Viewmenu", u"Hiddenmenu", u"&Hidden", kNoKey, Mark::On},
    {u"Viewmenu", u"Readonlymenu", u"&Read-only", kNoKey, Mark::On},
    {u"Viewmenu", u"Systemmenu", u"&System", kNoKey, Mark::On},

    {u"Per", u"Editpas", u"&Edit Password", kNoKey, Mark::None},
    {u"Per", u"sep3", u"", kNoKey, Mark::None},
    {u"Per", u"Altern", u"&Master PassWord", kNoKey, Mark::None},
    {u"Per", u"PasHint", u"Password &Hint", kNoKey, Mark::None},

    {u"OPtion1", u"HISEC", u"&High Security", kNoKey, Mark::Off},
    {u"OPtion1", u"LOWSEC", u"&Low Security", kNoKey, Mark::On},
    {u"OPtion1", u"sep7", u"", kNoKey, Mark::None},
    {u"OPtion1", u"DELOLD", u"&Delete Original File", kNoKey, Mark::On},

    {u"Help1", u"Contents1", u"&Contents", kNoKey, Mark::None},
    {u"Help1", u"Search1", u"&Search Topic on ...", kNoKey, Mark::None},

    {u"LoadList", u"DeleteList", u"Delet", kNoKey, Mark::None},
    {u"LoadList", u"OpenList", u"Open Hot List", kNoKey, Mark::None},

    {u"Show1", u"Enc2", u"Encrypt", kNoKey, Mark::None},
    {u"Show1", u"Dec2", u"Decrypt", kNoKey, Mark::None},
    {u"Show1", u"Openfile1", u"Open", kNoKey, Mark::None},
    {u"Show1", u"Passw", u"Edit Password", kNoKey, Mark::None},
    {u"Show1", u"sep1", u"", kNoKey, Mark::None},
    {u"Show1", u"Norm", u"Normal", kNoKey, Mark::On},
    {u"Show1", u"Arch", u"Archive", kNoKey, Mark::On},
    {u"Show1", u"Hid", u"Hidden", kNoKey, Mark::On},
    {u"Show1", u"Readon1", u"Read-only", kNoKey, Mark::On},
    {u"Show1", u"Sys1", u"System", kNoKey, Mark::On},

    {u"munfile", u"RenameList", u"Rename List", kNoKey, Mark::None},
    {u"munfile", u"Openlist1", u"Open File", kNoKey, Mark::None},
    {u"munfile", u"Savelist", u"Save List", kNoKey, Mark::None},
    {u"munfile", u"sepa10", u"", kNoKey, Mark::None},
    {u"munfile", u"EditListPass", u"Edit Password", kNoKey, Mark::None},
    {u"munfile", u"Enc1", u"Encrypt", kNoKey, Mark::None},
    {u"munfile", u"Dec1", u"Decrypt", kNoKey, Mark::None},
    {u"munfile", u"sepa11", u"", kNoKey, Mark::None},
    {u"munfile", u"selectItem", u"Select", kNoKey, Mark::None},
    {u"munfile", u"selectAll", u"Select All", kNoKey, Mark::None},
    {u"munfile", u"Clear1", u"Clear List", kNoKey, Mark::None},
    {u"munfile", u"Clear2", u"Clear this item", kNoKey, Mark::None},

    {u"Folder", u"ditFold", u"Edit Password", kNoKey, Mark::None},
    {u"Folder", u"PupFoldLock", u"Folder Lock", kNoKey, Mark::None},
    {u"Folder", u"PopFoldunLock", u"Folder unLock", kNoKey, Mark::None},
    {u"Folder", u"UnWithMaster", u"Unlock with Master Password", kNoKey, Mark::None},
};

} // namespace

MainMenus::MainMenus(QMainWindow& window) {
    for (const MenuDesign& design : kMenus) {
        const QString name = design.name.toString();
        auto* menu = new QMenu(design.caption.toString(), &window);
        menu->setObjectName(name);
        if (design.popup) {
            m_popups.insert(name, menu);
        } else {
            window.menuBar()->addMenu(menu);
            m_menus.insert(name, menu);
        }
    }
    for (const ItemDesign& design : kItems) {
        const QString menuName = design.menu.toString();
        QMenu* menu = m_menus.contains(menuName) ? m_menus.value(menuName) : m_popups.value(menuName);
        QAction* item = design.caption.isEmpty() ? menu->addSeparator() : menu->addAction(design.caption.toString());
        item->setObjectName(design.name.toString());
        if (design.key != kNoKey)
            item->setShortcut(design.key);
        if (design.mark != Mark::None) {
            item->setCheckable(true);
            item->setChecked(design.mark == Mark::On);
        }
        m_items.insert(item->objectName(), item);
    }
}
