/*
 * The chooser and browser windows over stand-ins for the main window's roles: what they show on
 * the bars, the lists they fill, and the pop-up menus and closes they report.
 */
#include "app/core/appstate.h"
#include "app/lists/chosenlist.h"
#include "app/lists/draggedpaths.h"
#include "app/lists/engine/chooserrules.h"
#include "app/lists/filechooserwindow.h"
#include "app/lists/hotlistbrowser.h"
#include "app/lists/hotlistwindow.h"
#include "app/lists/listcommands.h"
#include "app/platform/attributes.h"
#include "common/twips.h"
#include "tests/app/lists/listtests.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"
#include "tests/support/testplatform.h"

#include <QtCore/QMimeData>
#include <QtGui/QFileSystemModel>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QToolTip>
#include <QtWidgets/QTreeView>

namespace {

// A drop as the desktop delivers it (a drag enter, then the drop); takes ownership of data and
// returns the action the target took, IgnoreAction when it refused.
Qt::DropAction Drop(QWidget* target, QMimeData* data, Qt::DropAction offered) {
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    event.setDropAction(offered);
    QApplication::sendEvent(target, &event);
    delete data;
    return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
}

} // namespace

class ChooserTest : public TempEnvTest {
protected:
    // Opens the chooser in a sub-window of the area, as the main window does, on a folder
    // holding these one-byte files.
    void open(const QStringList& files = {}) {
        folder = makeDir(u"files"_s);
        for (const QString& name : files)
            makeFile(u"files/"_s + name, 1);
        chooser = new FileChooserWindow(state, dialogs, platform, bars, host.host);
        host.host.show(*chooser);
        chooser->openFolder(folder);
    }
    template <class T = QWidget> T* child(const QString& name) const { return chooser->findChild<T*>(name); }
    QListView* fileList() const { return child<QListView>(u"File1"_s); }
    ChosenList* chosenList() const { return child<ChosenList>(u"List1"_s); }
    QModelIndex row(int n) const { return fileList()->model()->index(n, 0); }
    QString file(const QString& name) const { return folder + u'/' + name; }

    AppState state;
    ScriptedDialogs dialogs;
    TestPlatform platform;
    RecordingBars bars;
    // Declared last: the windows it holds go before the roles they use.
    TestHostWindow host;
    FileChooserWindow* chooser = nullptr;
    QString folder;
};

// The box is narrower than its longer entries; its drop-down opens wide enough for each whole.
TEST_F(ChooserTest, FilterAppliesTheAllRuleAndSeveralPatternsAndShowsEveryEntryWhole) {
    open({u"a.txt"_s, u"b.TXT"_s, u"c.doc"_s, u"d"_s, u"e.vxp"_s});
    auto* filterBox = child<QComboBox>(u"Combo1"_s);
    for (const auto& [typed, shown] : {std::pair(u"All files *.txt"_s, 2), {u"all files *.txt"_s, 0}, {u"*.doc;*.vxp"_s, 2}}) {
        filterBox->lineEdit()->clear();
        QTest::keyClicks(filterBox->lineEdit(), typed);
        EXPECT_EQ(chooser->fileCount(), shown) << qPrintable(typed);
    }
    filterBox->showPopup();
    QAbstractItemView* list = filterBox->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
    ASSERT_EQ(filterBox->count(), 6);
    for (int row = 0; row < filterBox->count(); ++row) {
        const QModelIndex entry = list->model()->index(row, 0);
        EXPECT_GE(list->viewport()->width(), list->sizeHintForIndex(entry).width())
            << qPrintable(filterBox->itemText(row));
    }
    EXPECT_LT(filterBox->width(), list->sizeHintForIndex(list->model()->index(1, 0)).width());
    filterBox->hidePopup();
}

// A click, or a key that moves the highlight, shows the file's size and attributes; a key
// also makes the list the one worked in.
TEST_F(ChooserTest, ClicksAndKeyboardMovesShowTheFilesSizeAndAttributes) {
    for (const auto& [name, size, attributes] :
         {std::tuple(u"a"_s, 10, Attr::Archive), {u"b"_s, 1536, Attr::Hidden | Attr::Archive | Attr::ReadOnly}})
        ASSERT_TRUE(platform.setAttributes(makeFile(u"files/"_s + name, size), attributes));
    open();
    QTest::mouseClick(fileList()->viewport(), Qt::LeftButton, {}, fileList()->visualRect(row(1)).center());
    EXPECT_EQ(std::tuple(bars.fileSize, state.currentAttributes, bars.attributes, state.activeListKind),
              std::tuple(u"File Size : 1.50 K"_s, quint8(35), quint8(35), ListKind::DirectoryFiles));

    chosenList()->files().append({file(u"a"_s), file(u"b"_s)});
    for (const auto& [list, kind] : {std::pair<QAbstractItemView*, ListKind>(fileList(), ListKind::DirectoryFiles),
                                     {chosenList(), ListKind::ChosenList}}) {
        list->setCurrentIndex(list->model()->index(0, 0));
        for (const auto& [key, size, attributes] :
             {std::tuple(Qt::Key_Down, u"1.50 K"_s, 35u), {Qt::Key_Home, u"10 Byte"_s, Attr::Archive}}) {
            state.activeListKind = ListKind::None;
            QTest::keyClick(list, key);
            EXPECT_EQ(std::tuple(bars.fileSize, state.currentAttributes, bars.attributes, state.activeListKind),
                      std::tuple(u"File Size : "_s + size, quint8(attributes), quint8(attributes), kind));
        }
    }
    // Nothing shows while a long operation runs.
    state.busy = true;
    bars.fileSize.clear();
    QTest::mouseClick(fileList()->viewport(), Qt::LeftButton, {}, fileList()->visualRect(row(1)).center());
    QTest::keyClick(chosenList(), Qt::Key_Down);
    EXPECT_EQ(bars.fileSize, QString());
}

// Changes made on disk by others show soon after (not while Busy), the files that remain keep
// selection and highlight; a filter choice reads the folder at once.
TEST_F(ChooserTest, FileListFollowsItsFolderOnDisk) {
    open({u"a.doc"_s, u"b.doc"_s, u"c.doc"_s});
    fileList()->setCurrentIndex(row(2));
    fileList()->selectionModel()->select(row(1), QItemSelectionModel::Select);
    state.busy = true;
    QFile::remove(file(u"a.doc"_s));
    makeFile(u"files/d.vxp"_s, 1);
    QTest::qWait(400);
    EXPECT_EQ(chooser->shownFiles().first(), u"a.doc"_s) << "not while Busy";
    state.busy = false;
    const QStringList remaining{u"b.doc"_s, u"c.doc"_s, u"d.vxp"_s};
    EXPECT_TRUE(QTest::qWaitFor([&] { return chooser->shownFiles() == remaining; }));
    EXPECT_EQ(chooser->selectedFiles(), (QStringList{file(u"b.doc"_s), file(u"c.doc"_s)}));
    EXPECT_EQ(chooser->highlightedFile(), file(u"c.doc"_s));

    QFile::remove(file(u"d.vxp"_s));
    makeFile(u"files/e.vxp"_s, 1);
    auto* filterBox = child<QComboBox>(u"Combo1"_s);
    filterBox->setCurrentIndex(4);
    QTest::keyClick(filterBox, Qt::Key_Down); // chooses the next entry, "*.vxp", from the drop-down
    EXPECT_EQ(std::pair(chooser->shownFiles(), bars.fileCount), std::pair(QStringList{u"e.vxp"_s}, 1));
}

// In the main window's first size the narrow folder tree starts at its left edge, so no name is
// cut at its start, with the opened folder's row in its left half however deep; the user may
// scroll sideways to a long name, whose tool tip shows it whole. The opened folder stays in view
// while the folders above it load, until the user scrolls.
TEST_F(ChooserTest, FolderTreeShowsTheStartOfEveryNameAndKeepsTheOpenedFolderInView) {
    const QString longName = makeDir(u"a folder whose name is far wider than the folder tree"_s);
    for (int n = 0; n < 60; ++n) // listed above the opened folder, pushing it down as they load
        makeDir(u"a%1"_s.arg(n, 2, 10, QChar(u'0')));
    host.window.resize(twips::size(9300, 5055));
    open();
    chooser->openFolder(makeDir(u"files/deep"_s));
    auto* folderTree = child<QTreeView>(u"Dir1"_s);
    const auto* folders = qobject_cast<const QFileSystemModel*>(folderTree->model());
    const auto loaded = [&] {
        return folders->rowCount(folders->index(root())) ==
               QDir(root()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot).size();
    };
    ASSERT_TRUE(QTest::qWaitFor(loaded));
    EXPECT_TRUE(QTest::qWaitFor([&] { // other programs may add folders above it meanwhile
        const QRect current = folderTree->visualRect(folderTree->currentIndex());
        return folderTree->viewport()->rect().contains(current.topLeft()) &&
               current.bottom() < folderTree->viewport()->height();
    }));
    EXPECT_EQ(folderTree->horizontalScrollBar()->value(), 0);
    EXPECT_LE(folderTree->visualRect(folderTree->currentIndex()).left(), folderTree->viewport()->width() / 2);
    EXPECT_GT(folderTree->horizontalScrollBar()->maximum(), 0);
    folderTree->scrollTo(folders->index(longName));
    const QRect wide = folderTree->visualRect(folders->index(longName));
    const QPoint at(std::clamp(wide.left() + 4, 0, folderTree->viewport()->width() - 1), wide.center().y());
    QHelpEvent help(QEvent::ToolTip, at, folderTree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(folderTree->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QFileInfo(longName).fileName());

    // A resize plans a look at the opened folder; the user scrolls away before it comes.
    chooser->resize(chooser->width() + 1, chooser->height());
    folderTree->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum); // as the user does
    makeDir(u"a60"_s);
    ASSERT_TRUE(QTest::qWaitFor(loaded));
    QTest::qWait(300);
    EXPECT_EQ(folderTree->verticalScrollBar()->value(), 0);
}

// Other programs make and remove folders above the rows in view: the row under the pointer and
// the highlighted one stay where they are. A highlighted folder that goes leaves no highlight,
// rather than handing it to a neighbour for the folder commands to act on.
TEST_F(ChooserTest, FolderTreeHoldsItsRowsAndHighlightWhileFoldersComeAndGo) {
    const auto name = [](char letter, int n) { return u"%1%2"_s.arg(QLatin1Char(letter)).arg(n, 2, 10, QChar(u'0')); };
    for (int n = 0; n < 60; ++n)
        makeDir(name('m', n));
    open();
    auto* folderTree = child<QTreeView>(u"Dir1"_s);
    const auto* folders = qobject_cast<const QFileSystemModel*>(folderTree->model());
    // The tree shows the folders of the disk, in order (it lists them first, then sorts them).
    const auto settled = [&] {
        QStringList shown;
        for (int row = 0; row < folders->rowCount(folders->index(root())); ++row)
            shown << folders->index(row, 0, folders->index(root())).data().toString();
        return shown == QDir(root()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot, QDir::Name);
    };
    ASSERT_TRUE(QTest::qWaitFor(settled));
    const auto at = [&](const QString& folder) {
        return folderTree->visualRect(folders->index(root() + u'/' + folder));
    };
    folderTree->scrollTo(folders->index(root() + u"/m50"_s), QAbstractItemView::PositionAtCenter);
    QTest::mouseClick(folderTree->viewport(), Qt::LeftButton, {}, at(u"m55"_s).center());
    const QRect highlighted = at(u"m55"_s);
    ASSERT_EQ(chooser->highlightedFolder(), root() + u"/m55"_s);

    // With the pointer elsewhere, the highlighted row holds its place.
    QTest::mouseMove(fileList()->viewport(), QPoint(5, 5));
    for (int n = 0; n < 10; ++n)
        makeDir(name('a', n));
    for (int n = 0; n < 5; ++n)
        ASSERT_TRUE(QDir(root()).rmdir(name('m', n)));
    ASSERT_TRUE(QTest::qWaitFor(settled));
    EXPECT_EQ(at(u"m55"_s), highlighted);
    EXPECT_EQ(chooser->highlightedFolder(), root() + u"/m55"_s);

    // On the rows, the row under the pointer holds, also when a folder comes between it and the
    // highlight; the highlighted folder going leaves no highlight.
    const QPoint pointer = at(u"m50"_s).center();
    QTest::mouseMove(folderTree->viewport(), pointer);
    for (const QString& made : {u"a10"_s, u"m52x"_s})
        makeDir(made);
    ASSERT_TRUE(QTest::qWaitFor(settled));
    EXPECT_EQ(folders->filePath(folderTree->indexAt(pointer)), root() + u"/m50"_s);
    ASSERT_TRUE(QDir(root()).rmdir(u"m55"_s));
    ASSERT_TRUE(QTest::qWaitFor(settled));
    EXPECT_EQ(chooser->highlightedFolder(), QString());
    EXPECT_EQ(folders->filePath(folderTree->indexAt(pointer)), root() + u"/m50"_s);
}

TEST_F(ChooserTest, EnterAndDropAddFilesRefusingDuplicates) {
    open({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    QTest::keyClick(fileList(), Qt::Key_Return); // nothing highlighted yet
    EXPECT_EQ(chosenList()->files().count(), 0);
    fileList()->setCurrentIndex(row(1));
    bars.shownListCount = 4; // counting another list: Enter adds one to what the pane shows
    QTest::keyClick(fileList(), Qt::Key_Return);
    QTest::keyClick(fileList(), Qt::Key_Enter);
    EXPECT_EQ(dialogs.texts(), QStringList{u"This file is already existed"_s});
    EXPECT_EQ(chosenList()->files().paths(), QStringList{file(u"b"_s)});
    EXPECT_EQ(bars.shownListCount, 5);

    dialogs.clear();
    fileList()->clearSelection();
    for (const int n : {2, 0, 1})
        fileList()->selectionModel()->select(row(n), QItemSelectionModel::Select);
    const QStringList dragged = chooser->selectedFiles();
    EXPECT_EQ(dragged, (QStringList{file(u"a"_s), file(u"b"_s), file(u"c"_s)}));
    EXPECT_EQ(Drop(chosenList()->viewport(), DraggedPaths::ToMimeData(dragged), Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(dialogs.texts(), QStringList{file(u"b"_s) + u" is already existed !"_s});
    EXPECT_EQ(chosenList()->files().paths(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s)}));

    // During a run the lists take nothing new.
    state.busy = true;
    EXPECT_EQ(Drop(chosenList()->viewport(), DraggedPaths::ToMimeData({file(u"d"_s)}), Qt::CopyAction),
              Qt::IgnoreAction);
    EXPECT_EQ(chosenList()->files().count(), 3);
}

TEST_F(ChooserTest, DividerDragStopsOnceAColumnIsNarrow) {
    open();
    const int narrow = twips::toPixels(500);
    const int step = 20;
    const struct {
        QWidget* divider;
        QWidget* column;
        int toward;
    } drags[] = {{child(u"HFrame1"_s), child(u"Dir1"_s), -step}, {child(u"HFrame2"_s), chosenList(), step}};
    for (const auto& d : drags) {
        const auto drag = [&](int x) {
            QMouseEvent move(QEvent::MouseMove, QPoint(x, 10), d.divider->mapToGlobal(QPoint(x, 10)), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(d.divider, &move);
        };
        for (int i = 0; i < 100 && d.column->width() >= narrow; ++i)
            drag(d.toward);
        const int narrowed = d.column->width();
        EXPECT_LT(narrowed, narrow);
        EXPECT_GE(narrowed, narrow - step);
        drag(d.toward);
        EXPECT_EQ(d.column->width(), narrowed);
        drag(-d.toward);
        EXPECT_EQ(d.column->width(), narrowed + step);
    }
}

TEST_F(ChooserTest, LockedFolderDisablesTheFileList) {
    const QString locked = makeDir(u"files/work"_s + ChooserRules::LockExtension.toString());
    makeFile(QDir(root()).relativeFilePath(locked) + u"/vexaseal.vexa"_s, 1);
    open();
    state.activeListKind = ListKind::ChosenList;
    chooser->openFolder(locked);
    EXPECT_FALSE(fileList()->isEnabled());
    EXPECT_EQ(bars.fileCount, 1);
    EXPECT_EQ(state.activeListKind, ListKind::None);
    chooser->openFolder(folder);
    EXPECT_TRUE(fileList()->isEnabled());
}

// The browser lists the hot-list files of the list folder, and wants one highlighted before it
// asks for its menu.
TEST_F(ChooserTest, BrowserListsTheHotListFilesAndWantsOneHighlightedForItsMenu) {
    const QString lists = platform.dataFolder() + u"/MyList"_s;
    for (const QString& name : {u"Work.vexa"_s, u"copy.vexa2"_s, u"OLD.VEXA"_s, u"notes.txt"_s, u"x.vex"_s})
        makeFile(QDir(root()).relativeFilePath(lists + u'/' + name), 3);
    QDir(lists).mkdir(u"folder.vexa"_s);
    auto* browser = new HotListBrowser(state, dialogs, platform, bars, host.host);
    host.host.show(*browser);
    auto* fileList = browser->findChild<QListWidget*>(u"File1"_s);
    EXPECT_EQ(Texts(fileList), (QStringList{u"copy.vexa2"_s, u"OLD.VEXA"_s, u"Work.vexa"_s}));
    QSignalSpy popups(browser, &HotListBrowser::hotListMenuRequested);
    QTest::mouseClick(fileList->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(std::pair(dialogs.texts(), popups.count()),
              std::pair(QStringList{u"Click the list you want First !"_s}, qsizetype(0)));
}

// Each list asks for its own pop-up menu and marks the list worked in; a close leaves none worked in.
TEST_F(ChooserTest, RightClicksAskForTheirPopUpMenusAndACloseLeavesNoListWorkedIn) {
    open({u"a"_s});
    fileList()->setCurrentIndex(row(0));
    QSignalSpy popups(chooser, &FileChooserWindow::popupRequested);
    auto* folderTree = child<QTreeView>(u"Dir1"_s);
    const struct {
        QWidget* target;
        Qt::MouseButton button;
        ListKind kind;
        QList<PopupMenu> asked;
    } presses[] = {
        {fileList()->viewport(), Qt::RightButton, ListKind::DirectoryFiles, {PopupMenu::FileList}},
        {chosenList()->viewport(), Qt::RightButton, ListKind::ChosenList, {PopupMenu::ChooserListMenu}},
        {folderTree->viewport(), Qt::RightButton, ListKind::None, {PopupMenu::Folder}},
        {chosenList()->viewport(), Qt::LeftButton, ListKind::ChosenList, {}},
    };
    for (const auto& p : presses) {
        popups.clear();
        state.activeListKind = ListKind::DirectoryFiles;
        QTest::mousePress(p.target, p.button, {}, QPoint(5, 5));
        QTest::mouseRelease(p.target, p.button, {}, QPoint(5, 5));
        QList<PopupMenu> asked;
        for (const QList<QVariant>& call : popups)
            asked << call.at(0).value<PopupMenu>();
        EXPECT_EQ(std::pair(asked, state.activeListKind), std::pair(p.asked, p.kind))
            << p.target->parentWidget()->objectName().toStdString();
    }
    state.activeListKind = ListKind::ChosenList;
    ASSERT_TRUE(chooser->parentWidget()->close());
    EXPECT_EQ(state.activeListKind, ListKind::None);
}

// A hot-list window reports its close only when it goes: a failed save keeps it.
TEST_F(ChooserTest, HotListWindowReportsOnlyTheCloseThatHappens) {
    auto* window = new HotListWindow(state, dialogs, platform, bars, u"Trip"_s);
    host.host.show(*window);
    window->chosenFiles().append({u"/a"_s});
    QSignalSpy closing(window, &HotListWindow::closing);
    // A file where the list folder should be makes the save fail.
    makeFile(QDir(root()).relativeFilePath(platform.dataFolder() + u"/MyList"_s), QByteArray("x"));
    dialogs.answer(Dialogs::Answer::Yes);
    EXPECT_FALSE(window->parentWidget()->close());
    dialogs.answer(Dialogs::Answer::No);
    EXPECT_TRUE(window->parentWidget()->close());
    EXPECT_EQ(closing.count(), 1);
}

TEST(ListCommands, OpenSelectAndClearActOnTheListAndShowItsCount) {
    ScriptedDialogs dialogs;
    TestPlatform platform;
    RecordingBars bars;
    ListCommands commands(dialogs, platform, bars);
    ChosenFiles list;
    list.append({u"/a"_s, u"/b"_s, u"/c"_s});
    list.setCurrentRow(1);
    commands.openEntry(&list);
    commands.selectEntry(&list);
    EXPECT_EQ(list.selectedPaths(), QStringList{u"/b"_s});
    commands.removeEntry(&list);
    EXPECT_EQ(std::pair(list.paths(), bars.shownListCount), std::pair(QStringList{u"/a"_s, u"/c"_s}, 2));
    commands.selectAllEntries(&list);
    EXPECT_EQ(list.selectedPaths().size(), 2);
    bars.shownListCount = 9;
    commands.clearList(&list);
    EXPECT_EQ(std::pair(list.count(), bars.shownListCount), std::pair(0, 0));

    FakeChooser chooser;
    commands.openShownFile(chooser); // nothing highlighted: nothing opens
    chooser.highlighted = u"/d"_s;
    commands.openShownFile(chooser);
    EXPECT_EQ(platform.opened, (QStringList{u"/b"_s, u"/d"_s}));
    // Without a list (no child window active) each command does nothing.
    for (const auto command : {&ListCommands::openEntry, &ListCommands::selectEntry, &ListCommands::selectAllEntries,
                               &ListCommands::clearList, &ListCommands::removeEntry})
        (commands.*command)(nullptr);
    EXPECT_EQ(std::pair(platform.opened.size(), dialogs.texts()), std::pair(qsizetype(2), QStringList{}));
}
