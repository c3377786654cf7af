/*
 * The file list's view and its drag.
 */
#include "app/lists/filelistview.h"

#include "app/lists/draggedpaths.h"
#include "app/lists/filelistmodel.h"

#include <QtCore/QItemSelectionModel>
#include <QtCore/QSet>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QCursor>
#include <QtGui/QDrag>
#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QScrollBar>

#include <algorithm>

using namespace Qt::StringLiterals;

FileListView::FileListView(FileListModel& model, QWidget* parent)
    : QListView(parent)
    , m_model(model) {
    setObjectName(u"File1"_s);
    setModel(&model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // With equal rows the view lays out a hundred thousand entries without measuring each.
    setUniformItemSizes(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->setMouseTracking(true);
}

QStringList FileListView::selectedPaths() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (int row : rows)
        paths.append(m_model.fullPath(row));
    return paths;
}

void FileListView::reread() {
    QSet<QString> selected;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        selected.insert(m_model.fileName(index.row()));
    const QString current = currentIndex().isValid() ? m_model.fileName(currentIndex().row()) : QString();
    const int scrolled = verticalScrollBar()->value();

    m_model.refresh();

    // Runs of neighbouring selected rows make one range each, so a large selection stays quick.
    QItemSelection selection;
    int runStart = -1;
    int currentRow = -1;
    const int rows = m_model.rowCount();
    for (int row = 0; row <= rows; ++row) {
        const QString name = row < rows ? m_model.fileName(row) : QString();
        const bool isSelected = row < rows && selected.contains(name);
        if (isSelected && runStart < 0)
            runStart = row;
        if (!isSelected && runStart >= 0) {
            selection.select(m_model.index(runStart), m_model.index(row - 1));
            runStart = -1;
        }
        if (row < rows && !current.isEmpty() && name == current)
            currentRow = row;
    }
    if (currentRow >= 0)
        selectionModel()->setCurrentIndex(m_model.index(currentRow), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::Select);
    // The new rows are laid out first, or the scroll bar would not yet reach the old position.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scrolled);
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::RightButton)
        QListView::mousePressEvent(event);
    emit buttonPressed(event->button());
}

void FileListView::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved();
    QListView::mouseMoveEvent(event);
}

void FileListView::contextMenuEvent(QContextMenuEvent* event) {
    // The Menu key opens the pop-up menu as a right-click does.
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit buttonPressed(Qt::RightButton);
    event->accept();
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed();
        return;
    }
    const QPersistentModelIndex before = currentIndex();
    QListView::keyPressEvent(event);
    if (currentIndex().isValid() && before != currentIndex())
        emit movedByKey(currentIndex());
}

void FileListView::startDrag(Qt::DropActions) {
    const QStringList DList = selectedPaths();
    if (DList.isEmpty())
        return;
    // The marker (`Label2`): the outline of one text line across the list, centred on the pointer.
    const int lineHeight = fontMetrics().height();
    QPixmap marker(viewport()->width(), lineHeight);
    marker.fill(Qt::transparent);
    {
        QPainter painter(&marker);
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(marker.rect().adjusted(0, 0, -1, -1));
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(DraggedPaths::ToMimeData(DList));
    drag->setPixmap(marker);
    drag->setHotSpot(QPoint(viewport()->mapFromGlobal(QCursor::pos()).x(), lineHeight / 2));
    drag->exec(Qt::CopyAction);
}
