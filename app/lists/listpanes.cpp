/*
 * Status-bar, tool-bar and pop-up menu updates shared by the list windows.
 */
#include "listpanes.h"

#include "appstate.h"
#include "chooserrules.h"
#include "mainwindowservices.h"
#include "platform.h"
#include "statline.h"
#include "toolpanel.h"

#include <QtCore/QFileInfo>
#include <QtGui/QAction>
#include <QtGui/QCursor>
#include <QtWidgets/QMenu>

using namespace Qt::StringLiterals;

namespace ListPanes {

void ShowHint(MainWindowServices& services, const QString& text) {
    statline::UserControl1& bar = services.statusLine();
    if (bar.lab1() != text)
        bar.setLab1(text);
}

void ShowListCount(MainWindowServices& services, int count) {
    statline::UserControl1& bar = services.statusLine();
    const QString text = QString::number(count);
    if (bar.lab6() != text)
        bar.setLab6(text);
}

void ShowAttributeButtons(MainWindowServices& services) {
    AppState& state = services.state();
    OrloTool::UserControl1& tools = services.toolPanel();
    // Put back rather than cleared, so that a long operation stays guarded if one is running.
    const bool wasBusy = state.Busy;
    state.Busy = true;
    tools.setMM1(0);
    tools.setMM2(0);
    tools.setMM3(0);
    tools.setMM4(0);
    const ChooserRules::AttributeButtons pressed = ChooserRules::ButtonsFor(state.CurrentAttributes);
    if (pressed.archive)
        tools.setMM1(1);
    if (pressed.hidden)
        tools.setMM2(1);
    if (pressed.readOnly)
        tools.setMM3(1);
    if (pressed.system)
        tools.setMM4(1);
    state.Busy = wasBusy;
}

void ShowClickedFile(MainWindowServices& services, const QString& path) {
    const QFileInfo file(path);
    if (file.exists())
        services.statusLine().setLab3(ChooserRules::FileSizeText(file.size()));
    // The platform reports only the attribute bits, which all fit in a byte.
    if (const std::optional<quint32> value = services.platform().attributes(path))
        services.state().CurrentAttributes = static_cast<quint8>(*value);
    ShowAttributeButtons(services);
}

void PopUp(MainWindowServices& services, const QString& menuName) {
    if (QMenu* menu = services.popupMenu(menuName))
        menu->popup(QCursor::pos());
}

void PopUpListMenu(MainWindowServices& services, bool hotList) {
    for (const QString& name : {u"RenameList"_s, u"Savelist"_s}) {
        if (QAction* item = services.menuItem(name))
            item->setEnabled(hotList);
    }
    PopUp(services, u"munfile"_s);
}

void SetChecked(MainWindowServices& services, const QString& itemName, bool checked) {
    if (QAction* item = services.menuItem(itemName))
        item->setChecked(checked);
}

} // namespace ListPanes
