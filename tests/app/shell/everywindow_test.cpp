/*
 * Every window of both programs: a screen reader can name each control a user can act on, and
 * each status pane.
 */
#include "app/crypt/progresswindow.h"
#include "controls/statline/statline.h"
#include "generate/generatewindow.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtGui/QAccessible>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QScrollBar>

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// A control the user can reach and act on: fields, lists and boxes all take the Tab key; scroll bars
// are named by the view that owns them.
bool isInteractive(const QWidget* widget) {
    return !qobject_cast<const QScrollBar*>(widget) &&
           (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QAbstractItemView*>(widget) ||
            (widget->focusPolicy() & Qt::TabFocus));
}

// Every interactive widget below root (hidden ones included) that a screen reader cannot name.
QStringList unnamedControls(QWidget& root) {
    QStringList unnamed;
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        // Qt's own parts: the menu bar's overflow button and a combo box's pop-up list, which
        // the combo box names.
        if (widget->objectName().startsWith(u"qt_"_s) ||
            (widget->parentWidget() && widget->parentWidget()->inherits("QComboBoxPrivateContainer")))
            continue;
        // A hidden header is no control at all.
        if (qobject_cast<QHeaderView*>(widget) && widget->isHidden())
            continue;
        // A view's viewport belongs to the view, which carries the name.
        if (qobject_cast<QAbstractScrollArea*>(widget->parentWidget()) &&
            static_cast<QAbstractScrollArea*>(widget->parentWidget())->viewport() == widget)
            continue;
        if (isInteractive(widget) && accessibleName(widget).isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName() +
                           u" in "_s + (widget->parentWidget() ? widget->parentWidget()->objectName() : QString());
    }
    return unnamed;
}

} // namespace

using AccessibilityTest = MainWindowTest<TestPlatform>;

// The main window holds every other window of its program: the chooser, the browser, a hot-list
// window, the bars, the password dialog with all three frames, the progress window.
TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasAnAccessibleName) {
    triggerAction(u"NewList"_s);
    window().passwordDialog().showPasswordDialog();
    new ProgressWindow(window(), window().state(), m_dialogs);
    GeneratorWindow generator;
    generator.show();
    for (QWidget* root : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(&generator)}) {
        const QStringList unnamed = unnamedControls(*root);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(u'\n'));
    }
}

// A status pane's name follows its text and always says which pane it is, even while it is empty.
TEST_F(AccessibilityTest, StatusPanesNameWhatTheyShow) {
    statline::UserControl1& bar = window().statusLine();
    bar.setLab1(QString());
    bar.setLab5(u"3"_s);
    EXPECT_EQ(accessibleName(bar.findChild<QWidget*>(u"Label1"_s)), u"Hint"_s);
    EXPECT_EQ(accessibleName(bar.findChild<QWidget*>(u"Label5"_s)), u"Files in Folder: 3"_s);
}
