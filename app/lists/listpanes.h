/*
 * What the list windows show on the main window's bars, and the main window's pop-up menus
 * they open: hints, counts, the size text and attribute buttons of a clicked file.
 */
#pragma once

#include <QtCore/QString>

class MainWindowServices;

namespace ListPanes {

// The hint pane lab1. Written only when it changes, as pointer moves repeat it many times.
void ShowHint(MainWindowServices& services, const QString& text);

// lab6: the number of entries of the chosen-file list last worked in.
void ShowListCount(MainWindowServices& services, int count);

// Shows CurrentAttributes on the tool bar's attribute buttons MM1 to MM4: all released first,
// then the pressed ones. Busy is set meanwhile, so the button events this raises apply nothing.
void ShowAttributeButtons(MainWindowServices& services);

// A click on a file of a list: lab3 gets its size text, CurrentAttributes its attribute value,
// and the attribute buttons show it. A file that cannot be measured or read leaves lab3 or
// CurrentAttributes as they were.
void ShowClickedFile(MainWindowServices& services, const QString& path);

// Pops up one of the main window's pop-up menus at the pointer; it does not wait for a choice.
void PopUp(MainWindowServices& services, const QString& menuName);

// Pops up the chosen-file list menu `munfile`, with "Rename List" and "Save List" enabled for a
// hot-list window's list and disabled for the chooser's.
void PopUpListMenu(MainWindowServices& services, bool hotList);

// Checks or unchecks a menu item of the main window; an item it does not have is passed over.
void SetChecked(MainWindowServices& services, const QString& itemName, bool checked);

} // namespace ListPanes
