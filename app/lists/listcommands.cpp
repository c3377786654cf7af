/*
 * The list selection commands.
 */
#include "app/lists/listcommands.h"

#include "app/core/barpanes.h"
#include "app/core/dialogs.h"
#include "app/core/filechooser.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"

#include <QtWidgets/QListWidget>

void ListCommands::openEntry(QListWidget* list) {
    if (const QListWidgetItem* highlighted = list ? list->currentItem() : nullptr)
        open(highlighted->text());
}

void ListCommands::selectEntry(QListWidget* list) {
    if (QListWidgetItem* highlighted = list ? list->currentItem() : nullptr)
        highlighted->setSelected(true);
}

void ListCommands::selectAllEntries(QListWidget* list) {
    if (list)
        list->selectAll();
}

void ListCommands::clearList(QListWidget* list) {
    if (!list)
        return;
    list->clear();
    m_bars.showListCount(0);
}

void ListCommands::removeEntry(QListWidget* list) {
    if (!list)
        return;
    delete list->currentItem();
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
