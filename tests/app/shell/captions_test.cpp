/*
 * Captions of every window of both programs fit their controls, at the windows' own fonts and at
 * one point larger, each control measured as its style draws it. The program runs a second time
 * at a scale factor of 2.
 */
#include "app/crypt/progresswindow.h"
#include "generate/generatewindow.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtCore/QScopeGuard>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QStyleOption>

namespace {

// The text as drawn: "&&" shows one ampersand, a single "&" marks the mnemonic and is not drawn.
QString withoutMnemonic(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

// The widest line of a plain text.
int plainWidth(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

QString pathOf(const QWidget& widget) {
    QString result =
        widget.objectName().isEmpty() ? QString::fromLatin1(widget.metaObject()->className()) : widget.objectName();
    for (const QWidget* up = widget.parentWidget(); up; up = up->parentWidget())
        if (!up->objectName().isEmpty())
            result = up->objectName() + u'/' + result;
    return result;
}

// Why the control's caption is cut, or nothing. A push button's text has the room inside its frame
// and beside its icon; a group box's title runs from where the style puts it to the right edge;
// other captions need the width their style asks for.
QString clipped(const QWidget& widget) {
    const QFontMetrics metrics(widget.font(), &widget);
    QString text;
    int needed = widget.minimumSizeHint().width();
    int room = widget.width();
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = box->alignment();
        text = withoutMnemonic(box->title());
        needed = plainWidth(metrics, text);
        room -= box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box).left();
    } else if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        text = withoutMnemonic(button->text());
        needed = plainWidth(metrics, text);
        room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width() -
               (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
    } else if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        text = label->text();
    } else if (const auto* other = qobject_cast<const QAbstractButton*>(&widget)) {
        text = other->text();
    }
    // A control that reaches past its parent's right edge is cut there.
    if (!widget.isWindow() && widget.parentWidget())
        room -= std::max(0, widget.geometry().right() - widget.parentWidget()->rect().right());
    if (text.isEmpty() || needed <= room)
        return {};
    return u"%1 \"%2\": %3 px needed in %4 px"_s.arg(pathOf(widget), text).arg(needed).arg(room);
}

} // namespace

class CaptionsTest : public MainWindowTest<TestPlatform> {};

TEST_F(CaptionsTest, NoCaptionIsCutInAnyWindowAtTheDefaultFontOrOnePointLarger) {
    const QFont defaultFont = QApplication::font();
    const auto restore = qScopeGuard([&defaultFont] { QApplication::setFont(defaultFont); });
    for (const qreal extraPoints : {0.0, 1.0}) {
        SCOPED_TRACE(extraPoints);
        // Windows made now take the larger font as they would from the desktop.
        QFont font = defaultFont;
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() + extraPoints);
        else
            font.setPixelSize(font.pixelSize() + qRound(extraPoints * 96 / 72.0));
        QApplication::setFont(font);
        openWindow(m_dialogs);
        // The main window holds every other window of its program: the chooser, the browser, a
        // hot-list window, the bars, the password dialog with all three frames, the progress window.
        triggerAction(u"NewList"_s);
        window().passwordDialog().showPasswordDialog();
        new ProgressWindow(window(), window().state(), m_dialogs);
        GeneratorWindow generator;
        generator.show();
        for (QWidget* root : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(&generator)}) {
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
