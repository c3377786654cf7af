/*
 * The file list's model.
 */
#include "app/lists/filelistmodel.h"

#include "app/lists/engine/chooserrules.h"

FileListModel::FileListModel(const Platform& platform, QObject* parent)
    : QAbstractListModel(parent)
    , m_lister(platform)
    , m_filter(m_pattern) {}

void FileListModel::setFolder(const QString& folder) {
    m_folder = folder;
    refresh();
}

void FileListModel::refresh() {
    beginResetModel();
    m_read = m_lister.read(m_folder);
    select();
    endResetModel();
}

void FileListModel::setPattern(const QString& pattern) {
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    m_filter = FilePattern(pattern);
    beginResetModel();
    select();
    endResetModel();
}

void FileListModel::setKindShown(FileKind kind, bool shown) {
    m_kinds.setShown(kind, shown);
    refresh();
}

QString FileListModel::fileName(int row) const {
    return row >= 0 && row < m_shown.size() ? m_read[m_shown[row]].name : QString();
}

QString FileListModel::fullPath(int row) const {
    return row >= 0 && row < m_shown.size() ? ChooserRules::joinPath(m_folder, fileName(row)) : QString();
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::DisplayRole && checkIndex(index, CheckIndexOption::IndexIsValid))
        return fileName(index.row());
    return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
}

void FileListModel::select() {
    m_shown.clear();
    for (qsizetype i = 0; i < m_read.size(); ++i) {
        if (m_kinds.accepts(m_read[i].attributes) && m_filter.matches(m_read[i].name))
            m_shown.append(i);
    }
}
