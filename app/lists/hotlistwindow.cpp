/*
 * The hot-list window.
 */
#include "app/lists/hotlistwindow.h"

#include "app/core/appstate.h"
#include "app/core/chosenfiles.h"
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
    , m_list(new ChosenList(state, dialogs, platform, bars, this)) {
    setObjectName(u"Form2"_s);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    connect(m_list, &QAbstractItemView::clicked, this, &HotListWindow::listClicked);
    connect(m_list, &ChosenList::buttonPressed, this, &HotListWindow::listPressed);
}

ChosenFiles& HotListWindow::chosenFiles() {
    return m_list->files();
}

QStringList HotListWindow::entries() const {
    return m_list->files().paths();
}

void HotListWindow::listClicked() {
    // The list's own click handling has shown the file's size and attributes.
    if (!m_state.busy)
        m_state.activeListKind = ListKind::ChosenList;
}

void HotListWindow::listPressed(Qt::MouseButton button) {
    if (button == Qt::RightButton)
        emit popupRequested(PopupMenu::HotListMenu);
}

void HotListWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(mayClose());
}

bool HotListWindow::mayClose() {
    const Dialogs::Answer answer = m_dialogs.askYesNo(u"Do you want to save changes to  "_s + windowTitle());
    // A save the user asked for that did not happen keeps the window, so its entries are not lost.
    if (answer == Dialogs::Answer::Yes &&
        HotListSaver(m_dialogs, m_platform).save(windowTitle(), entries()) == HotListSaver::SaveResult::Failed)
        return false;
    emit closing();
    return true;
}
