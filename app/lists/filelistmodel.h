/*
 * The entries of the chooser's file list `File1`: the files of one folder that match the
 * filter and whose kind is shown. The folder is read once when it is set or refreshed, and
 * again when a file kind is switched (attributes may have changed since); the filter picks
 * from what was read, so typing a filter stays quick in a large folder.
 */
#pragma once

#include "app/lists/engine/filekindfilter.h"
#include "app/lists/engine/filepattern.h"
#include "app/lists/engine/folderlister.h"

#include <QtCore/QAbstractListModel>

class Platform;

class FileListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit FileListModel(const Platform& platform, QObject* parent = nullptr);

    QString folder() const { return m_folder; }
    void setFolder(const QString& folder);
    // Reads the folder again.
    void refresh();
    // The filter as the file list takes it ("*.doc;*.txt").
    void setPattern(const QString& pattern);
    void setKindShown(FileKind kind, bool shown);
    bool isKindShown(FileKind kind) const { return m_kinds.isShown(kind); }

    QString fileName(int row) const;
    QString fullPath(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void select();

    FolderLister m_lister;
    QString m_folder;
    QString m_pattern = QStringLiteral("*.*");
    FilePattern m_filter;
    FileKindFilter m_kinds;
    QList<FolderEntry> m_read;
    // Indexes into m_read of the listed files.
    QList<qsizetype> m_shown;
};
