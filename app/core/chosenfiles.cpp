/*
 * The chosen-file list's entries and selection.
 */
#include "app/core/chosenfiles.h"

ChosenFiles::ChosenFiles(QObject* parent)
    : QAbstractListModel(parent) {}

void ChosenFiles::append(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    beginInsertRows({}, count(), count() + int(paths.size()) - 1);
    m_paths.append(paths);
    endInsertRows();
}

void ChosenFiles::setPath(int row, const QString& path) {
    if (row < 0 || row >= count())
        return;
    m_paths[row] = path;
    emit dataChanged(index(row), index(row));
}

void ChosenFiles::clear() {
    m_selection.clearSelection();
    beginResetModel();
    m_paths.clear();
    endResetModel();
}

bool ChosenFiles::isSelected(int row) const {
    return row >= 0 && row < count() && m_selection.isSelected(index(row));
}

void ChosenFiles::setSelected(int row, bool selected) {
    if (row >= 0 && row < count())
        m_selection.select(index(row), selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

QStringList ChosenFiles::selectedPaths() const {
    QStringList selected;
    for (int row = 0; row < count(); ++row) {
        if (isSelected(row))
            selected.append(m_paths.at(row));
    }
    return selected;
}

void ChosenFiles::selectAll() {
    if (count() > 0)
        m_selection.select(QItemSelection(index(0), index(count() - 1)), QItemSelectionModel::ClearAndSelect);
}

void ChosenFiles::setCurrentRow(int row) {
    m_selection.setCurrentIndex(index(row), QItemSelectionModel::NoUpdate);
}

int ChosenFiles::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant ChosenFiles::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return m_paths.value(index.row());
}

Qt::ItemFlags ChosenFiles::flags(const QModelIndex& index) const {
    // Entries are selected, never edited in place: a double-click or F2 opens no editor.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

bool ChosenFiles::removeRows(int row, int rows, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || rows <= 0 || row + rows > count())
        return false;
    beginRemoveRows({}, row, row + rows - 1);
    m_paths.remove(row, rows);
    endRemoveRows();
    return true;
}
