/*
 * The chooser's folder tree `Dir1`. It follows the disk without moving what the user aims at:
 * when other programs make or remove folders, the row under the pointer (or else the highlighted
 * row, or else the top row) stays where it is on screen, and a highlighted folder that goes away
 * leaves no highlight rather than handing it to a neighbour. Its levels are indented narrowly
 * enough that the opened folder's row starts in the tree's left half, so the tree shows the start
 * of every name without scrolling sideways.
 */
#pragma once

#include <QtCore/QPersistentModelIndex>
#include <QtWidgets/QTreeView>

#include <optional>

class QAbstractItemModel;

class FolderTreeView : public QTreeView {
    Q_OBJECT

public:
    FolderTreeView(QAbstractItemModel& folders, QWidget* parent = nullptr);

    // Highlights the folder with the folders above it expanded, fits the indentation to its
    // depth and brings it into view at the tree's left edge.
    void showOpenedFolder(const QModelIndex& folder);
    // Brings the highlighted folder into view again, at the tree's left edge.
    void keepHighlightInView();
    bool isPointerOverRows() const { return m_pointer.has_value(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void fitIndentation();
    QModelIndex rowAt(int y) const;
    // Picks the row to hold before a change; first..last of parent are about to be removed.
    void rememberAnchor(const QModelIndex& parent, int first, int last);
    void restoreAnchor();
    void dropRemovedHighlight(const QModelIndex& parent, int first, int last);

    // The folder last opened, whose depth sets the indentation.
    QPersistentModelIndex m_opened;
    // Where the pointer is over the rows, while it is.
    std::optional<QPoint> m_pointer;
    // The row held in place while the model changes, and its top on screen before the change.
    QPersistentModelIndex m_anchor;
    int m_anchorTop = 0;
};
