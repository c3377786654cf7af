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
