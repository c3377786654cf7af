/*
 * The main window's pop-up menus that the child windows ask for. A window requests one by its
 * signal; the main window pops it up at the pointer and does not wait for a choice.
 */
#pragma once

enum class PopupMenu {
    // `LoadList`: open or delete the hot list picked in the browser.
    LoadList,
    // `Show1`: the chooser's file list.
    FileList,
    // `Folder`: the folder commands for the tree's highlighted folder.
    Folder,
    // `munfile` for the chooser's chosen-file list: "Rename List" and "Save List" disabled.
    ChooserListMenu,
    // `munfile` for a hot-list window's list: "Rename List" and "Save List" enabled.
    HotListMenu,
};
