/*
 * The file chooser `Spassword1` ("Encrypt / Decrypt"): a child window of the main window with
 * three columns, the volume list `Drive1` above the folder tree `Dir1`, the filter box `Combo1`
 * above the folder's file list `File1`, and the caption strip `Option1` above the chosen-file
 * list `List1`, separated by the draggable dividers `HFrame1` and `HFrame2`. Files reach the
 * chosen-file list by the Enter key or by a drag from the file list. Right-clicks ask the main
 * window for its pop-up menus; the commands they run act through the FileChooser calls. While
 * the user works, the window keeps the status bar and the tool bar's attribute buttons up to date.
 */
#pragma once

#include "app/core/filechooser.h"
#include "app/core/popupmenu.h"
#include "app/lists/engine/filekind.h"

#include <QtWidgets/QWidget>

struct AppState;
class BarPanes;
class ChildWindowHost;
class ChosenList;
class Dialogs;
class Divider;
class FileListModel;
class FileListView;
class FolderTreeView;
class Platform;
class QComboBox;
class QFileSystemModel;
class QFileSystemWatcher;
class QLabel;
class QModelIndex;
class QMouseEvent;
class QTimer;

class FileChooserWindow : public QWidget, public FileChooser {
    Q_OBJECT

public:
    // The main window places the chooser in a sub-window of its area; that sub-window takes the
    // left 0.7 of the client area at its full height, following the area's size until the user
    // moves or resizes it.
    FileChooserWindow(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, ChildWindowHost& host,
                      QWidget* parent = nullptr);

    ChosenFiles& chosenFiles() override;
    QString currentFolder() const override;
    QStringList shownFiles() const override;
    int fileCount() const override;
    QStringList selectedFiles() const override;
    QString highlightedFile() const override;
    QString highlightedFolder() const override;
    // The files that remain keep their selection and highlight. It also happens by itself soon
    // after the folder changes on disk, once no long operation runs.
    void refreshFiles() override;
    void openFolder(const QString& path) override;

    void setFileKindShown(FileKind kind, bool shown);
    bool isFileKindShown(FileKind kind) const;
    void focusFolderTree();
    // Opens a folder with the given files of it selected and highlighted, and appends the given
    // paths that are not there yet to the chosen-file list, where they, and only they, are then
    // selected, the first highlighted. The paths were checked by the caller.
    void showGivenFiles(const QString& folder, const QStringList& select, const QStringList& choose);

signals:
    // A right-click (or the Menu key) asks for one of the main window's pop-up menus.
    void popupRequested(PopupMenu menu);
    // The window is closing.
    void closing();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void restoreLayout();
    void arrange();
    void leftDividerDragged(int x);
    void rightDividerDragged(int x);
    void filterEdited();
    void filterChosen();
    void volumeChosen();
    void folderOpened();
    void fileClicked(const QModelIndex& index);
    void fileEntered();
    void fileListPressed(Qt::MouseButton button);
    void chosenListPressed(Qt::MouseButton button);
    void folderTreePressed(QMouseEvent* event);

    void watchShownFolder();
    void folderChangedOnDisk();
    void showFolderInTree(const QString& path);
    void showFileCount();
    int volumeIndexOf(const QString& path) const;
    void showVolumeOfCurrentFolder();
    void placeColumns(int dirWidth, int fileWidth);

    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    ChildWindowHost& m_host;
    FileListModel* m_files;
    QFileSystemModel* m_folders;
    QFileSystemWatcher* m_watcher;
    // Gathers the bursts of changes a copy or a pass makes into one re-read.
    QTimer* m_rereadTimer;
    QComboBox* m_volumeBox;
    FolderTreeView* m_folderTree;
    QComboBox* m_filterBox;
    FileListView* m_fileList;
    QLabel* m_listCaption;
    ChosenList* m_chosenList;
    Divider* m_leftDivider;
    Divider* m_rightDivider;
    // m_folderTree's path: the folder last opened in the tree.
    QString m_treeFolder;
    // The tree loads its folders in the background: until the user works in the tree, its
    // highlight is brought back into view after every load, unless the pointer is on the rows.
    bool m_followTreeFolder = true;
    QTimer* m_treeScrollTimer;
};
