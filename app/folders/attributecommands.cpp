/*
 * The attribute buttons' command.
 */
#include "attributecommands.h"

#include "appstate.h"
#include "attributes.h"
#include "dialogs.h"
#include "filenames.h"
#include "mainwindowservices.h"
#include "platform.h"
#include "filechooserwindow.h"
#include "toolpanel.h"

#include <QtCore/QStringList>
#include <QtWidgets/QListWidget>

using namespace Qt::StringLiterals;

namespace {

// The value the buttons show: each pressed button (state 1) adds its attribute.
quint8 buttonAttributes(const OrloTool::UserControl1& tools) {
    quint8 value = Attr::Normal;
    if (tools.MM1() == 1)
        value += Attr::Archive;
    if (tools.MM3() == 1)
        value += Attr::ReadOnly;
    if (tools.MM4() == 1)
        value += Attr::System;
    if (tools.MM2() == 1)
        value += Attr::Hidden;
    return value;
}

// The texts of the selected entries, first to last.
QStringList selectedEntries(const QListWidget& list) {
    QStringList entries;
    for (int row = 0; row < list.count(); ++row) {
        if (list.item(row)->isSelected())
            entries.append(list.item(row)->text());
    }
    return entries;
}

} // namespace

void AttributeCommands::ApplyToolbarAttributes() {
    AppState& state = m_services.state();
    state.ToolbarAttributes = buttonAttributes(m_services.toolPanel());

    QStringList files;
    if (state.ActiveListKind == ListKind::ChosenList) {
        // A child window without a chosen-file list has nothing to give the attributes to.
        const QListWidget* list = m_services.activeChosenList();
        if (!list)
            return;
        files = selectedEntries(*list);
        if (files.isEmpty()) {
            m_services.dialogs().message(u"Please select file(s)"_s);
            return;
        }
    } else if (state.ActiveListKind == ListKind::DirectoryFiles) {
        if (const FileChooserWindow* chooser = m_services.chooser())
            files = chooser->selectedFiles();
    }
    for (const QString& file : files) {
        if (const std::optional<QString> refusal = FileNames::refusal(file))
            m_services.dialogs().message(*refusal);
        else
            m_services.platform().setAttributes(file, state.ToolbarAttributes);
    }
}
