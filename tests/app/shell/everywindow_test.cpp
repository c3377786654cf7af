/*
 * Every window of both programs: the captions fit their controls, at the windows' own fonts and at
 * one point larger, each control measured as its style draws it; and a screen reader can name each
 * control a user can act on, and each status pane. The program runs a second time at a scale
 * factor of 2.
 */
#include "app/crypt/progresswindow.h"
#include "controls/statline/statline.h"
#include "generate/generatewindow.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtCore/QScopeGuard>
#include <QtGui/QAccessible>
#include <QtWidgets/QAbstractItemView>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHeaderView>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QStyleOption>

namespace {

// Why the control's caption is cut, or nothing. A push button's text has the room inside its frame
// and beside its icon (a single "&" marks the mnemonic and is not drawn); other captions need the
// width their style asks for.
QString clipped(const QWidget& widget) {
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    const auto* label = qobject_cast<const QLabel*>(&widget);
    const auto* box = qobject_cast<const QGroupBox*>(&widget);
    const QString text = button ? button->text() : label ? label->text() : box ? box->title() : QString();
    int needed = widget.minimumSizeHint().width();
    int room = widget.width();
    if (const auto* push = qobject_cast<const QPushButton*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(push);
        option.text = text;
        needed = widget.fontMetrics().horizontalAdvance(QString(text).remove(u'&'));
        room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width() -
               (push->icon().isNull() ? 0 : push->iconSize().width() + 4);
    }
    // A control that reaches past its parent's right edge is cut there.
    if (!widget.isWindow() && widget.parentWidget())
        room -= std::max(0, widget.geometry().right() - widget.parentWidget()->rect().right());
    if (text.isEmpty() || needed <= room)
        return {};
    return u"%1/%2 \"%3\": %4 px needed in %5 px"_s.arg(widget.parentWidget()->objectName(), widget.objectName(), text)
        .arg(needed)
        .arg(room);
}

QString accessibleText(QWidget* widget, QAccessible::Text which) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(which).trimmed() : QString();
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
        if (isInteractive(widget) && accessibleText(widget, QAccessible::Name).isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName() +
                           u" in "_s + (widget->parentWidget() ? widget->parentWidget()->objectName() : QString());
    }
    return unnamed;
}

} // namespace

class EveryWindowTest : public MainWindowTest<TestPlatform> {
protected:
    // Opens every window of both programs, and gives both main windows. The main window holds every
    // other window of its program: the chooser, the browser, a hot-list window, the bars, the
    // password dialog with all three frames, the progress window.
    QList<QWidget*> openEveryWindow() {
        openWindow(m_dialogs);
        triggerAction(u"NewList"_s);
        window().passwordDialog().showPasswordDialog();
        new ProgressWindow(window(), window().state(), m_dialogs);
        m_generator = std::make_unique<GeneratorWindow>();
        m_generator->show();
        return {&window(), m_generator.get()};
    }

    std::unique_ptr<GeneratorWindow> m_generator;
};
using CaptionsTest = EveryWindowTest;
using AccessibilityTest = EveryWindowTest;

TEST_F(CaptionsTest, NoCaptionIsCutInAnyWindowAtTheDefaultFontOrOnePointLarger) {
    const QFont defaultFont = QApplication::font();
    const auto restore = qScopeGuard([&defaultFont] { QApplication::setFont(defaultFont); });
    for (const qreal extraPoints : {0.0, 1.0}) {
        SCOPED_TRACE(extraPoints);
        // Windows made now take the larger font as they would from the desktop.
        QFont font = defaultFont;
        ASSERT_GT(font.pointSizeF(), 0);
        font.setPointSizeF(font.pointSizeF() + extraPoints);
        QApplication::setFont(font);
        for (QWidget* root : openEveryWindow()) {
            QStringList problems;
            for (QWidget* widget : root->findChildren<QWidget*>() + QList<QWidget*>{root}) {
                widget->ensurePolished();
                problems << clipped(*widget);
            }
            problems.removeAll(QString());
            EXPECT_TRUE(problems.isEmpty()) << qPrintable(problems.join(u'\n'));
        }
    }
}

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasAnAccessibleName) {
    for (QWidget* root : openEveryWindow()) {
        const QStringList unnamed = unnamedControls(*root);
        EXPECT_TRUE(unnamed.isEmpty()) << qPrintable(unnamed.join(u'\n'));
    }
}
// A status pane's name follows its text and always says which pane it is, even while it is empty.
TEST_F(AccessibilityTest, StatusPanesNameWhatTheyShow) {
    statline::UserControl1& bar = window().statusLine();
    bar.setLab1(QString());
    bar.setLab5(u"3"_s);
    EXPECT_EQ(accessibleText(bar.findChild<QWidget*>(u"Label1"_s), QAccessible::Name), u"Hint"_s);
    EXPECT_EQ(accessibleText(bar.findChild<QWidget*>(u"Label5"_s), QAccessible::Name), u"Files in Folder: 3"_s);
}
