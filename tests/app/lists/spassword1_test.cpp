/*
 * The file chooser window in an area of known size: placement and layout, filter and kinds,
 * clicks, Enter, drops, dividers, locked folders, volumes, pop-up menus and hints.
 */
#include "spassword1.h"

#include "chooserrules.h"
#include "draggedpaths.h"
#include "dropevents.h"
#include "fakeservices.h"
#include "listpanes.h"
#include "qstringprinter.h"
#include "tempenv.h"
#include "twips.h"

#include <QtCore/QDir>
#include <QtCore/QMimeData>
#include <QtCore/QUrl>
#include <QtGui/QDrag>
#include <QtTest/QTest>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QTreeView>

using namespace Qt::StringLiterals;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, buttons, Qt::NoModifier);
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
    void SetUp() override {
        TempEnvTest::SetUp();
        m_previousFolder = QDir::currentPath();
        folder = makeDir(u"files"_s);
        QDir::setCurrent(folder);
    }
    void TearDown() override {
        QDir::setCurrent(m_previousFolder);
        TempEnvTest::TearDown();
    }

    // Opens the chooser in a sub-window of the area, as the main window does.
    Spassword1& open() {
        chooser = new Spassword1(services);
        frame = services.area.addSubWindow(chooser);
        frame->show();
        return *chooser;
    }
    template <class T> T* child(const QString& name) const {
        T* widget = chooser->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << qPrintable(name);
        return widget;
    }
    QListView* File1() const { return child<QListView>(u"File1"_s); }
    QListWidget* List1() const { return child<QListWidget>(u"List1"_s); }
    QPoint rowCentre(int row) const { return File1()->visualRect(File1()->model()->index(row, 0)).center(); }
    QStringList entries() const {
        QStringList result;
        for (int row = 0; row < List1()->count(); ++row)
            result.append(List1()->item(row)->text());
        return result;
    }
    QString file(const QString& name) const { return folder + u'/' + name; }

    FakeServices services;
    Spassword1* chooser = nullptr;
    QMdiSubWindow* frame = nullptr;
    QString folder;

private:
    QString m_previousFolder;
};

TEST_F(Spassword1Test, LoadPlacesTheWindowAndUnloadClearsItsMark) {
    makeFile(u"files/a.txt"_s, 1);
    makeFile(u"files/b.txt"_s, 1);
    open();
    const QSize client = services.clientSize();
    EXPECT_EQ(frame->geometry(), QRect(0, 0, qRound(0.7 * client.width()), client.height()));
    EXPECT_EQ(chooser->windowTitle(), u"Encrypt / Decrypt"_s);
    EXPECT_EQ(chooser->currentFolder(), folder);
    EXPECT_EQ(services.bar.lab5(), u"2"_s);
    EXPECT_TRUE(services.menuItem(u"E_Decrypt"_s)->isChecked());

    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    QStringList filters;
    for (int i = 0; i < Combo1->count(); ++i)
        filters.append(Combo1->itemText(i));
    EXPECT_EQ(filters, (QStringList{u"All files *.*"_s, u"*.doc;*.dot;*.rtf;*.txt;*.xl;*.xla;*.xls;*.xlc;*.xlc;*.xlw"_s,
                                    u"*.html;*.htm;*.otm;*.wri;*.eml"_s, u"*.bmp;*.jpg;*.jpeg;*.gif;*.ico"_s,
                                    u"*.mpeg;*.mpg;*.mp3;*.avi;*.asf;*.wav;*.mov"_s, u"*.vxp"_s}));
    EXPECT_EQ(Combo1->currentText(), u"All files *.*"_s);
    EXPECT_EQ(Combo1->toolTip(), u"File Filter"_s);
    EXPECT_EQ(File1()->toolTip(), u"Directory Files List"_s);
    EXPECT_EQ(child<QLabel>(u"Option1"_s)->text(), u"Chosen File List"_s);

    services.appState.ActiveListKind = ListKind::ChosenList;
    frame->close();
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);
    EXPECT_FALSE(services.menuItem(u"E_Decrypt"_s)->isChecked());
}

TEST_F(Spassword1Test, LayoutFillsTheWidthAndKeepsTheMinimumSize) {
    open();
    const int W = chooser->width();
    const int H = chooser->height();
    const int bar = twips::toPixels(80);
    auto* Dir1 = child<QTreeView>(u"Dir1"_s);
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    EXPECT_EQ(Dir1->width(), qRound(0.3 * W));
    EXPECT_EQ(Dir1->geometry().bottom(), H - 1);
    EXPECT_EQ(child<QWidget>(u"HFrame1"_s)->geometry(), QRect(Dir1->width(), 0, bar, H));
    EXPECT_EQ(File1()->geometry(),
              QRect(Dir1->width() + bar, Combo1->height(), qRound(0.35 * W) - bar, H - Combo1->height()));
    EXPECT_EQ(Combo1->geometry().left(), File1()->x());
    EXPECT_EQ(Combo1->width(), File1()->width());
    EXPECT_EQ(child<QWidget>(u"HFrame2"_s)->x(), File1()->geometry().right() + 1);
    EXPECT_EQ(List1()->x(), File1()->geometry().right() + 1 + bar);
    EXPECT_EQ(List1()->geometry().right(), W - 1);
    EXPECT_EQ(List1()->y(), child<QWidget>(u"Option1"_s)->geometry().bottom() + 1);
    EXPECT_EQ(List1()->height(), File1()->height());

    // 0.4 of 1000 x 600; a window exactly at that size is left alone.
    const QSize client = services.clientSize();
    ASSERT_EQ(client, QSize(1000, 600));
    frame->resize(100, 100);
    EXPECT_EQ(frame->size(), QSize(400, 240));
    frame->resize(400, 300);
    EXPECT_EQ(frame->size(), QSize(400, 300));
    EXPECT_EQ(List1()->geometry().right(), chooser->width() - 1);
}

TEST_F(Spassword1Test, FilterAppliesTypedTextAndChoices) {
    for (const QString& name : {u"a.txt"_s, u"b.TXT"_s, u"c.doc"_s, u"d"_s, u"e.vxp"_s})
        makeFile(u"files/"_s + name, 1);
    open();
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    const auto type = [&](const QString& text) {
        Combo1->lineEdit()->clear();
        QTest::keyClicks(Combo1->lineEdit(), text);
    };
    type(u"All files *.txt"_s);
    EXPECT_EQ(chooser->fileCount(), 2);
    EXPECT_EQ(services.bar.lab5(), u"5"_s); // typing leaves the count pane alone
    type(u"all files *.txt"_s);
    EXPECT_EQ(chooser->fileCount(), 0);
    type(u"*.doc;*.vxp"_s);
    EXPECT_EQ(chooser->fileCount(), 2);

    services.appState.ActiveListKind = ListKind::DirectoryFiles;
    choose(Combo1, 5); // "*.vxp"
    EXPECT_EQ(chooser->fileCount(), 1);
    EXPECT_EQ(services.bar.lab5(), u"1"_s);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);

    services.appState.Busy = true;
    choose(Combo1, 0);
    EXPECT_EQ(chooser->fileCount(), 1);
    EXPECT_EQ(services.bar.lab5(), u"1"_s);
}

TEST_F(Spassword1Test, KindSwitchesChooseTheListedFiles) {
    const struct {
        QString name;
        quint32 value;
    } files[] = {{u"plain"_s, 0}, {u"ro"_s, 1}, {u"hid"_s, 2}, {u"sys"_s, 4}, {u"arch"_s, 32}, {u"enc"_s, 7}};
    for (const auto& f : files)
        ASSERT_TRUE(services.testPlatform.setAttributes(makeFile(u"files/"_s + f.name, 1), f.value));
    open();
    EXPECT_EQ(chooser->fileCount(), 6);
    chooser->setFileKindShown(FileKind::Hidden, false);
    EXPECT_FALSE(chooser->isFileKindShown(FileKind::Hidden));
    EXPECT_EQ(chooser->fileCount(), 5); // the encrypted file is still read-only and system
    chooser->setFileKindShown(FileKind::Normal, false);
    EXPECT_EQ(chooser->fileCount(), 4);
    for (const FileKind kind : {FileKind::ReadOnly, FileKind::System})
        chooser->setFileKindShown(kind, false);
    EXPECT_EQ(chooser->fileCount(), 1);
    EXPECT_EQ(File1()->model()->index(0, 0).data().toString(), u"arch"_s);
    for (const FileKind kind : {FileKind::Normal, FileKind::Hidden, FileKind::ReadOnly, FileKind::System})
        chooser->setFileKindShown(kind, true);
    EXPECT_EQ(chooser->fileCount(), 6);
}

TEST_F(Spassword1Test, FileClickShowsSizeAndAttributeButtonsUnderBusy) {
    const QString big = makeFile(u"files/big.bin"_s, 1536);
    ASSERT_TRUE(services.testPlatform.setAttributes(big, 35));
    open();
    services.tools.setMM4(1);
    QList<bool> busyAtEvents;
    for (auto signal : {&OrloTool::UserControl1::C1, &OrloTool::UserControl1::C2, &OrloTool::UserControl1::C3,
                        &OrloTool::UserControl1::C4})
        QObject::connect(&services.tools, signal, &services.tools,
                         [&] { busyAtEvents.append(services.appState.Busy); });

    QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(services.bar.lab3(), u"File Size : 1.50 K"_s);
    EXPECT_EQ(services.appState.CurrentAttributes, 35);
    EXPECT_EQ(QList<qint16>({services.tools.MM1(), services.tools.MM2(), services.tools.MM3(), services.tools.MM4()}),
              QList<qint16>({1, 1, 1, 0}));
    EXPECT_EQ(busyAtEvents, QList<bool>(4, true)); // MM4 released, then three pressed
    EXPECT_FALSE(services.appState.Busy);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::DirectoryFiles);

    for (const quint8 value : {48, 160}) {
        services.appState.CurrentAttributes = value;
        ListPanes::ShowAttributeButtons(services);
        EXPECT_EQ(services.tools.MM1() + services.tools.MM2() + services.tools.MM3() + services.tools.MM4(), 0);
    }

    // A file removed meanwhile keeps the size text and attribute value as they were.
    services.appState.CurrentAttributes = 2;
    ASSERT_TRUE(QFile::remove(big));
    QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(services.bar.lab3(), u"File Size : 1.50 K"_s);
    EXPECT_EQ(services.tools.MM2(), 1);

    services.appState.Busy = true;
    services.bar.setLab3(u"kept"_s);
    makeFile(u"files/big.bin"_s, 10);
    QTest::mouseClick(File1()->viewport(), Qt::LeftButton, {}, rowCentre(0));
    EXPECT_EQ(services.bar.lab3(), u"kept"_s);
}

TEST_F(Spassword1Test, EnterAddsTheHighlightedFileOnce) {
    makeFile(u"files/a.txt"_s, 1);
    open();
    QTest::keyClick(File1(), Qt::Key_Return); // nothing highlighted yet
    EXPECT_EQ(List1()->count(), 0);

    File1()->setCurrentIndex(File1()->model()->index(0, 0));
    services.bar.setLab6(u"4"_s);
    QTest::keyClick(File1(), Qt::Key_Return);
    EXPECT_EQ(entries(), QStringList{file(u"a.txt"_s)});
    EXPECT_EQ(services.bar.lab6(), u"5"_s);

    QTest::keyClick(File1(), Qt::Key_Enter);
    EXPECT_EQ(services.scripted.texts(), QStringList{u"This file is already existed"_s});
    EXPECT_EQ(List1()->count(), 1);
    EXPECT_EQ(services.bar.lab6(), u"5"_s);
}

TEST_F(Spassword1Test, DropAddsTheDraggedFilesRefusingDuplicates) {
    for (const QString& name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s})
        makeFile(u"files/"_s + name, 1);
    open();
    List1()->addItem(file(u"b"_s));
    services.bar.setLab6(u"1"_s);
    File1()->selectionModel()->select(File1()->model()->index(2, 0), QItemSelectionModel::Select);
    File1()->selectionModel()->select(File1()->model()->index(0, 0), QItemSelectionModel::Select);
    File1()->selectionModel()->select(File1()->model()->index(1, 0), QItemSelectionModel::Select);
    const QStringList dragged = chooser->selectedFiles();
    EXPECT_EQ(dragged, (QStringList{file(u"a"_s), file(u"b"_s), file(u"c"_s)}));

    EXPECT_EQ(Drop(List1()->viewport(), DraggedPaths::ToMimeData(dragged), Qt::CopyAction), Qt::CopyAction);
    EXPECT_EQ(services.scripted.texts(), QStringList{file(u"b"_s) + u" is already existed !"_s});
    EXPECT_EQ(entries(), (QStringList{file(u"b"_s), file(u"a"_s), file(u"c"_s)}));
    EXPECT_EQ(services.bar.lab6(), u"1"_s); // the next pointer move shows the count

    sendMouse(List1()->viewport(), QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(services.bar.lab6(), u"3"_s);
    EXPECT_EQ(services.bar.lab1(), u"Select File(s)and Right click "_s);
}

TEST_F(Spassword1Test, DropFromAFileManagerCopiesLocalFilesOnly) {
    const QString outside = makeFile(u"elsewhere/x.doc"_s, 1);
    const QString chosen = makeFile(u"elsewhere/y.doc"_s, 1);
    open();
    List1()->addItem(chosen);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(outside), QUrl::fromLocalFile(path(u"elsewhere"_s)),
                   QUrl(u"https://example.org/z.doc"_s), QUrl::fromLocalFile(chosen)});
    // Offered as a move, the drop is taken as a copy so the file manager keeps its files.
    EXPECT_EQ(Drop(List1()->viewport(), data, Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(entries(), (QStringList{chosen, outside}));
    EXPECT_EQ(services.scripted.texts(), QStringList{chosen + u" is already existed !"_s});

    auto* text = new QMimeData;
    text->setText(u"not files"_s);
    EXPECT_EQ(Drop(List1()->viewport(), text, Qt::CopyAction), Qt::IgnoreAction);
    EXPECT_EQ(List1()->count(), 2);
}

TEST_F(Spassword1Test, DividerDragStopsOnceAColumnIsNarrow) {
    open();
    auto* Dir1 = child<QTreeView>(u"Dir1"_s);
    auto* HFrame1 = child<QWidget>(u"HFrame1"_s);
    auto* HFrame2 = child<QWidget>(u"HFrame2"_s);
    const int narrow = twips::toPixels(500);
    const int step = 20;
    const auto drag = [&](QWidget* divider, int x, Qt::MouseButtons buttons = Qt::LeftButton) {
        sendMouse(divider, QEvent::MouseMove, {x, 10}, Qt::NoButton, buttons);
    };
    const auto columnsFill = [&] {
        EXPECT_EQ(HFrame1->x(), Dir1->width());
        EXPECT_EQ(File1()->x(), HFrame1->geometry().right() + 1);
        EXPECT_EQ(HFrame2->x(), File1()->geometry().right() + 1);
        EXPECT_EQ(List1()->geometry().right(), chooser->width() - 1);
    };

    const int start = Dir1->width();
    drag(HFrame1, -step, Qt::LeftButton | Qt::RightButton); // not the left button alone
    EXPECT_EQ(Dir1->width(), start);
    for (int i = 0; i < 100 && Dir1->width() >= narrow; ++i)
        drag(HFrame1, -step);
    const int shrunk = Dir1->width();
    EXPECT_LT(shrunk, narrow);
    EXPECT_GE(shrunk, narrow - step);
    drag(HFrame1, -step);
    EXPECT_EQ(Dir1->width(), shrunk);
    drag(HFrame1, step);
    EXPECT_EQ(Dir1->width(), shrunk + step);
    columnsFill();

    for (int i = 0; i < 100 && List1()->width() >= narrow; ++i)
        drag(HFrame2, step);
    const int listWidth = List1()->width();
    EXPECT_LT(listWidth, narrow);
    drag(HFrame2, step);
    EXPECT_EQ(List1()->width(), listWidth);
    drag(HFrame2, -step);
    EXPECT_EQ(List1()->width(), listWidth + step);
    EXPECT_EQ(child<QWidget>(u"Option1"_s)->geometry().left(), List1()->x());
    columnsFill();
}

TEST_F(Spassword1Test, LockedFolderDisablesTheFileList) {
    const QString locked = makeDir(u"files/work"_s + ChooserRules::LockExtension.toString());
    makeFile(u"files/work"_s + ChooserRules::LockExtension.toString() + u"/vexaseal.vexa"_s, 1);
    open();
    services.appState.ActiveListKind = ListKind::ChosenList;
    chooser->openFolder(locked);
    EXPECT_FALSE(File1()->isEnabled());
    EXPECT_EQ(chooser->currentFolder(), locked);
    EXPECT_EQ(chooser->highlightedFolder(), locked);
    EXPECT_EQ(services.bar.lab5(), u"1"_s);
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);

    chooser->openFolder(folder);
    EXPECT_TRUE(File1()->isEnabled());
    EXPECT_EQ(services.bar.lab5(), u"0"_s);

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
    EXPECT_EQ(Drive1->currentData().toString(), root());

    services.scripted.answer(Dialogs::Answer::Retry);
    services.scripted.answer(Dialogs::Answer::Cancel);
    choose(Drive1, last - 1);
    const QString text = u"There's no disk in drive   "_s + missing + u"  [Stick]"_s;
    ASSERT_EQ(services.scripted.boxes().size(), 2);
    EXPECT_EQ(services.scripted.boxes()[0].kind, ScriptedDialogs::Kind::RetryCancel);
    EXPECT_EQ(services.scripted.texts(), QStringList({text, text}));
    EXPECT_EQ(chooser->currentFolder(), root());
    EXPECT_EQ(Drive1->currentData().toString(), root());

    // Once the medium is there the volume opens without a question.
    makeDir(u"unplugged"_s);
    choose(Drive1, last - 1);
    EXPECT_EQ(chooser->currentFolder(), missing);
    EXPECT_EQ(services.scripted.unansweredCount(), 0);

    services.appState.Busy = true;
    choose(Drive1, 0);
    EXPECT_EQ(Drive1->currentData().toString(), missing);
    EXPECT_EQ(chooser->currentFolder(), missing);
    EXPECT_EQ(services.scripted.boxes().size(), 2);
}

TEST_F(Spassword1Test, RightClicksOpenTheMainWindowMenus) {
    makeFile(u"files/a"_s, 1);
    makeFile(u"files/b"_s, 1);
    open();
    File1()->setCurrentIndex(File1()->model()->index(1, 0));
    services.bar.setLab3(u"size"_s);
    QTest::mousePress(File1()->viewport(), Qt::RightButton, {}, rowCentre(0));
    EXPECT_TRUE(services.popupMenu(u"Show1"_s)->isVisible());
    EXPECT_EQ(chooser->selectedFiles(), QStringList{file(u"b"_s)});
    EXPECT_EQ(chooser->highlightedFile(), file(u"b"_s));
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::DirectoryFiles);
    EXPECT_EQ(services.bar.lab3(), u"size"_s);
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

TEST_F(Spassword1Test, HintsFollowThePointerAndFocus) {
    open();
    sendMouse(File1()->viewport(), QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(services.bar.lab1(), u"Drag and drop files to your list "_s);
    sendMouse(child<QTreeView>(u"Dir1"_s)->viewport(), QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(services.bar.lab1(), u"Right Click to Lock or Unlock folder "_s);
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(child<QComboBox>(u"Drive1"_s), &focus);
    EXPECT_EQ(services.bar.lab1(), u"Select drive"_s);
    auto* Combo1 = child<QComboBox>(u"Combo1"_s);
    Combo1->showPopup();
    EXPECT_EQ(services.bar.lab1(), u"You can edit File filter like *.doc"_s);
    Combo1->hidePopup();
}
