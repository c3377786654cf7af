/*
 * Captions of every window of both programs fit their controls and lie clear of the other
 * controls, at the windows' own fonts and at one point larger; and the walker that measures them
 * does find a cut or a covered caption. The program runs
 * these cases a second time at a scale factor of 2, where the icons must also stay sharp.
 */
#include "app/crypt/progresswindow.h"
#include "generate/generatewindow.h"
#include "tests/support/captionwalker.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/testplatform.h"

#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QToolButton>

// Puts a control into the window under a name, at a place.
static void add(QWidget& window, QWidget* control, const QString& name, QRect geometry) {
    control->setParent(&window);
    control->setObjectName(name);
    control->setGeometry(geometry);
}

TEST(CaptionWalker, FindsTextsWiderThanTheirControls) {
    QWidget window;
    const QString text = u"Verify new Password"_s;
    const int width = QFontMetrics(window.font()).horizontalAdvance(text);
    // Each control once too narrow by a few pixels and once with room to spare.
    for (const auto& [suffix, room] : {std::pair{u"Cut"_s, width - 3}, std::pair{u"Fits"_s, width + 80}}) {
        add(window, new QLabel(text), u"label"_s + suffix, {0, 0, room, 30});
        add(window, new QPushButton(u"&"_s + text), u"button"_s + suffix, {0, 0, room, 30});
        add(window, new QCheckBox(text), u"check"_s + suffix, {0, 0, room, 30});
        add(window, new QRadioButton(text), u"option"_s + suffix, {0, 0, room, 30});
        add(window, new QGroupBox(text), u"frame"_s + suffix, {0, 0, room, 30});
    }
    // Wide enough itself, but reaching past the window's right edge.
    window.resize(width + 100, 200);
    add(window, new QLabel(text), u"labelOutside"_s, {150, 100, width + 10, 30});
    QStringList cut;
    for (const ClippedCaption& each : clippedCaptions(window)) {
        EXPECT_EQ(each.text, text);
        cut << each.widget;
    }
    EXPECT_EQ(cut.join(u' ').toStdString(), "labelCut buttonCut checkCut optionCut frameCut labelOutside");
    // Room to spare at the default font can be too little one point larger.
    auto* roomy = window.findChild<QLabel*>(u"labelFits"_s);
    roomy->setFixedWidth(width + 1);
    EXPECT_EQ(clippedCaptions(*roomy).size(), 0);
    const LargerFont larger(1);
    QLabel later(text);
    later.setFixedWidth(width + 1);
    EXPECT_EQ(clippedCaptions(later).size(), 1);
}

TEST(CaptionWalker, FindsTextsUnderOrOverOtherControls) {
    QWidget window;
    window.resize(400, 300);
    const QString text = u"Password :"_s;
    const int width = QFontMetrics(window.font()).horizontalAdvance(text);
    // Labels twice as wide as their text; a field on the text's last pixels, made after the label
    // or before it, and one on the label's empty half.
    add(window, new QLabel(text), u"under"_s, {10, 0, 2 * width, 20});
    add(window, new QLineEdit, u"underField"_s, {10 + width - 2, 0, 40, 20});
    add(window, new QLineEdit, u"overField"_s, {10 + width - 2, 40, 40, 20});
    add(window, new QLabel(text), u"over"_s, {10, 40, 2 * width, 20});
    add(window, new QLabel(text), u"emptyHalf"_s, {10, 80, 2 * width, 20});
    add(window, new QLineEdit, u"emptyHalfField"_s, {10 + width + 2, 80, 40, 20});
    // A check box's text starts after its indicator; a frame made first shows through its inside.
    add(window, new QCheckBox(text), u"check"_s, {10, 120, 2 * width + 30, 20});
    add(window, new QLineEdit, u"onIndicator"_s, {12, 120, 12, 20});
    add(window, new QGroupBox, u"frame"_s, {100, 160, 2 * width, 80});
    add(window, new QLabel(text), u"inFrame"_s, {120, 190, width + 4, 20});
    add(window, new QLabel(text), u"onBorder"_s, {90, 230, width + 4, 20});
    QStringList found;
    for (const CoveredCaption& each : coveredCaptions(window)) {
        EXPECT_EQ(each.text, text);
        found << each.widget + u'/' + each.coveredBy;
    }
    EXPECT_EQ(found.join(u' ').toStdString(), "under/underField over/overField onBorder/frame");
}

class CaptionsTest : public MainWindowTest<TestPlatform> {};

TEST_F(CaptionsTest, NoCaptionIsCutOrCoveredInAnyWindowAtTheDefaultFontOrOnePointLarger) {
    for (const qreal extraPoints : {0.0, 1.0}) {
        SCOPED_TRACE(extraPoints);
        const LargerFont larger(extraPoints);
        openWindow(m_dialogs);
        // The main window holds every other window of its program: the chooser, the browser, a
        // hot-list window, the bars, the password dialog with all three frames, the progress window.
        triggerAction(u"NewList"_s);
        window().passwordDialog().showPasswordDialog();
        new ProgressWindow(window(), window().state(), m_dialogs);
        GeneratorWindow generator;
        generator.show();
        for (const QWidget* root : {static_cast<QWidget*>(&window()), static_cast<QWidget*>(&generator)}) {
            const QList<ClippedCaption> cut = clippedCaptions(*root);
            EXPECT_TRUE(cut.isEmpty()) << qPrintable(describe(cut));
            const QList<CoveredCaption> covered = coveredCaptions(*root);
            EXPECT_TRUE(covered.isEmpty()) << qPrintable(describe(covered));
        }
    }
}

TEST_F(CaptionsTest, IconsAreDrawnAtTheScreensPixelRatio) {
    // A picture scaled up from a smaller one is blurred: every icon gives a pixmap of the full
    // pixel size at twice the density, and at the density of the screen the window is on.
    GeneratorWindow generator;
    struct Icon {
        QString name;
        QIcon icon;
        QSize size;
    };
    QList<Icon> icons{{u"main window"_s, window().windowIcon(), QSize(32, 32)},
                      {u"generator"_s, generator.windowIcon(), QSize(32, 32)}};
    for (const QToolButton* button : window().toolPanel().findChildren<QToolButton*>())
        icons.append({button->objectName(), button->icon(), button->iconSize()});
    ASSERT_EQ(icons.size(), 17);
    const qreal screenRatio = window().devicePixelRatioF();
    for (const Icon& each : icons) {
        SCOPED_TRACE(qPrintable(each.name));
        for (const qreal ratio : {2.0, screenRatio}) {
            const QPixmap pixmap = each.icon.pixmap(each.size, ratio);
            EXPECT_EQ(pixmap.size(), each.size * ratio);
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
        }
    }
}
