/*
 * The list selection commands.
 */
#include "app/lists/listcommands.h"

#include "app/core/barpanes.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/core/filechooser.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"

void ListCommands::openEntry(ChosenFiles* list) {
    if (list && list->currentRow() >= 0)
        open(list->path(list->currentRow()));
}

void ListCommands::selectEntry(ChosenFiles* list) {
    if (list && list->currentRow() >= 0)
        list->setSelected(list->currentRow(), true);
}

void ListCommands::selectAllEntries(ChosenFiles* list) {
    if (list)
        list->selectAll();
}

void ListCommands::clearList(ChosenFiles* list) {
    if (!list)
        return;
    list->clear();
    m_bars.showListCount(0);
}

void ListCommands::removeEntry(ChosenFiles* list) {
    if (!list)
        return;
    list->removeRow(list->currentRow());
    m_bars.showListCount(list->count());
}

void ListCommands::openShownFile(const FileChooser& chooser) {
    // With no highlighted file there is nothing to open (not the folder).
    const QString path = chooser.highlightedFile();
    if (!path.isEmpty())
        open(path);
}

void ListCommands::open(const QString& path) {
    if (const Expected<void> usable = FileNames::usable(path); !usable)
        m_dialogs.message(usable.error().message);
    else
        m_platform.openWithApplication(path);
}
