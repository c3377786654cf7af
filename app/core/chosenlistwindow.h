/*
 * A child window that holds a chosen-file list (the file chooser, a hot-list window). The main
 * window's list commands act on the list of the active child window through this interface.
 */
#pragma once

#include "app/core/chosenfiles.h"

class ChosenListWindow {
public:
    virtual ~ChosenListWindow() = default;
    virtual ChosenFiles& chosenFiles() = 0;
};
