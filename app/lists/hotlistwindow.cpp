/*
 * The hot-list window.
 */
#include "app/lists/hotlistwindow.h"

#include "app/core/appstate.h"
#include "app/core/dialogs.h"
#include "app/lists/chosenlist.h"
#include "app/lists/hotlistsaver.h"

#include <QtGui/QCloseEvent>
#include <QtWidgets/QVBoxLayout>

using namespace Qt::StringLiterals;

HotListWindow::HotListWindow(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars,
                             const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , List1(new ChosenList(state, dialogs, platform, bars, this)) {
    setObjectName(u"Form2"_s);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(List1);
    connect(List1, &QListWidget::itemClicked, this, &HotListWindow::List1_Click);
    connect(List1, &ChosenList::buttonPressed, this, &HotListWindow::List1_MouseDown);
}

QListWidget* HotListWindow::chosenList() {
    return List1;
}

QStringList HotListWindow::entries() const {
    return List1->entries();
}

void HotListWindow::List1_Click() {
    // The list's own click handling has shown the file's size and attributes.
    if (!m_state.Busy)
        m_state.ActiveListKind = ListKind::ChosenList;
}

void HotListWindow::List1_MouseDown(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        emit popupRequested(PopupMenu::HotListMenu);
}

void HotListWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(Form_Unload());
}

bool HotListWindow::Form_Unload() {
    const Dialogs::Answer answer = m_dialogs.askYesNo(u"Do you want to save changes to  "_s + windowTitle());
    // A save the user asked for that did not happen keeps the window, so its entries are not lost.
    if (answer == Dialogs::Answer::Yes &&
        HotListSaver(m_dialogs, m_platform).save(windowTitle(), entries()) == HotListSaver::SaveResult::Failed)
        return false;
    emit closing();
    return true;
}
