/*
 * The list selection commands of the `munfile` pop-up menu, which act on the chosen-file list
 * of the window whose pop-up was opened (none: they do nothing), and the Open command of the
 * file list's `Show1` pop-up. The main window wires the menu items to them.
 */
#pragma once

#include <QtCore/QString>

class BarPanes;
class ChosenFiles;
class Dialogs;
class FileChooser;
class Platform;

class ListCommands {
public:
    ListCommands(Dialogs& dialogs, Platform& platform, BarPanes& bars)
        : m_dialogs(dialogs)
        , m_platform(platform)
        , m_bars(bars) {}

    // "Open File": opens the highlighted entry with its application; errors are ignored.
    void openEntry(ChosenFiles* list);
    // "Select": selects the highlighted entry; other selections stay.
    void selectEntry(ChosenFiles* list);
    // "Select All".
    void selectAllEntries(ChosenFiles* list);
    // "Clear List": removes every entry; lab6 shows "0".
    void clearList(ChosenFiles* list);
    // "Clear this item": removes the highlighted entry, if any; lab6 shows what remains.
    void removeEntry(ChosenFiles* list);
    // "Open": opens the chooser's highlighted file with its application; errors are ignored.
    void openShownFile(const FileChooser& chooser);

private:
    // Opens a file with its application, unless its name can't be named exactly.
    void open(const QString& path);

    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
};
