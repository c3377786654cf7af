/*
 * The saved hot lists as the My Hot Lists browser shows them, as the hot-list commands use them:
 * the browser reads the list folder again after a save, a delete or a close, and new hot-list
 * windows are placed from its frame. The main window answers, opening the browser (without the
 * check mark of its menu item) when it is closed.
 */
#pragma once

#include <QtCore/QRect>

class SavedHotLists {
public:
    virtual ~SavedHotLists() = default;

    // The browser reads the list folder again.
    virtual void refreshSavedLists() = 0;
    // The place of the browser's frame, in the coordinates of the main window's area.
    virtual QRect savedListsFrame() = 0;
};
