/*
 * The tool bar's attribute buttons: `ApplyToolbarAttributes` gives the selected files of the
 * list the user last worked in exactly the attributes the four buttons show. Like the other
 * user commands it runs with errors ignored: a file that cannot take them is passed over.
 */
#pragma once

class MainWindowServices;

class AttributeCommands {
public:
    explicit AttributeCommands(MainWindowServices& services)
        : m_services(services) {}

    // Sets ToolbarAttributes from the buttons' states, then gives them to the selected entries
    // of the active child window's chosen-file list or of the chooser's file list, as
    // ActiveListKind says. Neither list is refreshed.
    void ApplyToolbarAttributes();

private:
    MainWindowServices& m_services;
};
