/*
 * The file chooser window.
 */
#include "filechooserwindow.h"

#include "appstate.h"
#include "barpanes.h"
#include "childframe.h"
#include "childwindowhost.h"
#include "chooserrules.h"
#include "chosenlist.h"
#include "dialogs.h"
#include "divider.h"
#include "filelistmodel.h"
#include "filelistview.h"
#include "filenames.h"
#include "foldertreeview.h"
#include "listpanes.h"
#include "platform.h"
#include "startplacement.h"
#include "twips.h"

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
    , Drive1(new QComboBox(this))
    , Dir1(new FolderTreeView(*m_folders, this))
    , Combo1(new QComboBox(this))
    , File1(new FileListView(*m_files, this))
    , Option1(new QLabel(u"Chosen File List"_s, this))
    , List1(new ChosenList(state, dialogs, platform, bars, this))
    , HFrame1(new Divider(this))
    , HFrame2(new Divider(this))
    , m_treeScrollTimer(new QTimer(this)) {
    setObjectName(u"Spassword1"_s);
    setWindowTitle(u"Encrypt / Decrypt"_s);

    Drive1->setObjectName(u"Drive1"_s);
    Drive1->setAccessibleName(u"Volumes"_s);
    for (const Volume& volume : platform.volumes()) {
        const QString text = volume.name.isEmpty() ? volume.rootPath : volume.rootPath + u"  ["_s + volume.name + u']';
        Drive1->addItem(text, volume.rootPath);
    }
    connect(Drive1, &QComboBox::activated, this, &FileChooserWindow::Drive1_Change);
    Drive1->installEventFilter(this);

    // Hidden folders too: a locked folder is marked system and may have a name beginning with ".".
    m_folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_folders->setRootPath(u"/"_s);
    Dir1->setObjectName(u"Dir1"_s);
    Dir1->setAccessibleName(u"Folders"_s);
    Dir1->setAccessibleDescription(u"The folder tree; right-click for the folder commands"_s);
    Dir1->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        Dir1->hideColumn(column);
    // At the design width the tree is narrow: names keep their whole width, and the user may
    // scroll sideways rather than see them cut.
    Dir1->header()->setStretchLastSection(false);
    Dir1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Dir1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Dir1->viewport()->installEventFilter(this);
    Dir1->installEventFilter(this);
    m_treeScrollTimer->setSingleShot(true);
    m_treeScrollTimer->setInterval(RereadDelayMs);
    // A look already planned is dropped once the user has worked in the tree meanwhile, and
    // waits while the pointer is on the rows: nothing moves under it.
    connect(m_treeScrollTimer, &QTimer::timeout, this, [this] {
        if (m_followTreeFolder && Dir1->isPointerOverRows())
            m_treeScrollTimer->start();
        else if (m_followTreeFolder)
            Dir1->keepHighlightInView();
    });
    const auto treeChanged = [this] {
        if (m_followTreeFolder && !m_treeScrollTimer->isActive())
            m_treeScrollTimer->start();
    };
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, treeChanged);
    connect(m_folders, &QAbstractItemModel::rowsInserted, this, treeChanged);
    connect(m_folders, &QAbstractItemModel::layoutChanged, this, treeChanged);
    for (QScrollBar* bar : {Dir1->verticalScrollBar(), Dir1->horizontalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { m_followTreeFolder = false; });
    // Enter, or a double-click, opens the highlighted folder.
    connect(Dir1, &QTreeView::activated, this,
            [this](const QModelIndex& index) { openFolder(m_folders->filePath(index)); });

    Combo1->setObjectName(u"Combo1"_s);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setToolTip(u"File Filter"_s);
    Combo1->setAccessibleName(Combo1->toolTip());
    Combo1->lineEdit()->setAccessibleName(Combo1->toolTip());
    Combo1->addItem(u"All files *.*"_s);
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, &FileChooserWindow::Combo1_Change);
    connect(Combo1->lineEdit(), &QLineEdit::returnPressed, this, &FileChooserWindow::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &FileChooserWindow::Combo1_Click);
    Combo1->view()->installEventFilter(this);

    File1->setToolTip(u"Directory Files List"_s);
    File1->setAccessibleName(File1->toolTip());
    File1->setAccessibleDescription(u"The files of the folder; Enter or a drag adds them to the chosen file list"_s);
    connect(File1, &QAbstractItemView::clicked, this, &FileChooserWindow::File1_Click);
    connect(File1, &FileListView::buttonPressed, this, &FileChooserWindow::File1_MouseDown);
    connect(File1, &FileListView::enterPressed, this, &FileChooserWindow::File1_KeyEnter);
    connect(File1, &FileListView::movedByKey, this, &FileChooserWindow::File1_Click);
    connect(File1, &FileListView::pointerMoved, this,
            [this] { m_bars.showHint(u"Drag and drop files to your list "_s); });

    Option1->setObjectName(u"Option1"_s);
    Option1->setFrameShape(QFrame::StyledPanel);
    Option1->setAlignment(Qt::AlignCenter);
    Option1->setFocusPolicy(Qt::StrongFocus);
    Option1->setFocusProxy(List1);

    connect(List1, &ChosenList::buttonPressed, this, &FileChooserWindow::List1_MouseDown);

    m_rereadTimer->setSingleShot(true);
    m_rereadTimer->setInterval(RereadDelayMs);
    connect(m_rereadTimer, &QTimer::timeout, this, &FileChooserWindow::folderChangedOnDisk);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The first change of a burst starts the wait; the others fall into it.
        if (!m_rereadTimer->isActive())
            m_rereadTimer->start();
    });

    HFrame1->setObjectName(u"HFrame1"_s);
    HFrame2->setObjectName(u"HFrame2"_s);
    connect(HFrame1, &Divider::dragged, this, &FileChooserWindow::HFrame1_Drag);
    connect(HFrame2, &Divider::dragged, this, &FileChooserWindow::HFrame2_Drag);

    // The left 0.7 of the client area at its full height.
    new StartPlacement(*this, host, [](QWidget& frame, QSize client) {
        frame.setGeometry(0, 0, qRound(0.7 * client.width()), client.height());
    });

    openFolder(QDir::currentPath());
    Form_Load();
}

QListWidget* FileChooserWindow::chosenList() {
    return List1;
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
    const QModelIndex current = Dir1->currentIndex();
    return current.isValid() ? m_folders->filePath(current) : QString();
}

QString FileChooserWindow::highlightedFile() const {
    const QModelIndex current = File1->currentIndex();
    return current.isValid() ? m_files->fullPath(current.row()) : QString();
}

QStringList FileChooserWindow::selectedFiles() const {
    return File1->selectedPaths();
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
    File1->reread();
    showFileCount();
}

void FileChooserWindow::focusFolderTree() {
    Dir1->setFocus();
}

void FileChooserWindow::openFolder(const QString& path) {
    m_treeFolder = QDir::cleanPath(path);
    showFolderInTree(m_treeFolder);
    Dir1_Change();
}

void FileChooserWindow::showGivenFiles(const QString& folder, const QStringList& select, const QStringList& choose) {
    openFolder(folder);
    QItemSelectionModel* selection = File1->selectionModel();
    selection->clearSelection();
    bool first = true;
    for (int row = 0; row < m_files->rowCount(); ++row) {
        if (!select.contains(m_files->fullPath(row)))
            continue;
        const QModelIndex index = m_files->index(row);
        if (first) {
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            File1->scrollTo(index);
            first = false;
        }
        selection->select(index, QItemSelectionModel::Select);
    }
    const QStringList listed = List1->entries();
    for (const QString& path : choose) {
        if (!listed.contains(path))
            List1->addItem(path);
    }
    if (choose.isEmpty())
        return;
    // The given paths become the list's selection, and only they: a command that follows acts on
    // them, not on what was selected before.
    List1->clearSelection();
    bool firstChosen = true;
    for (int row = 0; row < List1->count(); ++row) {
        QListWidgetItem* item = List1->item(row);
        if (!choose.contains(item->text()))
            continue;
        if (firstChosen) {
            List1->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            List1->scrollToItem(item);
            firstChosen = false;
        }
        item->setSelected(true);
    }
    m_bars.showListCount(List1->count());
}

void FileChooserWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FileChooserWindow::closeEvent(QCloseEvent* event) {
    m_state.ActiveListKind = ListKind::None;
    emit closing();
    QWidget::closeEvent(event);
}

bool FileChooserWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Dir1 && event->type() == QEvent::KeyPress) {
        m_followTreeFolder = false;
    } else if (watched == Dir1 && event->type() == QEvent::ContextMenu &&
               static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        // The Menu key opens the folder commands for the highlighted folder.
        m_state.ActiveListKind = ListKind::None;
        emit popupRequested(PopupMenu::Folder);
        return true;
    } else if (watched == Dir1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            m_followTreeFolder = false;
            Dir1_MouseDown(static_cast<QMouseEvent*>(event));
            return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
        }
        if (event->type() == QEvent::MouseMove)
            m_bars.showHint(u"Right Click to Lock or Unlock folder "_s);
    } else if (watched == Drive1 && event->type() == QEvent::FocusIn) {
        m_bars.showHint(u"Select drive"_s);
    } else if (watched == Combo1->view() && event->type() == QEvent::Show) {
        m_bars.showHint(u"You can edit File filter like *.doc"_s);
    }
    return QWidget::eventFilter(watched, event);
}

void FileChooserWindow::Form_Load() {
    Combo1->addItems({
        u"*.doc;*.dot;*.rtf;*.txt;*.xl;*.xla;*.xls;*.xlc;*.xlc;*.xlw"_s,
        u"*.html;*.htm;*.otm;*.wri;*.eml"_s,
        u"*.bmp;*.jpg;*.jpeg;*.gif;*.ico"_s,
        u"*.mpeg;*.mpg;*.mp3;*.avi;*.asf;*.wav;*.mov"_s,
        u"*.vxp"_s,
    });
    // The box is narrower than its longer entries; its drop-down opens wide enough for each whole.
    QAbstractItemView* dropDown = Combo1->view();
    int widest = 0;
    for (int row = 0; row < Combo1->count(); ++row)
        widest = std::max(widest, dropDown->sizeHintForIndex(dropDown->model()->index(row, 0)).width());
    const int scrollBar =
        Combo1->count() > Combo1->maxVisibleItems() ? dropDown->verticalScrollBar()->sizeHint().width() : 0;
    dropDown->setMinimumWidth(widest + 2 * dropDown->frameWidth() + scrollBar);
    showFileCount();
}

void FileChooserWindow::Form_Resize() {
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
    const int driveHeight = Drive1->sizeHint().height();
    // The caption strip shares the filter box's row, so the file list and List1 line up.
    const int comboHeight = Combo1->sizeHint().height();
    const int fileLeft = dirWidth + DividerWidth;
    const int listLeft = fileLeft + fileWidth + DividerWidth;
    Drive1->setGeometry(0, 0, dirWidth, driveHeight);
    Dir1->setGeometry(0, driveHeight, dirWidth, H - driveHeight);
    HFrame1->setGeometry(dirWidth, 0, DividerWidth, H);
    Combo1->setGeometry(fileLeft, 0, fileWidth, comboHeight);
    File1->setGeometry(fileLeft, comboHeight, fileWidth, H - comboHeight);
    HFrame2->setGeometry(fileLeft + fileWidth, 0, DividerWidth, H);
    Option1->setGeometry(listLeft, 0, listWidth, comboHeight);
    List1->setGeometry(listLeft, comboHeight, listWidth, H - comboHeight);
}

void FileChooserWindow::HFrame1_Drag(int x) {
    if ((File1->width() < NarrowColumn && x >= 0) || (Dir1->width() < NarrowColumn && x < 0))
        return;
    // A fast pointer can jump further than a column is wide; no column gets a negative width.
    x = std::clamp(x, -Dir1->width(), File1->width());
    placeColumns(Dir1->width() + x, File1->width() - x);
}

void FileChooserWindow::HFrame2_Drag(int x) {
    if ((List1->width() < NarrowColumn && x > 0) || (File1->width() < NarrowColumn && x < 0))
        return;
    x = std::clamp(x, -File1->width(), List1->width());
    placeColumns(Dir1->width(), File1->width() + x);
}

void FileChooserWindow::Combo1_Change() {
    m_files->setPattern(ChooserRules::FilterPattern(Combo1->currentText()));
}

void FileChooserWindow::Combo1_Click() {
    if (m_state.Busy)
        return;
    Combo1_Change();
    refreshFiles();
    m_state.ActiveListKind = ListKind::None;
}

void FileChooserWindow::Drive1_Change() {
    if (m_state.Busy) {
        showVolumeOfCurrentFolder();
        return;
    }
    const QString root = Drive1->currentData().toString();
    while (!QDir(root).isReadable()) {
        const Dialogs::Answer answer =
            m_dialogs.askRetryCancel(u"There's no disk in drive   "_s + Drive1->currentText());
        if (answer != Dialogs::Answer::Retry) {
            showVolumeOfCurrentFolder();
            return;
        }
    }
    openFolder(root);
}

void FileChooserWindow::Dir1_Change() {
    if (m_state.Busy)
        return;
    File1->setEnabled(!ChooserRules::IsLockedFolder(m_treeFolder));
    m_files->setFolder(m_treeFolder);
    watchShownFolder();
    showFileCount();
    m_state.ActiveListKind = ListKind::None;
    showVolumeOfCurrentFolder();
}

void FileChooserWindow::File1_Click(const QModelIndex& index) {
    if (m_state.Busy)
        return;
    ListPanes::ShowClickedFile(m_state, m_platform, m_bars, m_files->fullPath(index.row()));
    m_state.ActiveListKind = ListKind::DirectoryFiles;
}

void FileChooserWindow::File1_KeyEnter() {
    const QString path = highlightedFile();
    if (path.isEmpty())
        return;
    if (const Expected<void> usable = FileNames::usable(path); !usable) {
        m_dialogs.message(usable.error().message);
        return;
    }
    if (List1->entries().contains(path)) {
        m_dialogs.message(u"This file is already existed"_s);
        return;
    }
    List1->addItem(path);
    m_bars.showListCount(m_bars.listCount() + 1);
}

void FileChooserWindow::File1_MouseDown(Qt::MouseButton button) {
    m_state.ActiveListKind = ListKind::DirectoryFiles;
    if (button == Qt::RightButton)
        emit popupRequested(PopupMenu::Show1);
}

void FileChooserWindow::List1_MouseDown(Qt::MouseButton button) {
    m_state.ActiveListKind = ListKind::ChosenList;
    if (button != Qt::RightButton)
        return;
    emit popupRequested(PopupMenu::ChooserListMenu);
}

void FileChooserWindow::Dir1_MouseDown(QMouseEvent* event) {
    m_state.ActiveListKind = ListKind::None;
    if (event->button() != Qt::RightButton)
        return;
    // The folder commands act on the highlighted folder: the one the user right-clicked.
    const QModelIndex index = Dir1->indexAt(event->position().toPoint());
    if (index.isValid())
        Dir1->setCurrentIndex(index);
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
    if (m_state.Busy || QGuiApplication::mouseButtons() != Qt::NoButton)
        m_rereadTimer->start();
    else
        refreshFiles();
}

void FileChooserWindow::showFolderInTree(const QString& path) {
    const QModelIndex index = m_folders->index(path);
    if (!index.isValid())
        return;
    Dir1->showOpenedFolder(index);
    m_followTreeFolder = true;
}

void FileChooserWindow::showFileCount() {
    m_bars.showFileCount(fileCount());
}

int FileChooserWindow::volumeIndexOf(const QString& path) const {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString root = Drive1->itemData(i).toString();
        const bool holds = path == root || path.startsWith(ChooserRules::FullPath(root, {}));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

void FileChooserWindow::showVolumeOfCurrentFolder() {
    Drive1->setCurrentIndex(volumeIndexOf(currentFolder()));
}
