/*
 * The hot-list windows and commands in the real main window: the close question with the replace
 * question, New list, Save List and Rename List, with their messages and files
 * (lists beyond the file's limits refused); the browser, and the pop-up menus of the list windows.
 */
#include "app/lists/hotlistbrowser.h"
#include "app/lists/hotlistwindow.h"
#include "tests/app/lists/listtests.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtGui/QContextMenuEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QMenu>

class HotListsTest : public MainWindowTest<TestPlatform> {
protected:
    using Answer = Dialogs::Answer;
    static inline const QString kReplaceQuestion = u"This list is already existed do you want replace it"_s;

    QMdiArea& area() const { return *m_window->findChild<QMdiArea*>(u"mdiArea"_s); }
    HotListWindow* activeList() const { return qobject_cast<HotListWindow*>(area().currentSubWindow()->widget()); }
    // "New list", with entries added as a drop adds them.
    HotListWindow* newList(const QStringList& entries = {}) {
        triggerAction(u"NewList"_s);
        activeList()->chosenFiles().append(entries);
        return activeList();
    }
    // The captions of the open hot-list windows, oldest first.
    QStringList captions() const {
        QStringList result;
        for (QMdiSubWindow* frame : area().subWindowList())
            if (qobject_cast<HotListWindow*>(frame->widget()) && frame->isVisible())
                result << frame->widget()->windowTitle();
        return result;
    }
    // Closes a window the way its close box does; true when it went.
    static bool close(QWidget* window) { return window->parentWidget()->close(); }
    QString listFile(const QString& name) const { return m_platform.dataFolder() + u"/MyList/"_s + name + u".vexa"_s; }
    QString makeList(const QString& name, const QByteArray& content) {
        return makeFile(QDir(root()).relativeFilePath(listFile(name)), content);
    }
    QListWidget* browserList() const { return m_window->browser()->findChild<QListWidget*>(u"File1"_s); }
    QStringList browserNames() const { return Texts(browserList()); }
    // Picks a saved list in the browser as the user does: highlight, then right-click.
    void pickInBrowser(const QString& name) {
        m_window->browser()->refresh();
        const QList<QListWidgetItem*> found = browserList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << qPrintable(name);
        browserList()->setCurrentItem(found.first());
        QTest::mouseClick(browserList()->viewport(), Qt::RightButton, {}, QPoint(1, 1));
    }
    QMenu* popup(const QString& name) const { return m_window->findChild<QMenu*>(name); }
};

TEST_F(HotListsTest, CloseAsksToSaveThenBeforeReplacing) {
    const QByteArray saved = ComplementedLine(u"/a/one.txt"_s) + ComplementedLine(u"/b/two"_s);
    const QString file = makeList(u"Hot List 1"_s, saved);

    ASSERT_TRUE(m_platform.setAttributes(file, 1));
    const QStringList questions{u"Do you want to save changes to  Hot List 1"_s, kReplaceQuestion};
    const std::tuple<QList<Answer>, QByteArray, quint32> closes[] = {
        {{Answer::No}, saved, 1},
        {{Answer::Yes, Answer::No}, saved, 1}, // a file the user kept keeps its read-only mark
        // Replacing takes the read-only mark off, so that the new list can be written.
        {{Answer::Yes, Answer::Yes}, ComplementedLine(u"/new"_s), 0},
    };
    for (const auto& [answers, content, readOnly] : closes) {
        SCOPED_TRACE(answers.size() + readOnly);
        m_dialogs.clear();
        HotListWindow* window = newList({u"/new"_s});
        window->setWindowTitle(u"Hot List 1"_s);
        for (const Answer answer : answers)
            m_dialogs.answer(answer);
        EXPECT_TRUE(close(window));
        EXPECT_EQ(m_dialogs.texts(), questions.first(answers.size()));
        EXPECT_EQ(readAll(file), content);
        EXPECT_EQ(m_platform.attributes(file).value_or(9) & 1, readOnly);
    }
}

TEST_F(HotListsTest, RefusedOrFailedSavesAreReportedAndKeepTheWindow) {
    // Refused before anything is asked or written: U+074D complements to a double quote, which no
    // field brings back; a list file holds lines of at most 4096 bytes and 100000 entries.
    const QString unstorable = u"/x/\u074D"_s;
    const QString tooLong(4097, u'a');
    const std::pair<QStringList, QString> refusals[] = {
        {{u"/a"_s, unstorable}, unstorable + u"\r\ncannot be stored in a hot list. The list is not saved."_s},
        {{u"/a"_s, tooLong},
         tooLong +
             u"\r\nis too long for a hot list: its line would be longer than 4096 bytes. The list is not saved."_s},
        {QStringList(100001, u"/a"_s),
         u"Hot List 1\r\nholds more than 100000 entries; a hot list holds at most 100000. The list is not saved."_s},
    };
    const QString file = makeList(u"Hot List 1"_s, "old");
    for (const auto& [entries, message] : refusals) {
        m_dialogs.clear();
        newList(entries)->setWindowTitle(u"Hot List 1"_s);
        triggerAction(u"Savelist"_s);
        EXPECT_EQ(m_dialogs.texts(), QStringList{message});
        EXPECT_EQ(readAll(file), QByteArray("old"));
    }

    // A file where the list folder should be: the save on close fails, is reported, and the
    // window stays with its entries.
    m_dialogs.clear();
    QDir(m_platform.dataFolder() + u"/MyList"_s).removeRecursively();
    makeFile(QDir(root()).relativeFilePath(m_platform.dataFolder() + u"/MyList"_s), QByteArray("x"));
    HotListWindow* window = newList({u"/b"_s});
    m_dialogs.answer(Answer::Yes);
    EXPECT_FALSE(close(window));
    ASSERT_EQ(m_dialogs.texts().size(), 2);
    EXPECT_TRUE(m_dialogs.texts().at(1).startsWith(listFile(window->windowTitle()) + u"\r\n"_s));
    EXPECT_TRUE(captions().contains(window->windowTitle()));
    EXPECT_EQ(window->entries(), QStringList{u"/b"_s});
}

TEST_F(HotListsTest, SaveRenameAndSaveAgainLeavesBothFiles) {
    HotListWindow* window = newList({u"/a/b.txt"_s, u"/c,d"_s});
    triggerAction(u"Savelist"_s);
    const QByteArray saved = ComplementedLine(u"/a/b.txt"_s) + ComplementedLine(u"/c,d"_s);

    for (const QString& name : {u"../outside"_s, u"."_s, u".."_s}) {
        m_dialogs.answerInput(name);
        triggerAction(u"RenameList"_s);
        EXPECT_EQ(m_dialogs.texts().last(), u"A list name can't contain \"/\" or be \".\" or \"..\"."_s);
        EXPECT_EQ(captions(), QStringList{u"Hot List 1"_s}) << qPrintable(name);
    }
    m_dialogs.answerInput(u"Travel"_s);
    triggerAction(u"RenameList"_s);
    window->chosenFiles().append({u"/e"_s});
    triggerAction(u"Savelist"_s);
    EXPECT_EQ(m_dialogs.texts().last(), u"Travel is saved"_s);
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), saved);
    EXPECT_EQ(readAll(listFile(u"Travel"_s)), saved + ComplementedLine(u"/e"_s));
    EXPECT_EQ(browserNames(), (QStringList{u"Hot List 1.vexa"_s, u"Travel.vexa"_s}));
}

// Each list's right-click, and the Menu key on it, pops its own menu (some commands live only
// there); a chooser list's also marks it as the list worked in. "Rename List" and "Save List" only
// for a hot list. The browser lists the hot-list files and wants one highlighted first.
TEST_F(HotListsTest, RightClicksAndTheMenuKeyPopTheirMenus) {
    for (const QString& name : {u"Work.vexa"_s, u"copy.vexa2"_s, u"OLD.VEXA"_s, u"notes.txt"_s, u"x.vex"_s})
        makeFile(QDir(root()).relativeFilePath(m_platform.dataFolder() + u"/MyList/"_s + name), 3);
    QDir(m_platform.dataFolder() + u"/MyList"_s).mkdir(u"folder.vexa"_s);
    const auto shown = [this] {
        QStringList names;
        for (const QString& name : {u"LoadList"_s, u"Show1"_s, u"munfile"_s, u"Folder"_s}) {
            if (popup(name)->isVisible())
                names << name;
            popup(name)->hide();
        }
        return std::tuple(names, m_window->findChild<QAction*>(u"RenameList"_s)->isEnabled(),
                          m_window->findChild<QAction*>(u"Savelist"_s)->isEnabled());
    };
    m_window->browser()->refresh();
    EXPECT_EQ(browserNames(), (QStringList{u"copy.vexa2"_s, u"OLD.VEXA"_s, u"Work.vexa"_s}));
    QTest::mouseClick(browserList()->viewport(), Qt::RightButton, {}, QPoint(1, 1));
    EXPECT_EQ(std::get<0>(shown()), QStringList());
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Click the list you want First !"_s});

    const auto list = [](QWidget* window, const QString& name) { return window->findChild<QAbstractItemView*>(name); };
    const std::tuple<QAbstractItemView*, QString, bool, std::optional<ListKind>> lists[] = {
        {list(newList(), u"List1"_s), u"munfile"_s, true, std::nullopt},
        {list(chooser(), u"List1"_s), u"munfile"_s, false, ListKind::ChosenList},
        {list(chooser(), u"File1"_s), u"Show1"_s, false, ListKind::DirectoryFiles},
        {list(chooser(), u"Dir1"_s), u"Folder"_s, false, ListKind::None},
    };
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    for (const auto& [view, menu, forHotList, kind] : lists) {
        SCOPED_TRACE(qPrintable(menu));
        m_window->state().activeListKind = ListKind::DirectoryFiles;
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, QPoint(1, 1));
        EXPECT_EQ(shown(), std::tuple(QStringList{menu}, forHotList, forHotList));
        EXPECT_TRUE(!kind || m_window->state().activeListKind == *kind) << int(m_window->state().activeListKind);
        QApplication::sendEvent(view, &key);
        EXPECT_EQ(shown(), std::tuple(QStringList{menu}, forHotList, forHotList));
    }
    pickInBrowser(u"Work.vexa"_s);
    EXPECT_EQ(std::get<0>(shown()), QStringList{u"LoadList"_s});
}
