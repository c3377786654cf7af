/*
 * The tool bar's attribute buttons: `ApplyToolbarAttributes` gives the selected files of the
 * list the user last worked in exactly the attributes the four buttons show. Like the other
 * user commands it runs with errors ignored: a file that cannot take them is passed over.
 */
#pragma once

#include "app/core/filechooser.h"

#include <utility>

struct AppState;
class BarPanes;
class ChildWindowHost;
class Dialogs;
class Platform;

class AttributeCommands {
public:
    AttributeCommands(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, ChildWindowHost& host,
                      ChooserLookup chooser)
        : m_state(state)
        , m_dialogs(dialogs)
        , m_platform(platform)
        , m_bars(bars)
        , m_host(host)
        , m_chooser(std::move(chooser)) {}

    // Takes the value the buttons show (toolbarAttributes), then gives it to the selected entries
    // of the active child window's chosen-file list or of the chooser's file list, as
    // activeListKind says. Neither list is refreshed.
    void applyToolbarAttributes();

private:
    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    ChildWindowHost& m_host;
    ChooserLookup m_chooser;
};
