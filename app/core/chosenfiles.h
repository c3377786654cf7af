/*
 * The entries of a chosen-file list: full paths in the order the user gathered them, with the
 * selection and the highlighted entry. The commands read and change a list only through this
 * model; the list's view shows it and selects through its selection model, so what the user
 * selects is what the commands see.
 */
#pragma once

#include <QtCore/QAbstractListModel>
#include <QtCore/QItemSelectionModel>
#include <QtCore/QStringList>

class ChosenFiles : public QAbstractListModel {
    Q_OBJECT

public:
    explicit ChosenFiles(QObject* parent = nullptr);

    // The selection model the view uses.
    QItemSelectionModel& selection() { return m_selection; }

    int count() const { return int(m_paths.size()); }
    QStringList paths() const { return m_paths; }
    // The path of a row; empty for a row that is not there.
    QString path(int row) const { return m_paths.value(row); }
    // The first row holding the path; -1 when none does.
    int rowOf(const QString& path) const { return int(m_paths.indexOf(path)); }
    // Appends the paths in order, unselected.
    void append(const QStringList& paths);
    // Gives a row another path; its selection stays.
    void setPath(int row, const QString& path);
    // Removes every entry, and with them the selection and the highlight. (removeRow(row), of
    // the base class, removes one entry; the others keep their selection.)
    void clear();

    bool isSelected(int row) const;
    void setSelected(int row, bool selected);
    bool hasSelection() const { return m_selection.hasSelection(); }
    // The paths of the selected rows, first to last.
    QStringList selectedPaths() const;
    void selectAll();
    void clearSelection() { m_selection.clearSelection(); }
    // The highlighted row; -1 when none is.
    int currentRow() const { return m_selection.currentIndex().row(); }
    // Highlights a row, leaving the selection as it is.
    void setCurrentRow(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int rows, const QModelIndex& parent = {}) override;

private:
    QStringList m_paths;
    QItemSelectionModel m_selection{this};
};
