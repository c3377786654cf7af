/*
 * The shared values of the main program: only what crosses windows. The main window owns the one
 * instance for the whole run and hands it by reference to every part that reads or writes it.
 * Nothing here is saved.
 */
#pragma once

#include <QtCore/QtGlobal>

enum class ListKind { None = 0, ChosenList = 1, DirectoryFiles = 2 };

struct AppState {
    // A long operation runs; gated commands do nothing.
    bool busy = false;
    // The user confirmed Cancel in the progress window.
    bool cancelRequested = false;
    // The list the user last worked in.
    ListKind activeListKind = ListKind::None;
    // Attribute value of the file last clicked in a list.
    quint8 currentAttributes = 0;
};
