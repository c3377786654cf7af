/*
 * The chosen-file list's shared behaviour.
 */
#include "app/lists/chosenlist.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/lists/draggedpaths.h"
#include "app/lists/engine/chooserrules.h"
#include "app/lists/listpanes.h"
#include "app/platform/filenames.h"

#include <QtGui/QContextMenuEvent>
#include <QtGui/QDropEvent>
#include <QtGui/QMouseEvent>

using namespace Qt::StringLiterals;

namespace {

// A list takes copies of the paths: a file manager offering to move its files must not delete
// them once they are dropped here.
void acceptAsCopy(QDropEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

ChosenList::ChosenList(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, QWidget* parent)
    : QListView(parent)
    , m_state(state)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_bars(bars)
    , m_files(new ChosenFiles(this)) {
    setObjectName(u"List1"_s);
    setAccessibleName(u"Chosen File List"_s);
    setAccessibleDescription(u"The files to encrypt or decrypt; right-click for the commands"_s);
    // The view makes a selection model of its own with the model; it uses the model's instead,
    // which the commands read and change.
    setModel(m_files);
    QItemSelectionModel* made = selectionModel();
    setSelectionModel(&m_files->selection());
    delete made;
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    // Files arrive by drops only; the list itself starts no drag.
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (!m_state.busy)
            ListPanes::showClickedFile(m_state, m_platform, m_bars, m_files->path(index.row()));
    });
}

void ChosenList::addDroppedPaths(const QStringList& dropped) {
    QStringList paths;
    for (const QString& path : dropped) {
        if (const Expected<void> usable = FileNames::usable(path); !usable)
            m_dialogs.message(usable.error().message);
        else
            paths.append(path);
    }
    const ChooserRules::PathAddition addition = ChooserRules::AddPaths(m_files->paths(), paths);
    for (const QString& duplicate : addition.duplicates)
        m_dialogs.message(duplicate + u" is already existed !"_s);
    m_files->append(addition.appended);
}

void ChosenList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        QListView::mousePressEvent(event);
    emit buttonPressed(event->button());
}

void ChosenList::mouseMoveEvent(QMouseEvent* event) {
    m_bars.showListCount(m_files->count());
    m_bars.showHint(u"Select File(s)and Right click "_s);
    QListView::mouseMoveEvent(event);
}

void ChosenList::contextMenuEvent(QContextMenuEvent* event) {
    // The Menu key opens the pop-up menu as a right-click does; a right-click was handled at
    // its press.
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit buttonPressed(Qt::RightButton);
    event->accept();
}

void ChosenList::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    // A keyboard user moving to an entry sees what a click on it shows, and works in this list.
    const QModelIndex current = currentIndex();
    if (current.isValid() && current != before && !m_state.busy) {
        ListPanes::showClickedFile(m_state, m_platform, m_bars, m_files->path(current.row()));
        m_state.activeListKind = ListKind::ChosenList;
    }
}

void ChosenList::focusInEvent(QFocusEvent* event) {
    m_bars.showListCount(m_files->count());
    QListView::focusInEvent(event);
}

void ChosenList::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void ChosenList::dragMoveEvent(QDragMoveEvent* event) {
    // While files are encrypted or decrypted the lists take nothing new.
    if (!m_state.busy && DraggedPaths::canDecode(event->mimeData()) && (event->possibleActions() & Qt::CopyAction)) {
        acceptAsCopy(event);
    } else {
        event->ignore();
    }
}

void ChosenList::dropEvent(QDropEvent* event) {
    const QStringList paths = m_state.busy ? QStringList() : DraggedPaths::FromMimeData(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    acceptAsCopy(event);
    addDroppedPaths(paths);
}
