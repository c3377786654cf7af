/*
 * A file chooser that is no window: its folder tree's highlight and its file list's selection are
 * what the test sets, and opening a folder moves the highlight there, as the real tree does.
 */
#pragma once

#include "filechooser.h"

#include <QtWidgets/QListWidget>

class FakeChooser final : public FileChooser {
public:
    QString folder;
    QStringList selected;
    QStringList opened;
    QListWidget list;

    QListWidget* chosenList() override { return &list; }
    QString currentFolder() const override { return folder; }
    QStringList shownFiles() const override { return {}; }
    int fileCount() const override { return 0; }
    QStringList selectedFiles() const override { return selected; }
    QString highlightedFile() const override { return {}; }
    QString highlightedFolder() const override { return folder; }
    void refreshFiles() override {}
    void openFolder(const QString& path) override {
        opened.append(path);
        folder = path;
    }
};
