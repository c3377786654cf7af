/*
 * The chooser window over stand-ins for the main window's roles: what it shows on the bars, the
 * lists it fills and follows on disk; and the list commands.
 */
#include "app/core/appstate.h"
#include "app/lists/chosenlist.h"
#include "app/lists/draggedpaths.h"
#include "app/lists/filechooserwindow.h"
#include "app/lists/listcommands.h"
#include "app/platform/attributes.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"
#include "tests/support/testplatform.h"

#include <QtCore/QMimeData>
#include <QtGui/QFileSystemModel>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QTreeView>

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
    // A drop as the desktop delivers it, a drag enter and then the drop; true when it was taken.
    bool drop(const QStringList& paths) {
        const std::unique_ptr<QMimeData> data(DraggedPaths::ToMimeData(paths));
        const QPoint at = chosenList()->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(chosenList()->viewport(), &enter);
        QDropEvent event(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(chosenList()->viewport(), &event);
        return event.isAccepted();
    }

    AppState state;
    ScriptedDialogs dialogs;
    TestPlatform platform;
    RecordingBars bars;
    // Declared last: the windows it holds go before the roles they use.
    TestHostWindow host;
    FileChooserWindow* chooser = nullptr;
    QString folder;
};

// A file still being written aside never shows, whatever the filter.
TEST_F(ChooserTest, FilterAppliesTheAllRuleAndSeveralPatterns) {
    open({u"a.txt"_s, u"b.TXT"_s, u"c.doc"_s, u"d"_s, u"e.vxp"_s, u".e.vxp.unfinished-Ab12Cd"_s});
    auto* filterBox = child<QComboBox>(u"Combo1"_s);
    for (const auto& [typed, shown] :
         {std::pair(u"All files *.txt"_s, 2), {u"all files *.txt"_s, 0}, {u"*.doc;*.vxp*"_s, 2}}) {
        filterBox->lineEdit()->clear();
        QTest::keyClicks(filterBox->lineEdit(), typed);
        EXPECT_EQ(chooser->fileCount(), shown) << qPrintable(typed);
    }
}

// A click, or a key that moves the highlight, shows the file's size and attributes and makes the
// list the one worked in.
TEST_F(ChooserTest, ClicksAndKeyboardMovesShowTheFilesSizeAndAttributes) {
    ASSERT_TRUE(platform.setAttributes(makeFile(u"files/a"_s, 10), Attr::Archive));
    ASSERT_TRUE(platform.setAttributes(makeFile(u"files/b"_s, 1536), Attr::Hidden | Attr::Archive | Attr::ReadOnly));
    open();
    const auto shown = [this] {
        return std::tuple(bars.fileSize, state.currentAttributes, bars.attributes, state.activeListKind);
    };
    QTest::mouseClick(fileList()->viewport(), Qt::LeftButton, {}, fileList()->visualRect(row(1)).center());
    EXPECT_EQ(shown(), std::tuple(u"File Size : 1.50 K"_s, quint8(35), quint8(35), ListKind::DirectoryFiles));
    chosenList()->files().append({file(u"a"_s), file(u"b"_s)});
    chosenList()->setCurrentIndex(chosenList()->model()->index(1, 0));
    QTest::keyClick(chosenList(), Qt::Key_Home);
    EXPECT_EQ(shown(), std::tuple(u"File Size : 10 Byte"_s, quint8(32), quint8(32), ListKind::ChosenList));
}

// Other programs make and remove folders above the highlighted one: it stays highlighted. A
// highlighted folder that goes leaves no highlight, rather than handing it to a neighbour for the
// folder commands to act on.
TEST_F(ChooserTest, FolderTreeKeepsItsHighlightWhileFoldersComeAndGo) {
    for (const QString& name : {u"b"_s, u"c"_s, u"d"_s})
        makeDir(name);
    open();
    auto* folderTree = child<QTreeView>(u"Dir1"_s);
    const auto* folders = qobject_cast<const QFileSystemModel*>(folderTree->model());
    const auto settled = [&] {
        return folders->rowCount(folders->index(root())) ==
               QDir(root()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot).size();
    };
    ASSERT_TRUE(QTest::qWaitFor(settled));
    folderTree->setCurrentIndex(folders->index(path(u"c"_s)));
    makeDir(u"a"_s);
    ASSERT_TRUE(QDir(root()).rmdir(u"b"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled() && !folders->index(path(u"b"_s)).isValid(); }));
    EXPECT_EQ(chooser->highlightedFolder(), path(u"c"_s));
    ASSERT_TRUE(QDir(root()).rmdir(u"c"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled() && !folders->index(path(u"c"_s)).isValid(); }));
    EXPECT_EQ(chooser->highlightedFolder(), QString());
}

TEST_F(ChooserTest, EnterAndDropAddFilesRefusingDuplicates) {
    open({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    fileList()->setCurrentIndex(row(1));
    bars.shownListCount = 4; // counting another list: Enter adds one to what the pane shows
    QTest::keyClick(fileList(), Qt::Key_Return);
    QTest::keyClick(fileList(), Qt::Key_Enter);
    EXPECT_EQ(dialogs.texts(), QStringList{u"This file is already existed"_s});
    EXPECT_EQ(std::pair(chosenList()->files().paths(), bars.shownListCount), std::pair(QStringList{file(u"b"_s)}, 5));

    dialogs.clear();
    for (const int n : {2, 0, 1})
        fileList()->selectionModel()->select(row(n), QItemSelectionModel::Select);
    EXPECT_TRUE(drop(chooser->selectedFiles()));
    EXPECT_EQ(dialogs.texts(), QStringList{file(u"b"_s) + u" is already existed !"_s});
    EXPECT_EQ(chosenList()->files().paths(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s)}));
    // During a run the lists take nothing new.
    state.busy = true;
    EXPECT_FALSE(drop({file(u"d"_s)}));
    EXPECT_EQ(chosenList()->files().count(), 3);
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
