/*
 * The file chooser window in an area of known size: layout, filter,
 * clicks, Enter, drops, dividers, locked folders, volumes and pop-up menus.
 */
#include "spassword1.h"

#include "chooserrules.h"
#include "chosenlist.h"
#include "draggedpaths.h"
#include "dropevents.h"
#include "fakeservices.h"
#include "listpanes.h"
#include "qstringprinter.h"
#include "tempenv.h"
#include "twips.h"

#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QTreeView>

using namespace Qt::StringLiterals;

namespace {

void sendMouseMove(QWidget* target, QPoint at, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent event(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A choice from a drop-down list, as the user clicks it.
void choose(QComboBox* box, int index) {
    box->showPopup();
    QAbstractItemView* view = box->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(index, 0)).center());
}

} // namespace

class Spassword1Test : public TempEnvTest {
protected:
    // Opens the chooser in a sub-window of the area, as the main window does, on a folder
    // holding these one-byte files.
    void open(const QStringList& files = {}) {
        folder = makeDir(u"files"_s);
        for (const QString& name : files)
            makeFile(u"files/"_s + name, 1);
        chooser = new Spassword1(services);
        frame = services.area.addSubWindow(chooser);
        frame->show();
        chooser->openFolder(folder);
    }
    template <class T = QWidget> T* child(const QString& name) const { return chooser->findChild<T*>(name); }
    QListView* File1() const { return child<QListView>(u"File1"_s); }
    ChosenList* List1() const { return child<ChosenList>(u"List1"_s); }
    QModelIndex row(int n) const { return File1()->model()->index(n, 0); }
    void clickRow(int n) {
        QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, File1()->visualRect(row(n)).center());
    }
    QString file(const QString& name) const { return folder + u'/' + name; }

    FakeServices services;
    Spassword1* chooser = nullptr;
    QMdiSubWindow* frame = nullptr;
    QString folder;
};

TEST_F(Spassword1Test, ColumnsFillTheWidthAndTheWindowKeepsItsMinimumSize) {
    open({u"a.txt"_s, u"b.txt"_s});
    EXPECT_EQ(services.bar.lab5(), u"2"_s);
    const int W = chooser->width();
    EXPECT_EQ(child(u"Dir1"_s)->width(), qRound(0.3 * W));
    EXPECT_EQ(File1()->width(), qRound(0.35 * W) - twips::toPixels(80));
    EXPECT_EQ(List1()->geometry().right(), W - 1);

    // 0.4 of the 1000 x 600 client area.
    ASSERT_EQ(services.clientSize(), QSize(1000, 600));
    frame->resize(100, 100);
    EXPECT_EQ(frame->size(), QSize(400, 240));
    EXPECT_EQ(List1()->geometry().right(), chooser->width() - 1);
}

TEST_F(Spassword1Test, FilterAppliesTypedTextAndChoices) {
    open({u"a.txt"_s, u"b.TXT"_s, u"c.doc"_s, u"d"_s, u"e.vxp"_s});
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    const auto type = [&](const QString& text) {
        Combo1->lineEdit()->clear();
        QTest::keyClicks(Combo1->lineEdit(), text);
    };
    type(u"All files *.txt"_s);
    EXPECT_EQ(chooser->fileCount(), 2);
    EXPECT_EQ(services.bar.lab5(), u"5"_s); // typing leaves the count pane alone
    type(u"all files *.txt"_s);             // "All" is case-sensitive
    EXPECT_EQ(chooser->fileCount(), 0);
    type(u"*.doc;*.vxp"_s);
    EXPECT_EQ(chooser->fileCount(), 2);

    choose(Combo1, 5); // "*.vxp"
    EXPECT_EQ(chooser->fileCount(), 1);
    EXPECT_EQ(services.bar.lab5(), u"1"_s);

    services.appState.Busy = true;
    choose(Combo1, 0);
    EXPECT_EQ(chooser->fileCount(), 1);
}

TEST_F(Spassword1Test, FileClickShowsSizeAndAttributeButtonsUnderBusy) {
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

    clickRow(0);
    EXPECT_EQ(services.bar.lab3(), u"File Size : 1.50 K"_s);
    EXPECT_EQ(services.appState.CurrentAttributes, 35);
    EXPECT_EQ(buttons(), QList<qint16>({1, 1, 1, 0}));
    EXPECT_EQ(busyAtEvents, QList<bool>(4, true)); // MM4 released, then three pressed
    EXPECT_FALSE(services.appState.Busy);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::DirectoryFiles);

    for (const quint8 value : {48, 160}) {
        services.appState.CurrentAttributes = value;
        ListPanes::ShowAttributeButtons(services);
        EXPECT_EQ(buttons(), QList<qint16>(4, 0)) << int(value);
    }

    services.appState.Busy = true;
    makeFile(u"files/big.bin"_s, 10);
    clickRow(0);
    EXPECT_EQ(services.bar.lab3(), u"File Size : 1.50 K"_s);
}

TEST_F(Spassword1Test, EnterAddsTheHighlightedFileOnce) {
    open({u"a.txt"_s});
    QTest::keyClick(File1(), Qt::Key_Return); // nothing highlighted yet
    EXPECT_EQ(List1()->count(), 0);

    File1()->setCurrentIndex(row(0));
    services.bar.setLab6(u"4"_s);
    QTest::keyClick(File1(), Qt::Key_Return);
    EXPECT_EQ(List1()->entries(), QStringList{file(u"a.txt"_s)});
    EXPECT_EQ(services.bar.lab6(), u"5"_s);

    QTest::keyClick(File1(), Qt::Key_Enter);
    EXPECT_EQ(services.scripted.texts(), QStringList{u"This file is already existed"_s});
    EXPECT_EQ(List1()->count(), 1);
    EXPECT_EQ(services.bar.lab6(), u"5"_s);
}

TEST_F(Spassword1Test, DropAddsTheDraggedFilesRefusingDuplicates) {
    open({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    List1()->addItem(file(u"b"_s));
    services.bar.setLab6(u"1"_s);
    for (const int n : {2, 0, 1})
        File1()->selectionModel()->select(row(n), QItemSelectionModel::Select);
    const QStringList dragged = chooser->selectedFiles();
    EXPECT_EQ(dragged, (QStringList{file(u"a"_s), file(u"b"_s), file(u"c"_s)}));

    EXPECT_EQ(Drop(List1()->viewport(), DraggedPaths::ToMimeData(dragged), Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(services.scripted.texts(), QStringList{file(u"b"_s) + u" is already existed !"_s});
    EXPECT_EQ(List1()->entries(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s)}));
    EXPECT_EQ(services.bar.lab6(), u"1"_s); // the next pointer move shows the count
    sendMouseMove(List1()->viewport(), {5, 5});
    EXPECT_EQ(services.bar.lab6(), u"3"_s);

    // From a file manager: local files only, taken as a copy even when offered as a move, so
    // that the file manager keeps its files.
    const QString outside = makeFile(u"elsewhere/x.doc"_s, 1);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(outside), QUrl::fromLocalFile(path(u"elsewhere"_s)),
                   QUrl(u"https://example.org/z.doc"_s), QUrl::fromLocalFile(file(u"a"_s))});
    EXPECT_EQ(Drop(List1()->viewport(), data, Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(List1()->entries(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s), outside}));
    EXPECT_EQ(services.scripted.texts().last(), file(u"a"_s) + u" is already existed !"_s);

    auto* text = new QMimeData;
    text->setText(u"not files"_s);
    EXPECT_EQ(Drop(List1()->viewport(), text, Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(List1()->count(), 4);
}

TEST_F(Spassword1Test, DividerDragStopsOnceAColumnIsNarrow) {
    open();
    QWidget* HFrame1 = child(u"HFrame1"_s);
    QWidget* HFrame2 = child(u"HFrame2"_s);
    const int narrow = twips::toPixels(500);
    const int step = 20;
    const int start = child(u"Dir1"_s)->width();
    sendMouseMove(HFrame1, {-step, 10}, Qt::LeftButton | Qt::RightButton); // not the left button alone
    EXPECT_EQ(child(u"Dir1"_s)->width(), start);

    // Each divider narrows its outer column until it is narrower than the limit, then stops.
    const struct {
        QWidget* divider;
        QWidget* column;
        int toward;
    } drags[] = {{HFrame1, child(u"Dir1"_s), -step}, {HFrame2, List1(), step}};
    for (const auto& d : drags) {
        const auto drag = [&](int x) { sendMouseMove(d.divider, {x, 10}, Qt::LeftButton); };
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
    // The columns still fill the width, side by side.
    EXPECT_EQ(File1()->x(), HFrame1->geometry().right() + 1);
    EXPECT_EQ(HFrame2->x(), File1()->geometry().right() + 1);
    EXPECT_EQ(List1()->geometry().right(), chooser->width() - 1);
}

TEST_F(Spassword1Test, LockedFolderDisablesTheFileList) {
    const QString locked = makeDir(u"files/work"_s + ChooserRules::LockExtension.toString());
    makeFile(u"files/work"_s + ChooserRules::LockExtension.toString() + u"/vexaseal.vexa"_s, 1);
    open();
    services.appState.ActiveListKind = ListKind::ChosenList;
    chooser->openFolder(locked);
    EXPECT_FALSE(File1()->isEnabled());
    EXPECT_EQ(chooser->currentFolder(), locked);
    EXPECT_EQ(services.bar.lab5(), u"1"_s);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);

    chooser->openFolder(folder);
    EXPECT_TRUE(File1()->isEnabled());

    services.appState.Busy = true;
    chooser->openFolder(locked);
    EXPECT_EQ(chooser->currentFolder(), folder);
    EXPECT_TRUE(File1()->isEnabled());
}

TEST_F(Spassword1Test, VolumeWithoutMediumAsksToRetryOrCancel) {
    const QString missing = path(u"unplugged"_s);
    services.testPlatform.extraVolumes = {{missing, u"Stick"_s}, {root(), {}}};
    open();
    auto* Drive1 = child<QComboBox>(u"Drive1"_s);
    const int last = Drive1->count() - 1;
    choose(Drive1, last);
    EXPECT_EQ(chooser->currentFolder(), root());

    services.scripted.answer(Dialogs::Answer::Retry);
    services.scripted.answer(Dialogs::Answer::Cancel);
    choose(Drive1, last - 1);
    const QString text = u"There's no disk in drive   "_s + missing + u"  [Stick]"_s;
    EXPECT_EQ(services.scripted.texts(), QStringList({text, text}));
    EXPECT_EQ(services.scripted.boxes().at(1).kind, ScriptedDialogs::Kind::RetryCancel);
    EXPECT_EQ(chooser->currentFolder(), root());
    EXPECT_EQ(Drive1->currentData().toString(), root());

    // Once the medium is there the volume opens without a question.
    makeDir(u"unplugged"_s);
    choose(Drive1, last - 1);
    EXPECT_EQ(chooser->currentFolder(), missing);

    services.appState.Busy = true;
    choose(Drive1, 0);
    EXPECT_EQ(Drive1->currentData().toString(), missing);
    EXPECT_EQ(chooser->currentFolder(), missing);
    EXPECT_EQ(services.scripted.boxes().size(), 2);
}

TEST_F(Spassword1Test, RightClicksOpenTheMainWindowMenus) {
    open({u"a"_s, u"b"_s});
    File1()->setCurrentIndex(row(1));
    QTest::mousePress(File1()->viewport(), Qt::RightButton, {}, File1()->visualRect(row(0)).center());
    EXPECT_TRUE(services.popupMenu(u"Show1"_s)->isVisible());
    // The right button leaves the highlighted entry, which the pop-up's commands act on.
    EXPECT_EQ(chooser->highlightedFile(), file(u"b"_s));
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::DirectoryFiles);
    services.popupMenu(u"Show1"_s)->close();

    services.menuItem(u"RenameList"_s)->setEnabled(true);
    QTest::mousePress(List1()->viewport(), Qt::RightButton, {}, {5, 5});
    EXPECT_TRUE(services.popupMenu(u"munfile"_s)->isVisible());
    EXPECT_FALSE(services.menuItem(u"RenameList"_s)->isEnabled());
    EXPECT_FALSE(services.menuItem(u"Savelist"_s)->isEnabled());
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::ChosenList);
    services.popupMenu(u"munfile"_s)->close();

    auto* Dir1 = child<QTreeView>(u"Dir1"_s);
    QTest::mousePress(Dir1->viewport(), Qt::RightButton, {}, Dir1->visualRect(Dir1->currentIndex()).center());
    EXPECT_TRUE(services.popupMenu(u"Folder"_s)->isVisible());
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);
    EXPECT_EQ(chooser->highlightedFolder(), folder);
    services.popupMenu(u"Folder"_s)->close();
}
