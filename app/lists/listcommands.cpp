/*
 * The list selection commands.
 */
#include "listcommands.h"

#include "barpanes.h"
#include "dialogs.h"
#include "filechooser.h"
#include "filenames.h"
#include "platform.h"

#include <QtWidgets/QListWidget>

void ListCommands::Openlist1_Click(QListWidget* list) {
    if (const QListWidgetItem* highlighted = list ? list->currentItem() : nullptr)
        open(highlighted->text());
}

void ListCommands::selectItem_Click(QListWidget* list) {
    if (QListWidgetItem* highlighted = list ? list->currentItem() : nullptr)
        highlighted->setSelected(true);
}

void ListCommands::selectAll_Click(QListWidget* list) {
    if (list)
        list->selectAll();
}

void ListCommands::clear1_Click(QListWidget* list) {
    if (!list)
        return;
    list->clear();
    m_bars.showListCount(0);
}

void ListCommands::Clear2_Click(QListWidget* list) {
    if (!list)
        return;
    delete list->currentItem();
    m_bars.showListCount(list->count());
}

void ListCommands::Openfile1_Click(const FileChooser& chooser) {
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
