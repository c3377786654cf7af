/*
 * The file-kind switches and the places that show them.
 */
#include "app/shell/filetypefilters.h"

#include "app/core/barpanes.h"
#include "app/lists/filechooserwindow.h"
#include "app/shell/mainmenus.h"
#include "controls/toolpanel/toolpanel.h"

#include <QtGui/QAction>

#include <algorithm>

using namespace Qt::StringLiterals;
using OrloTool::UserControl1;

namespace {

const FileTypeFilters::Switch& switchOf(FileKind kind) {
    const auto& switches = FileTypeFilters::switches();
    return *std::ranges::find(switches, kind, &FileTypeFilters::Switch::kind);
}

} // namespace

const QList<FileTypeFilters::Switch>& FileTypeFilters::switches() {
    static const QList<Switch> kSwitches{
        {FileKind::Normal, u"Normalmenu"_s, u"Norm"_s, &UserControl1::MM7, &UserControl1::setMM7, &UserControl1::C7},
        {FileKind::Archive, u"Archivemenu"_s, u"Arch"_s, &UserControl1::MM5, &UserControl1::setMM5, &UserControl1::C5},
        {FileKind::Hidden, u"Hiddenmenu"_s, u"Hid"_s, &UserControl1::MM6, &UserControl1::setMM6, &UserControl1::C6},
        {FileKind::ReadOnly, u"Readonlymenu"_s, u"Readon1"_s, &UserControl1::MM8, &UserControl1::setMM8,
         &UserControl1::C8},
        {FileKind::System, u"Systemmenu"_s, u"Sys1"_s, &UserControl1::MM9, &UserControl1::setMM9, &UserControl1::C9},
    };
    return kSwitches;
}

void FileTypeFilters::switchFromMenu(FileKind kind, FileChooserWindow* chooser) {
    const Switch& filter = switchOf(kind);
    QAction* popupItem = m_menus.item(filter.popupItem);
    popupItem->setChecked(!popupItem->isChecked());
    const bool on = popupItem->isChecked();
    if (chooser)
        chooser->setFileKindShown(kind, on);
    m_menus.item(filter.menuItem)->setChecked(on);
    (m_tools.*filter.setState)(on ? 1 : 0);
}

void FileTypeFilters::switchFromToolbar(FileKind kind, FileChooserWindow* chooser) {
    const Switch& filter = switchOf(kind);
    const bool on = (m_tools.*filter.state)() != 1;
    m_menus.item(filter.popupItem)->setChecked(on);
    m_menus.item(filter.menuItem)->setChecked(on);
    if (chooser) {
        chooser->setFileKindShown(kind, on);
        m_bars.showFileCount(chooser->fileCount());
    }
}

void FileTypeFilters::applyTo(FileChooserWindow& chooser) const {
    for (const Switch& filter : switches())
        chooser.setFileKindShown(filter.kind, m_menus.item(filter.popupItem)->isChecked());
    m_bars.showFileCount(chooser.fileCount());
}
