/*
 * The file chooser window.
 */
#include "app/lists/filechooserwindow.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/core/childframe.h"
#include "app/core/childwindowhost.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/core/startplacement.h"
#include "app/lists/chosenlist.h"
#include "app/lists/divider.h"
#include "app/lists/engine/chooserrules.h"
#include "app/lists/filelistmodel.h"
#include "app/lists/filelistview.h"
#include "app/lists/foldertreeview.h"
#include "app/lists/listpanes.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"
#include "common/twips.h"

#include <QtCore/QFileInfo>
#include <QtCore/QFileSystemWatcher>
#include <QtCore/QTimer>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QFileSystemModel>
#include <QtGui/QGuiApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QScrollBar>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const int DividerWidth = twips::toPixels(80);
// A divider drag stops once a neighbouring column is narrower than this.
const int NarrowColumn = twips::toPixels(500);
// How long the file list waits after a change on disk for the changes that follow it.
constexpr int RereadDelayMs = 100;

// The folder tree's model; a folder's tool tip is its whole name, which a narrow tree cuts.
class FolderTreeModel final : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ToolTipRole && index.column() == 0)
            return fileName(index);
        return QFileSystemModel::data(index, role);
    }
};

} // namespace

FileChooserWindow::FileChooserWindow(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars,
                                     ChildWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_bars(bars)
    , m_host(host)
    , m_files(new FileListModel(platform, this))
    , m_folders(new FolderTreeModel(this))
    , m_watcher(new QFileSystemWatcher(this))
    , m_rereadTimer(new QTimer(this))
    , m_volumeBox(new QComboBox(this))
    , m_folderTree(new FolderTreeView(*m_folders, this))
    , m_filterBox(new QComboBox(this))
    , m_fileList(new FileListView(*m_files, this))
    , m_listCaption(new QLabel(u"Chosen File List"_s, this))
    , m_chosenList(new ChosenList(state, dialogs, platform, bars, this))
    , m_leftDivider(new Divider(this))
    , m_rightDivider(new Divider(this))
    , m_treeScrollTimer(new QTimer(this)) {
    setObjectName(u"Spassword1"_s);
    setWindowTitle(u"Encrypt / Decrypt"_s);

    m_volumeBox->setObjectName(u"Drive1"_s);
    m_volumeBox->setAccessibleName(u"Volumes"_s);
    for (const Volume& volume : platform.volumes()) {
        const QString text = volume.name.isEmpty() ? volume.rootPath : volume.rootPath + u"  ["_s + volume.name + u']';
        m_volumeBox->addItem(text, volume.rootPath);
    }
    connect(m_volumeBox, &QComboBox::activated, this, &FileChooserWindow::volumeChosen);
    m_volumeBox->installEventFilter(this);

    // Hidden folders too: a locked folder is marked system and may have a name beginning with ".".
    m_folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_folders->setRootPath(u"/"_s);
    m_folderTree->setObjectName(u"Dir1"_s);
    m_folderTree->setAccessibleName(u"Folders"_s);
    m_folderTree->setAccessibleDescription(u"The folder tree; right-click for the folder commands"_s);
    m_folderTree->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_folderTree->hideColumn(column);
    // At the design width the tree is narrow: names keep their whole width, and the user may
    // scroll sideways rather than see them cut.
    m_folderTree->header()->setStretchLastSection(false);
    m_folderTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_folderTree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_folderTree->viewport()->installEventFilter(this);
    m_folderTree->installEventFilter(this);
    m_treeScrollTimer->setSingleShot(true);
    m_treeScrollTimer->setInterval(RereadDelayMs);
    // A look already planned is dropped once the user has worked in the tree meanwhile, and
    // waits while the pointer is on the rows: nothing moves under it.
    connect(m_treeScrollTimer, &QTimer::timeout, this, [this] {
        if (m_followTreeFolder && m_folderTree->isPointerOverRows())
            m_treeScrollTimer->start();
        else if (m_followTreeFolder)
            m_folderTree->keepHighlightInView();
    });
    const auto treeChanged = [this] {
        if (m_followTreeFolder && !m_treeScrollTimer->isActive())
            m_treeScrollTimer->start();
    };
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, treeChanged);
    connect(m_folders, &QAbstractItemModel::rowsInserted, this, treeChanged);
    connect(m_folders, &QAbstractItemModel::layoutChanged, this, treeChanged);
    for (QScrollBar* bar : {m_folderTree->verticalScrollBar(), m_folderTree->horizontalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { m_followTreeFolder = false; });
    // Enter, or a double-click, opens the highlighted folder.
    connect(m_folderTree, &QTreeView::activated, this,
            [this](const QModelIndex& index) { openFolder(m_folders->filePath(index)); });

    m_filterBox->setObjectName(u"Combo1"_s);
    m_filterBox->setEditable(true);
    m_filterBox->setInsertPolicy(QComboBox::NoInsert);
    m_filterBox->setToolTip(u"File Filter"_s);
    m_filterBox->setAccessibleName(m_filterBox->toolTip());
    m_filterBox->lineEdit()->setAccessibleName(m_filterBox->toolTip());
    m_filterBox->addItem(u"All files *.*"_s);
    connect(m_filterBox->lineEdit(), &QLineEdit::textEdited, this, &FileChooserWindow::filterEdited);
    connect(m_filterBox->lineEdit(), &QLineEdit::returnPressed, this, &FileChooserWindow::filterEdited);
    connect(m_filterBox, &QComboBox::activated, this, &FileChooserWindow::filterChosen);
    m_filterBox->view()->installEventFilter(this);

    m_fileList->setToolTip(u"Directory Files List"_s);
    m_fileList->setAccessibleName(m_fileList->toolTip());
    m_fileList->setAccessibleDescription(
        u"The files of the folder; Enter or a drag adds them to the chosen file list"_s);
    connect(m_fileList, &QAbstractItemView::clicked, this, &FileChooserWindow::fileClicked);
    connect(m_fileList, &FileListView::buttonPressed, this, &FileChooserWindow::fileListPressed);
    connect(m_fileList, &FileListView::enterPressed, this, &FileChooserWindow::fileEntered);
    connect(m_fileList, &FileListView::movedByKey, this, &FileChooserWindow::fileClicked);
    connect(m_fileList, &FileListView::pointerMoved, this,
            [this] { m_bars.showHint(u"Drag and drop files to your list "_s); });

    m_listCaption->setObjectName(u"Option1"_s);
    m_listCaption->setFrameShape(QFrame::StyledPanel);
    m_listCaption->setAlignment(Qt::AlignCenter);
    m_listCaption->setFocusPolicy(Qt::StrongFocus);
    m_listCaption->setFocusProxy(m_chosenList);

    connect(m_chosenList, &ChosenList::buttonPressed, this, &FileChooserWindow::chosenListPressed);

    m_rereadTimer->setSingleShot(true);
    m_rereadTimer->setInterval(RereadDelayMs);
    connect(m_rereadTimer, &QTimer::timeout, this, &FileChooserWindow::folderChangedOnDisk);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The first change of a burst starts the wait; the others fall into it.
        if (!m_rereadTimer->isActive())
            m_rereadTimer->start();
    });

    m_leftDivider->setObjectName(u"HFrame1"_s);
    m_rightDivider->setObjectName(u"HFrame2"_s);
    connect(m_leftDivider, &Divider::dragged, this, &FileChooserWindow::leftDividerDragged);
    connect(m_rightDivider, &Divider::dragged, this, &FileChooserWindow::rightDividerDragged);

    // The left 0.7 of the client area at its full height.
    new StartPlacement(*this, host, [](QWidget& frame, QSize client) {
        frame.setGeometry(0, 0, qRound(0.7 * client.width()), client.height());
    });

    openFolder(QDir::currentPath());
    restoreLayout();
}

ChosenFiles& FileChooserWindow::chosenFiles() {
    return m_chosenList->files();
}

void FileChooserWindow::setFileKindShown(FileKind kind, bool shown) {
    m_files->setKindShown(kind, shown);
}

bool FileChooserWindow::isFileKindShown(FileKind kind) const {
    return m_files->isKindShown(kind);
}

int FileChooserWindow::fileCount() const {
    return m_files->rowCount();
}

QString FileChooserWindow::currentFolder() const {
    return m_files->folder();
}

QString FileChooserWindow::highlightedFolder() const {
    // None once the highlighted folder went from the disk: the commands then ask for a click.
    const QModelIndex current = m_folderTree->currentIndex();
    return current.isValid() ? m_folders->filePath(current) : QString();
}

QString FileChooserWindow::highlightedFile() const {
    const QModelIndex current = m_fileList->currentIndex();
    return current.isValid() ? m_files->fullPath(current.row()) : QString();
}

QStringList FileChooserWindow::selectedFiles() const {
    return m_fileList->selectedPaths();
}

QStringList FileChooserWindow::shownFiles() const {
    QStringList names;
    names.reserve(fileCount());
    for (int row = 0; row < fileCount(); ++row)
        names << m_files->fileName(row);
    return names;
}

void FileChooserWindow::refreshFiles() {
    m_rereadTimer->stop();
    m_fileList->reread();
    showFileCount();
}

void FileChooserWindow::focusFolderTree() {
    m_folderTree->setFocus();
}

void FileChooserWindow::openFolder(const QString& path) {
    m_treeFolder = QDir::cleanPath(path);
    showFolderInTree(m_treeFolder);
    folderOpened();
}

void FileChooserWindow::showGivenFiles(const QString& folder, const QStringList& select, const QStringList& choose) {
    openFolder(folder);
    QItemSelectionModel* selection = m_fileList->selectionModel();
    selection->clearSelection();
    bool first = true;
    for (int row = 0; row < m_files->rowCount(); ++row) {
        if (!select.contains(m_files->fullPath(row)))
            continue;
        const QModelIndex index = m_files->index(row);
        if (first) {
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            m_fileList->scrollTo(index);
            first = false;
        }
        selection->select(index, QItemSelectionModel::Select);
    }
    ChosenFiles& chosen = m_chosenList->files();
    const QStringList listed = chosen.paths();
    for (const QString& path : choose) {
        if (!listed.contains(path))
            chosen.append({path});
    }
    if (choose.isEmpty())
        return;
    // The given paths become the list's selection, and only they: a command that follows acts on
    // them, not on what was selected before.
    chosen.clearSelection();
    bool firstChosen = true;
    for (int row = 0; row < chosen.count(); ++row) {
        if (!choose.contains(chosen.path(row)))
            continue;
        if (firstChosen) {
            chosen.setCurrentRow(row);
            m_chosenList->scrollTo(chosen.index(row));
            firstChosen = false;
        }
        chosen.setSelected(row, true);
    }
    m_bars.showListCount(chosen.count());
}

void FileChooserWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void FileChooserWindow::closeEvent(QCloseEvent* event) {
    m_state.activeListKind = ListKind::None;
    emit closing();
    QWidget::closeEvent(event);
}

bool FileChooserWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_folderTree && event->type() == QEvent::KeyPress) {
        m_followTreeFolder = false;
    } else if (watched == m_folderTree && event->type() == QEvent::ContextMenu &&
               static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The Menu key opens the folder commands for the highlighted folder.
        m_state.activeListKind = ListKind::None;
        emit popupRequested(PopupMenu::Folder);
        return true;
    } else if (watched == m_folderTree->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            m_followTreeFolder = false;
            folderTreePressed(static_cast<QMouseEvent*>(event));
            return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        }
        if (event->type() == QEvent::MouseMove)
            m_bars.showHint(u"Right Click to Lock or Unlock folder "_s);
    } else if (watched == m_volumeBox && event->type() == QEvent::FocusIn) {
        m_bars.showHint(u"Select drive"_s);
    } else if (watched == m_filterBox->view() && event->type() == QEvent::Show) {
        m_bars.showHint(u"You can edit File filter like *.doc"_s);
    }
    return QWidget::eventFilter(watched, event);
}

void FileChooserWindow::restoreLayout() {
    m_filterBox->addItems({
        u"*.doc;*.dot;*.rtf;*.txt;*.xl;*.xla;*.xls;*.xlc;*.xlc;*.xlw"_s,
        u"*.html;*.htm;*.otm;*.wri;*.eml"_s,
        u"*.bmp;*.jpg;*.jpeg;*.gif;*.ico"_s,
        u"*.mpeg;*.mpg;*.mp3;*.avi;*.asf;*.wav;*.mov"_s,
        u"*.vxp"_s,
    });
    // The box is narrower than its longer entries; its drop-down opens wide enough for each whole.
    QAbstractItemView* dropDown = m_filterBox->view();
    int widest = 0;
    for (int row = 0; row < m_filterBox->count(); ++row)
        widest = std::max(widest, dropDown->sizeHintForIndex(dropDown->model()->index(row, 0)).width());
    const int scrollBar =
        m_filterBox->count() > m_filterBox->maxVisibleItems() ? dropDown->verticalScrollBar()->sizeHint().width() : 0;
    dropDown->setMinimumWidth(widest + 2 * dropDown->frameWidth() + scrollBar);
    showFileCount();
}

void FileChooserWindow::arrange() {
    // The frame is kept at 0.4 of the client area's width and height at least.
    QWidget& frame = ChildFrame(*this);
    if (&frame != this && !frame.isMinimized() && !frame.isMaximized()) {
        const QSize client = m_host.clientSize();
        QSize outer = frame.size();
        if (outer.width() < 0.4 * client.width())
            outer.setWidth(qCeil(0.4 * client.width()));
        if (outer.height() < 0.4 * client.height())
            outer.setHeight(qCeil(0.4 * client.height()));
        frame.resize(outer);
    }
    placeColumns(qRound(0.3 * width()), qRound(0.35 * width()) - DividerWidth);
    if (m_followTreeFolder)
        m_treeScrollTimer->start();
}

void FileChooserWindow::placeColumns(int dirWidth, int fileWidth) {
    const int W = width();
    const int H = height();
    const int listWidth = W - dirWidth - DividerWidth - fileWidth - DividerWidth;
    const int driveHeight = m_volumeBox->sizeHint().height();
    // The caption strip shares the filter box's row, so the file list and m_chosenList line up.
    const int comboHeight = m_filterBox->sizeHint().height();
    const int fileLeft = dirWidth + DividerWidth;
    const int listLeft = fileLeft + fileWidth + DividerWidth;
    m_volumeBox->setGeometry(0, 0, dirWidth, driveHeight);
    m_folderTree->setGeometry(0, driveHeight, dirWidth, H - driveHeight);
    m_leftDivider->setGeometry(dirWidth, 0, DividerWidth, H);
    m_filterBox->setGeometry(fileLeft, 0, fileWidth, comboHeight);
    m_fileList->setGeometry(fileLeft, comboHeight, fileWidth, H - comboHeight);
    m_rightDivider->setGeometry(fileLeft + fileWidth, 0, DividerWidth, H);
    m_listCaption->setGeometry(listLeft, 0, listWidth, comboHeight);
    m_chosenList->setGeometry(listLeft, comboHeight, listWidth, H - comboHeight);
}

void FileChooserWindow::leftDividerDragged(int x) {
    if ((m_fileList->width() < NarrowColumn && x >= 0) || (m_folderTree->width() < NarrowColumn && x < 0))
        return;
    // A fast pointer can jump further than a column is wide; no column gets a negative width.
    x = std::clamp(x, -m_folderTree->width(), m_fileList->width());
    placeColumns(m_folderTree->width() + x, m_fileList->width() - x);
}

void FileChooserWindow::rightDividerDragged(int x) {
    if ((m_chosenList->width() < NarrowColumn && x > 0) || (m_fileList->width() < NarrowColumn && x < 0))
        return;
    x = std::clamp(x, -m_fileList->width(), m_chosenList->width());
    placeColumns(m_folderTree->width(), m_fileList->width() + x);
}

void FileChooserWindow::filterEdited() {
    m_files->setPattern(ChooserRules::filterPattern(m_filterBox->currentText()));
}

void FileChooserWindow::filterChosen() {
    if (m_state.busy)
        return;
    filterEdited();
    refreshFiles();
    m_state.activeListKind = ListKind::None;
}

void FileChooserWindow::volumeChosen() {
    if (m_state.busy) {
        showVolumeOfCurrentFolder();
        return;
    }
    const QString root = m_volumeBox->currentData().toString();
    while (!QDir(root).isReadable()) {
        const Dialogs::Answer answer =
            m_dialogs.askRetryCancel(u"There's no disk in drive   "_s + m_volumeBox->currentText());
        if (answer != Dialogs::Answer::Retry) {
            showVolumeOfCurrentFolder();
            return;
        }
    }
    openFolder(root);
}

void FileChooserWindow::folderOpened() {
    if (m_state.busy)
        return;
    m_fileList->setEnabled(!ChooserRules::isLockedFolder(m_treeFolder));
    m_files->setFolder(m_treeFolder);
    watchShownFolder();
    showFileCount();
    m_state.activeListKind = ListKind::None;
    showVolumeOfCurrentFolder();
}

void FileChooserWindow::fileClicked(const QModelIndex& index) {
    if (m_state.busy)
        return;
    ListPanes::showClickedFile(m_state, m_platform, m_bars, m_files->fullPath(index.row()));
    m_state.activeListKind = ListKind::DirectoryFiles;
}

void FileChooserWindow::fileEntered() {
    const QString path = highlightedFile();
    if (path.isEmpty())
        return;
    if (const Expected<void> usable = FileNames::usable(path); !usable) {
        m_dialogs.message(usable.error().message);
        return;
    }
    if (m_chosenList->files().paths().contains(path)) {
        m_dialogs.message(u"This file is already existed"_s);
        return;
    }
    m_chosenList->files().append({path});
    m_bars.showListCount(m_bars.listCount() + 1);
}

void FileChooserWindow::fileListPressed(Qt::MouseButton button) {
    m_state.activeListKind = ListKind::DirectoryFiles;
    if (button == Qt::RightButton)
        emit popupRequested(PopupMenu::FileList);
}

void FileChooserWindow::chosenListPressed(Qt::MouseButton button) {
    m_state.activeListKind = ListKind::ChosenList;
    if (button != Qt::RightButton)
        return;
    emit popupRequested(PopupMenu::ChooserListMenu);
}

void FileChooserWindow::folderTreePressed(QMouseEvent* event) {
    m_state.activeListKind = ListKind::None;
    if (event->button() != Qt::RightButton)
        return;
    // The folder commands act on the highlighted folder: the one the user right-clicked.
    const QModelIndex index = m_folderTree->indexAt(event->position().toPoint());
    if (index.isValid())
        m_folderTree->setCurrentIndex(index);
    emit popupRequested(PopupMenu::Folder);
}

void FileChooserWindow::watchShownFolder() {
    m_rereadTimer->stop();
    if (const QStringList watched = m_watcher->directories(); !watched.isEmpty())
        m_watcher->removePaths(watched);
    // Where the folder cannot be watched (no more watches, a file system without notices), the
    // list is still read again at the end of every command.
    if (QFileInfo(m_files->folder()).isDir())
        m_watcher->addPath(m_files->folder());
}

void FileChooserWindow::folderChangedOnDisk() {
    // A long operation changes the folder as it goes and reads the list again when it ends; the
    // re-read waits until then so the list does not change under it, and so it does while a
    // mouse button is down (a selection or a drag in progress).
    if (m_state.busy || QGuiApplication::mouseButtons() != Qt::NoButton)
        m_rereadTimer->start();
    else
        refreshFiles();
}

void FileChooserWindow::showFolderInTree(const QString& path) {
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid())
        return;
    m_folderTree->showOpenedFolder(index);
    m_followTreeFolder = true;
}

void FileChooserWindow::showFileCount() {
    m_bars.showFileCount(fileCount());
}

int FileChooserWindow::volumeIndexOf(const QString& path) const {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_volumeBox->count(); ++i) {
        const QString root = m_volumeBox->itemData(i).toString();
        const bool holds = path == root || path.startsWith(ChooserRules::joinPath(root, {}));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

void FileChooserWindow::showVolumeOfCurrentFolder() {
    m_volumeBox->setCurrentIndex(volumeIndexOf(currentFolder()));
}
