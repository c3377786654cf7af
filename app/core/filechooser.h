/*
 * The file chooser as the commands use it: its folder, its file list and its folder tree. The
 * commands reach it through a ChooserLookup, which answers nullptr while the chooser is closed.
 */
#pragma once

#include "app/core/chosenlistwindow.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

class FileChooser : public ChosenListWindow {
public:
    // The file list's folder.
    virtual QString currentFolder() const = 0;
    // The names of every file the file list shows, in list order, and how many there are.
    virtual QStringList shownFiles() const = 0;
    virtual int fileCount() const = 0;
    // Full paths of the file list's selected entries, in list order.
    virtual QStringList selectedFiles() const = 0;
    // The full path of the file list's highlighted entry; empty when there is none.
    virtual QString highlightedFile() const = 0;
    // The folder tree's highlighted entry, which the folder commands act on; empty when there is
    // none (the highlighted folder went from the disk).
    virtual QString highlightedFolder() const = 0;
    // Reads the file list's folder again and shows its count.
    virtual void refreshFiles() = 0;
    // Sets the folder tree to a folder and, when not busy, shows its files.
    virtual void openFolder(const QString& path) = 0;
};

using ChooserLookup = std::function<FileChooser*()>;
