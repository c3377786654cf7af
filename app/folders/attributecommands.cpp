/*
 * The attribute buttons' command.
 */
#include "app/folders/attributecommands.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/core/childwindowhost.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"

#include <QtCore/QStringList>

using namespace Qt::StringLiterals;

void AttributeCommands::applyToolbarAttributes() {
    const quint8 toolbarAttributes = m_bars.buttonAttributes();

    QStringList files;
    if (m_state.activeListKind == ListKind::ChosenList) {
        // A child window without a chosen-file list has nothing to give the attributes to.
        const ChosenFiles* list = m_host.activeChosenFiles();
        if (!list)
            return;
        files = list->selectedPaths();
        if (files.isEmpty()) {
            m_dialogs.message(u"Please select file(s)"_s);
            return;
        }
    } else if (m_state.activeListKind == ListKind::DirectoryFiles) {
        if (const FileChooser* chooser = m_chooser())
            files = chooser->selectedFiles();
    }
    for (const QString& file : files) {
        if (const Expected<void> usable = FileNames::usable(file); !usable)
            m_dialogs.message(usable.error().message);
        else
            m_platform.setAttributes(file, toolbarAttributes);
    }
}
