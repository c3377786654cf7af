/*
 * Tests of the status-bar control: property writes and the bag, and the outer frame's resize rule.
 */
#include "controls/statline/statline.h"

#include "common/propertybag.h"

#include <QtTest/QSignalSpy>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;
using statline::UserControl1;

TEST(StatlineTest, WritesShowAreReportedOnceAndRoundTripStoringOnlyNonDefaults) {
    UserControl1 control;
    const QString hint = u"Drag and drop files to your list "_s.repeated(5); // longer than its pane, kept whole
    const QByteArray names[] = {"lab1", "lab3", "lab5", "lab6", "Alignment", "Enabled", "ScaleWidth"};
    const QVariantList values{hint, u"File Size : 12 K"_s, u"37"_s, u"12"_s, qint16(2), true, 9300.0f};
    QSignalSpy changes(&control, &UserControl1::propertyChanged);
    for (int i = 0; i < values.size(); ++i)
        ASSERT_TRUE(control.setProperty(names[i], values[i]));
    EXPECT_EQ(changes.size(), values.size()) << "each write is reported once";
    for (int i = 0; i < 4; ++i) // lab1 shows in Label1 and so on
        EXPECT_EQ(control.findChild<QLabel*>(u"Label"_s + QChar::fromLatin1(names[i].back()))->text(), values[i]);
    control.setEnabledFlag(false); // back to its default: only kept, and not stored
    EXPECT_TRUE(control.isEnabled());
    PropertyBag bag;
    control.writeProperties(bag);
    EXPECT_EQ(bag.values().keys().join(u' '), u"Alignment ScaleWidth lab1 lab3 lab5 lab6"_s);
    UserControl1 restored;
    restored.setEnabledFlag(true); // a value missing from the bag goes back to its default
    restored.readProperties(bag);
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(restored.property(names[i]), names[i] == "Enabled" ? QVariant(false) : values[i]) << names[i].data();
}

// Only the outer frame stretches, to the interior less 20 scale units (twips until a scale is written).
TEST(StatlineTest, WideningStretchesOnlyTheOuterFrame) {
    for (const std::optional<float> written : {std::optional<float>(), {9300}, {0}, {10}, {float(qQNaN())}}) {
        SCOPED_TRACE(written.value_or(-1));
        UserControl1 control;
        if (written)
            control.setScaleWidth(*written);
        control.show(); // a hidden control hears of no resize
        auto* frame = control.findChild<QFrame*>(u"Frame2"_s);
        QMap<QWidget*, QRect> before;
        for (QWidget* child : control.findChildren<QWidget*>())
            before.insert(child, child->geometry());
        control.resize(1400, 33); // 495 twips high
        const float scale = control.scaleWidth();
        if (scale >= 20) { // within half a pixel
            EXPECT_EQ(scale, written.value_or(21000.0f));
            EXPECT_NEAR(frame->width() * scale / 1400, scale - 20, scale / 1400 / 2);
            frame->resize(before[frame].width(), frame->height()); // its width aside, nothing moves
        }
        for (QWidget* child : control.findChildren<QWidget*>())
            EXPECT_EQ(child->geometry(), before[child]) << qPrintable(child->objectName());
        control.setScaleWidth(4650); // a scale written later applies at once
        EXPECT_NEAR(frame->width() * 4650.0 / 1400, 4650 - 20, 4650.0 / 1400 / 2);
    }
}
