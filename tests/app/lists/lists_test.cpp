/*
 * The chooser's rules and kind filter, the hot-list file format (exact bytes, round trips, quoted
 * fields, refused entries, the earlier program's form), and the chooser and browser windows.
 */
#include "attributes.h"
#include "chooserrules.h"
#include "chosenlist.h"
#include "draggedpaths.h"
#include "fakeservices.h"
#include "filekindfilter.h"
#include "filepattern.h"
#include "hotlistbrowser.h"
#include "hotlistfile.h"
#include "listtests.h"
#include "filechooserwindow.h"
#include "tempenv.h"
#include "twips.h"

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFileInfo>
#include <QtCore/QMimeData>
#include <QtGui/QFileSystemModel>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QToolTip>
#include <QtWidgets/QTreeView>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace ChooserRules;

namespace {
// U+04D4, extended Cyrillic: its first UTF-8 byte 0xD3 complements to a comma.
const QString kCyrillicWithComma = u"/home/ольга/\u04D4\u04D5.txt"_s;

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

TEST(ChooserRules, SizeTextsFilterLockButtonsAndDuplicates) {
    const struct {
        qint64 bytes;
        QString text;
    } sizes[] = {
        {0, u"File Size : 0 Byte"_s},        {1024, u"File Size : 1024 Byte"_s},
        {1152, u"File Size : 1.13 K"_s}, // 1.125: half rounds up
        {1536, u"File Size : 1.50 K"_s},     {1048576, u"File Size : 1024.00 K"_s},
        {1048577, u"File Size : 1.00 MB"_s}, {5000000000, u"File Size : 4768.37 MB"_s},
    };
    for (const auto& c : sizes)
        EXPECT_EQ(FileSizeText(c.bytes), c.text) << c.bytes;

    // "All" takes the pattern from the 11th character (the chooser's filter test types the rest).
    EXPECT_EQ(FilterPattern(u"All"_s), QString());

    EXPECT_TRUE(IsLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}"_s));
    EXPECT_FALSE(IsLockedFolder(u"/home/me/work.{D6277990-4C6A-11CF-8D87-00AA0060F5BF}"_s));
    EXPECT_FALSE(IsLockedFolder(u"/home/me/work.{d6277990-4c6a-11cf-8d87-00aa0060f5bf}/inner"_s));

    // Buttons (archive, hidden, read-only, system) only for 0-7 and 32-39.
    EXPECT_EQ(ButtonsFor(39), (AttributeButtons{true, true, true, true}));
    for (const quint8 value : {8, 40, 255})
        EXPECT_EQ(ButtonsFor(value), AttributeButtons{}) << int(value);

    const PathAddition result = AddPaths({u"/a"_s, u"/b"_s}, {u"/c"_s, u"/a"_s, u"/A"_s, u"/c"_s, u"/d"_s});
    EXPECT_EQ(result.appended, (QStringList{u"/c"_s, u"/A"_s, u"/d"_s}));
    EXPECT_EQ(result.duplicates, (QStringList{u"/a"_s, u"/c"_s}));
}

TEST(FileKindFilter, ListsAFileWhenOneOfItsKindsIsShown) {
    FileKindFilter filter;
    filter.setShown(FileKind::Hidden, false);
    filter.setShown(FileKind::Normal, false);
    EXPECT_FALSE(filter.accepts(Attr::Normal));
    EXPECT_FALSE(filter.accepts(Attr::Hidden));
    // An encrypted file is hidden, read-only and system: it stays while one of those is shown.
    EXPECT_TRUE(filter.accepts(Attr::Hidden | Attr::ReadOnly | Attr::System));
    filter.setShown(FileKind::ReadOnly, false);
    filter.setShown(FileKind::System, false);
    EXPECT_FALSE(filter.accepts(Attr::Hidden | Attr::ReadOnly | Attr::System));
    EXPECT_TRUE(filter.accepts(Attr::Archive));
}

TEST(FilePattern, WildcardsLetterCaseAndTheDotRule) {
    const struct {
        QString filter;
        QString name;
        bool matches;
    } cases[] = {
        {u"*.doc;*.txt"_s, u"REPORT.DOC"_s, true},
        {u"*.doc"_s, u"doc"_s, false},
        {u"*.*"_s, u"README"_s, true},
        {u" *.vxp ;"_s, u"a.vxp"_s, true},
        {u" ; "_s, u"a"_s, false},
        {u"re?d.me"_s, u"read.me"_s, true},
        {u"re?d.me"_s, u"red.me"_s, false},
        {u"*.vexa*"_s, u"list.vexa"_s, true},
        // A character outside the Basic Multilingual Plane is one character, in either case.
        {u"?"_s, u"\U0001F600"_s, true},
        {u"??"_s, u"\U0001F600"_s, false},
        {u"\U00010400*"_s, u"\U00010428.txt"_s, true},
        {u"*\U00010428"_s, u"x\U00010400"_s, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FilePattern(c.filter).matches(c.name), c.matches)
            << c.filter.toStdString() << " " << c.name.toStdString();

    // Many stars against a long name that almost matches: a matcher that backtracks at every star
    // would not finish in any time.
    const QString name(200000, u'a');
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(FilePattern(u"*a*a*a*a*a*b"_s).matches(name));
    EXPECT_TRUE(FilePattern(u"*a*a*a*a*a*"_s).matches(name));
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(HotListFile, WritesComplementedLinesQuotingOnlyWhatTheFieldRuleWouldCut) {
    EXPECT_EQ(HotListFile::Format({u"/ab"_s, u"/c d"_s}), QByteArray("\xD0\x9E\x9D\r\n\xD0\x9C\xDF\x9B\r\n"));
    // U+07C0 begins with 0xDF, which complements to a blank.
    const QByteArray cyrillic = Complemented(kCyrillicWithComma);
    ASSERT_TRUE(cyrillic.contains(','));
    EXPECT_EQ(HotListFile::Format({u"/plain"_s, kCyrillicWithComma, u"\u07C0x"_s}),
              ComplementedLine(u"/plain"_s) + '"' + cyrillic + "\"\r\n\"" + Complemented(u"\u07C0x"_s) + "\"\r\n");

    const QStringList roundTrips[] = {
        {u"/home/user/one, two.txt"_s, u"/tmp/a b/c.txt"_s},
        {kCyrillicWithComma, u"/home/ольга/письмо.txt"_s, u"/日本/ファイル"_s},
        {u"\u07C0/leading blank"_s, u"/mid\u07C0dle"_s},
        {u""_s},
        {},
    };
    for (const QStringList& entries : roundTrips) {
        const std::optional<QByteArray> content = HotListFile::Format(entries);
        ASSERT_TRUE(content) << entries.join(u'|').toStdString();
        EXPECT_EQ(HotListFile::Parse(*content), entries);
    }

    // U+074D begins with 0xDD (a double quote once complemented), U+80000 with 0xF2 (CR).
    const QString quote = u"/home/\u074D.txt"_s;
    for (const QString& bad : {quote, QString(u"/x/"_s + QString::fromUcs4(U"\U00080000"))}) {
        QString named;
        EXPECT_EQ(HotListFile::Format({u"/fine"_s, bad, quote}, &named), std::nullopt);
        EXPECT_EQ(named, bad);
    }
}

TEST(HotListFile, ReadsFilesOfTheEarlierProgramAsBefore) {
    const QByteArray a = Complemented(u"/x/a"_s);
    const QByteArray b = Complemented(u"/x/b"_s);
    const QStringList both{u"/x/a"_s, u"/x/b"_s};
    const struct {
        QByteArray content;
        QStringList entries;
    } cases[] = {
        {a + "\r\n" + b + "\r\n", both},
        // Leading blanks are skipped; a comma ends a field, so one line gives two entries.
        {"   " + a + "\r\n", {u"/x/a"_s}},
        {a + "," + b + "\r\n", both},
        // A quoted field runs to the next quote; what follows it up to the delimiter is dropped.
        {"\"" + a + "\"junk," + b + "\r\n", both},
        // A last line without its line end, bare line feeds and an empty line.
        {a + "\n" + b, both},
        {a + "\r\n\r\n" + b + "\r\n", {u"/x/a"_s, u""_s, u"/x/b"_s}},
        {"", {}},
    };
    for (const auto& [content, entries] : cases)
        EXPECT_EQ(HotListFile::Parse(content), entries) << content.toHex(' ').toStdString();
}

using HotListFileOnDisk = TempEnvTest;

TEST_F(HotListFileOnDisk, ReplacesALinkWithoutWritingThroughItAndReadsOnlyRegularFiles) {
    const QString target = makeFile(u"target.txt"_s, QByteArray("keep"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    const QString list = path(u"Work.vexa"_s);
    ASSERT_TRUE(QFile::link(target, list));
    QString error;
    EXPECT_EQ(HotListFile::Read(list, &error), std::nullopt);
    EXPECT_EQ(error, list + u" is a symbolic link and was left untouched."_s);

    const QByteArray content = ComplementedLine(u"/a"_s);
    ASSERT_TRUE(HotListFile::Write(list, content, &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo(list).isSymLink());
    EXPECT_EQ(readAll(list), content);
    EXPECT_EQ(readAll(target), "keep");
    struct stat info;
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    // No unfinished file is left beside the list.
    EXPECT_EQ(QDir(root()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{u"target.txt"_s, u"Work.vexa"_s}));

    // A named pipe is refused at once instead of blocking the reader.
    const QString pipe = path(u"Pipe.vexa"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(HotListFile::Read(pipe, &error), std::nullopt);
    EXPECT_EQ(error, pipe + u" is a named pipe, not a file, and was left untouched."_s);
}

class ChooserTest : public TempEnvTest {
protected:
    // Opens the chooser in a sub-window of the area, as the main window does, on a folder
    // holding these one-byte files.
    void open(const QStringList& files = {}) {
        folder = makeDir(u"files"_s);
        for (const QString& name : files)
            makeFile(u"files/"_s + name, 1);
        chooser = new FileChooserWindow(services);
        services.area.addSubWindow(chooser)->show();
        chooser->openFolder(folder);
    }
    template <class T = QWidget> T* child(const QString& name) const { return chooser->findChild<T*>(name); }
    QListView* File1() const { return child<QListView>(u"File1"_s); }
    ChosenList* List1() const { return child<ChosenList>(u"List1"_s); }
    QModelIndex row(int n) const { return File1()->model()->index(n, 0); }
    QString file(const QString& name) const { return folder + u'/' + name; }

    FakeServices services;
    FileChooserWindow* chooser = nullptr;
    QString folder;
};

TEST_F(ChooserTest, FilterAppliesTheAllRuleAndSeveralPatterns) {
    open({u"a.txt"_s, u"b.TXT"_s, u"c.doc"_s, u"d"_s, u"e.vxp"_s});
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    const struct {
        QString typed;
        int shown;
    } cases[] = {{u"All files *.txt"_s, 2}, {u"all files *.txt"_s, 0}, {u"*.doc;*.vxp"_s, 2}};
    for (const auto& c : cases) {
        Combo1->lineEdit()->clear();
        QTest::keyClicks(Combo1->lineEdit(), c.typed);
        EXPECT_EQ(chooser->fileCount(), c.shown) << qPrintable(c.typed);
    }
}

TEST_F(ChooserTest, FileClickShowsSizeAndSetsAttributeButtonsUnderBusy) {
    const QString big = makeFile(u"files/big.bin"_s, 1536);
    ASSERT_TRUE(services.testPlatform.setAttributes(big, 35));
    open();
    services.tools.setMM4(1);
    // The buttons' events must find Busy set, or they would apply attributes to the file.
    QList<bool> busyAtEvents;
    for (auto signal : {&OrloTool::UserControl1::C1, &OrloTool::UserControl1::C2, &OrloTool::UserControl1::C3,
                        &OrloTool::UserControl1::C4})
        QObject::connect(&services.tools, signal, &services.tools,
                         [&] { busyAtEvents.append(services.appState.Busy); });
    const auto buttons = [&] {
        return QList<qint16>{services.tools.MM1(), services.tools.MM2(), services.tools.MM3(), services.tools.MM4()};
    };
    QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, File1()->visualRect(row(0)).center());
    EXPECT_EQ(services.bar.lab3(), u"File Size : 1.50 K"_s);
    EXPECT_EQ(services.appState.CurrentAttributes, 35);
    EXPECT_EQ(buttons(), QList<qint16>({1, 1, 1, 0}));
    EXPECT_EQ(busyAtEvents, QList<bool>(4, true)); // MM4 released, then three pressed
    EXPECT_FALSE(services.appState.Busy);
}

// A key that moves the highlight shows what a click shows and makes the list the one worked in.
TEST_F(ChooserTest, KeyboardMovesShowWhatAClickShows) {
    for (const auto& [name, size, attributes] : {std::tuple(u"a"_s, 10, Attr::Archive), {u"b"_s, 1536, Attr::Hidden}})
        ASSERT_TRUE(services.testPlatform.setAttributes(makeFile(u"files/"_s + name, size), attributes));
    open();
    List1()->addItems({file(u"a"_s), file(u"b"_s)});
    for (const auto& [list, kind] : {std::pair<QAbstractItemView*, ListKind>(File1(), ListKind::DirectoryFiles),
                                     {List1(), ListKind::ChosenList}}) {
        list->setCurrentIndex(list->model()->index(0, 0));
        for (const auto& [key, size, hidden] :
             {std::tuple(Qt::Key_Down, u"1.50 K"_s, 1), {Qt::Key_Home, u"10 Byte"_s, 0}}) {
            services.appState.ActiveListKind = ListKind::None;
            QTest::keyClick(list, key);
            EXPECT_EQ(std::tuple(services.bar.lab3(), services.tools.MM1(), services.tools.MM2(),
                                 services.appState.ActiveListKind),
                      std::tuple(u"File Size : "_s + size, qint16(1 - hidden), qint16(hidden), kind));
        }
    }
}

// Changes made on disk by others show soon after (not while Busy), the files that remain keep
// selection and highlight; a filter choice reads the folder at once.
TEST_F(ChooserTest, FileListFollowsItsFolderOnDisk) {
    open({u"a.doc"_s, u"b.doc"_s, u"c.doc"_s});
    File1()->setCurrentIndex(row(2));
    File1()->selectionModel()->select(row(1), QItemSelectionModel::Select);
    services.appState.Busy = true;
    QFile::remove(file(u"a.doc"_s));
    makeFile(u"files/d.vxp"_s, 1);
    QTest::qWait(400);
    EXPECT_EQ(chooser->shownFiles().first(), u"a.doc"_s) << "not while Busy";
    services.appState.Busy = false;
    const QStringList remaining{u"b.doc"_s, u"c.doc"_s, u"d.vxp"_s};
    EXPECT_TRUE(QTest::qWaitFor([&] { return chooser->shownFiles() == remaining; }));
    EXPECT_EQ(chooser->selectedFiles(), (QStringList{file(u"b.doc"_s), file(u"c.doc"_s)}));
    EXPECT_EQ(chooser->highlightedFile(), file(u"c.doc"_s));

    QFile::remove(file(u"d.vxp"_s));
    makeFile(u"files/e.vxp"_s, 1);
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    Combo1->setCurrentIndex(4);
    QTest::keyClick(Combo1, Qt::Key_Down); // chooses the next entry, "*.vxp", from the drop-down
    EXPECT_EQ(std::pair(chooser->shownFiles(), services.bar.lab5()), std::pair(QStringList{u"e.vxp"_s}, u"1"_s));
}

// The narrow folder tree scrolls sideways instead of cutting names and shows a whole name as a
// tool tip; the opened folder stays in view while the folders above it load, until the user scrolls.
TEST_F(ChooserTest, FolderTreeShowsWholeNamesAndKeepsTheOpenedFolderInView) {
    const QString longName = makeDir(u"a folder whose name is far wider than the folder tree"_s);
    for (int n = 0; n < 60; ++n) // listed above the opened folder, pushing it down as they load
        makeDir(u"a%1"_s.arg(n, 2, 10, QChar(u'0')));
    open();
    auto* Dir1 = child<QTreeView>(u"Dir1"_s);
    const auto* folders = qobject_cast<const QFileSystemModel*>(Dir1->model());
    const auto loaded = [&] {
        return folders->rowCount(folders->index(root())) ==
               QDir(root()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot).size();
    };
    ASSERT_TRUE(QTest::qWaitFor(loaded));
    EXPECT_TRUE(QTest::qWaitFor([&] { // other programs may add folders above it meanwhile
        const QRect current = Dir1->visualRect(Dir1->currentIndex());
        return Dir1->viewport()->rect().contains(current.topLeft()) && current.bottom() < Dir1->viewport()->height();
    }));
    EXPECT_GT(Dir1->horizontalScrollBar()->maximum(), 0);
    Dir1->scrollTo(folders->index(longName));
    const QRect wide = Dir1->visualRect(folders->index(longName));
    const QPoint at(std::clamp(wide.left() + 4, 0, Dir1->viewport()->width() - 1), wide.center().y());
    QHelpEvent help(QEvent::ToolTip, at, Dir1->viewport()->mapToGlobal(at));
    QApplication::sendEvent(Dir1->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QFileInfo(longName).fileName());

    // A resize plans a look at the opened folder; the user scrolls away before it comes.
    chooser->resize(chooser->width() + 1, chooser->height());
    Dir1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum); // as the user does
    makeDir(u"a60"_s);
    ASSERT_TRUE(QTest::qWaitFor(loaded));
    QTest::qWait(300);
    EXPECT_EQ(Dir1->verticalScrollBar()->value(), 0);
}

TEST_F(ChooserTest, EnterAndDropAddFilesRefusingDuplicates) {
    open({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    QTest::keyClick(File1(), Qt::Key_Return); // nothing highlighted yet
    EXPECT_EQ(List1()->count(), 0);
    File1()->setCurrentIndex(row(1));
    QTest::keyClick(File1(), Qt::Key_Return);
    QTest::keyClick(File1(), Qt::Key_Enter);
    EXPECT_EQ(services.scripted.texts(), QStringList{u"This file is already existed"_s});
    EXPECT_EQ(List1()->entries(), QStringList{file(u"b"_s)});

    services.scripted.clear();
    File1()->clearSelection();
    for (const int n : {2, 0, 1})
        File1()->selectionModel()->select(row(n), QItemSelectionModel::Select);
    const QStringList dragged = chooser->selectedFiles();
    EXPECT_EQ(dragged, (QStringList{file(u"a"_s), file(u"b"_s), file(u"c"_s)}));
    EXPECT_EQ(Drop(List1()->viewport(), DraggedPaths::ToMimeData(dragged), Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(services.scripted.texts(), QStringList{file(u"b"_s) + u" is already existed !"_s});
    EXPECT_EQ(List1()->entries(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s)}));
}

TEST_F(ChooserTest, DividerDragStopsOnceAColumnIsNarrow) {
    open();
    const int narrow = twips::toPixels(500);
    const int step = 20;
    const struct {
        QWidget* divider;
        QWidget* column;
        int toward;
    } drags[] = {{child(u"HFrame1"_s), child(u"Dir1"_s), -step}, {child(u"HFrame2"_s), List1(), step}};
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
    const QString locked = makeDir(u"files/work"_s + LockExtension.toString());
    makeFile(QDir(root()).relativeFilePath(locked) + u"/vexaseal.vexa"_s, 1);
    open();
    services.appState.ActiveListKind = ListKind::ChosenList;
    chooser->openFolder(locked);
    EXPECT_FALSE(File1()->isEnabled());
    EXPECT_EQ(services.bar.lab5(), u"1"_s);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);
    chooser->openFolder(folder);
    EXPECT_TRUE(File1()->isEnabled());
}

TEST_F(ChooserTest, BrowserListsTheHotListFilesOfTheListFolder) {
    const QString lists = services.testPlatform.dataFolder() + u"/MyList"_s;
    for (const QString& name : {u"Work.vexa"_s, u"copy.vexa2"_s, u"OLD.VEXA"_s, u"notes.txt"_s, u"x.vex"_s})
        makeFile(QDir(root()).relativeFilePath(lists + u'/' + name), 3);
    QDir(lists).mkdir(u"folder.vexa"_s);
    services.area.addSubWindow(new HotListBrowser(services))->show();
    EXPECT_EQ(Texts(services.area.findChild<QListWidget*>(u"File1"_s)),
              (QStringList{u"copy.vexa2"_s, u"OLD.VEXA"_s, u"Work.vexa"_s}));
}
