/*
 * The folder tree: rows held in place while the disk changes, a highlight that never moves to
 * another folder by itself, and an indentation that fits the opened folder's depth.
 */
#include "app/lists/foldertreeview.h"

#include "common/twips.h"

#include <QtCore/QAbstractItemModel>
#include <QtGui/QEnterEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyle>

#include <algorithm>
#include <utility>

namespace {

// The narrowest indentation per level: room for a branch arrow and little more.
const int NarrowIndentation = twips::toPixels(150);

// Whether index is one of the rows first..last of parent, or lies below one of them.
bool isAmong(QModelIndex index, const QModelIndex& parent, int first, int last) {
    for (; index.isValid(); index = index.parent()) {
        if (index.parent() == parent && index.row() >= first && index.row() <= last)
            return true;
    }
    return false;
}

} // namespace

FolderTreeView::FolderTreeView(QAbstractItemModel& folders, QWidget* parent)
    : QTreeView(parent) {
    // Made before the view's own connections, so these run before the view and its selection
    // model react to a change; the ones made after setModel run once they have.
    connect(&folders, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { rememberAnchor({}, 0, -1); });
    connect(&folders, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { rememberAnchor({}, 0, -1); });
    connect(&folders, &QAbstractItemModel::rowsAboutToBeRemoved, this, &FolderTreeView::rememberAnchor);
    connect(&folders, &QAbstractItemModel::rowsAboutToBeRemoved, this, &FolderTreeView::dropRemovedHighlight);
    setModel(&folders);
    connect(&folders, &QAbstractItemModel::rowsInserted, this, &FolderTreeView::restoreAnchor);
    connect(&folders, &QAbstractItemModel::rowsRemoved, this, &FolderTreeView::restoreAnchor);
    connect(&folders, &QAbstractItemModel::layoutChanged, this, &FolderTreeView::restoreAnchor);
    // Rows are held to the pixel; the single top-level row, "/", needs no branch arrow.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setRootIsDecorated(false);
    viewport()->setMouseTracking(true);
}

void FolderTreeView::showOpenedFolder(const QModelIndex& folder) {
    for (QModelIndex parent = folder.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    setCurrentIndex(folder);
    m_opened = folder;
    fitIndentation();
    keepHighlightInView();
}

void FolderTreeView::keepHighlightInView() {
    if (currentIndex().isValid())
        scrollTo(currentIndex());
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
}

void FolderTreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    fitIndentation();
}

void FolderTreeView::fitIndentation() {
    int depth = 0;
    for (QModelIndex up = m_opened.parent(); up.isValid(); up = up.parent())
        ++depth;
    // A row starts one indentation per level above it from the left edge.
    const int standard = style()->pixelMetric(QStyle::PM_TreeViewIndentation, nullptr, this);
    const int fitting = depth > 0 ? viewport()->width() / 2 / depth : standard;
    setIndentation(std::clamp(fitting, std::min(NarrowIndentation, standard), standard));
}

QModelIndex FolderTreeView::rowAt(int y) const {
    // The name column may be narrower than the tree; any point of the row finds it.
    const int left = columnViewportPosition(0);
    return indexAt(QPoint(std::clamp(0, left, left + std::max(0, columnWidth(0) - 1)), y));
}

bool FolderTreeView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::MouseMove)
        m_pointer = static_cast<QMouseEvent*>(event)->position().toPoint();
    else if (event->type() == QEvent::Enter)
        m_pointer = static_cast<QEnterEvent*>(event)->position().toPoint();
    else if (event->type() == QEvent::Leave)
        m_pointer.reset();
    return QTreeView::viewportEvent(event);
}

void FolderTreeView::rememberAnchor(const QModelIndex& parent, int first, int last) {
    // A change that comes while one is still being handled keeps the first anchor.
    if (m_anchor.isValid())
        return;
    // The row under the pointer, else the highlighted row while in view, else the top row; a
    // row about to be removed cannot hold its place.
    QModelIndexList candidates;
    if (m_pointer)
        candidates << rowAt(m_pointer->y());
    if (currentIndex().isValid() && viewport()->rect().intersects(visualRect(currentIndex())))
        candidates << currentIndex();
    candidates << rowAt(0);
    for (const QModelIndex& candidate : candidates) {
        if (candidate.isValid() && !isAmong(candidate, parent, first, last)) {
            m_anchor = candidate;
            m_anchorTop = visualRect(candidate).top();
            return;
        }
    }
}

void FolderTreeView::restoreAnchor() {
    const QPersistentModelIndex anchor = std::exchange(m_anchor, QPersistentModelIndex());
    if (!anchor.isValid())
        return;
    // visualRect lays the changed rows out first.
    const int moved = visualRect(anchor).top() - m_anchorTop;
    if (moved != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + moved);
}

void FolderTreeView::dropRemovedHighlight(const QModelIndex& parent, int first, int last) {
    // The view would hand the highlight to a neighbouring row, and the folder commands act on it.
    if (isAmong(currentIndex(), parent, first, last))
        selectionModel()->clearCurrentIndex();
}
