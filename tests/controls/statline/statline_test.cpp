/*
 * Tests of the status-bar control: what its panes show, how the outer frame follows the
 * control's width, and how the properties are kept in a property bag.
 */
#include "statline.h"

#include "propertybag.h"
#include "twips.h"

#include <QtTest/QSignalSpy>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;
using statline::UserControl1;

namespace {

QLabel* label(const UserControl1& control, const QString& name) {
    return control.findChild<QLabel*>(name);
}

} // namespace

TEST(StatlineTest, NewControlShowsTheDesignTextsWithItsCaptionsWhole) {
    UserControl1 control;
    QStringList texts;
    for (const QString& name : {u"Label1"_s, u"Label3"_s, u"Label4"_s, u"Label5"_s, u"Label7"_s, u"Label6"_s})
        texts << label(control, name)->text();
    EXPECT_EQ(texts,
              (QStringList{u""_s, u"File Size :"_s, u"Files in Folder : "_s, u"0"_s, u"Files in List :"_s, u"0"_s}));
    for (const QLabel* caption : {label(control, u"Label4"_s), label(control, u"Label7"_s)})
        EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text().trimmed()), caption->width());
}

TEST(StatlineTest, EveryWriteTakesEffectAndIsReportedOnce) {
    const struct {
        const char* property;
        QString label;
        QVariant value;
    } cases[] = {
        // A hint longer than its pane is cut off there: the pane keeps its place.
        {"lab1", u"Label1"_s, u"Drag and drop files to your list "_s.repeated(5)},
        {"lab3", u"Label3"_s, u"File Size : 12 K"_s},
        {"lab5", u"Label5"_s, u"37"_s},
        {"lab6", u"Label6"_s, u"12"_s},
        {"Alignment", {}, QVariant::fromValue<qint16>(2)},
        {"Enabled", {}, true},
        {"ScaleWidth", {}, 9300.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.property);
        UserControl1 control;
        const QRect place = c.label.isEmpty() ? QRect() : label(control, c.label)->geometry();
        QSignalSpy changes(&control, &UserControl1::propertyChanged);
        ASSERT_TRUE(control.setProperty(c.property, c.value));
        EXPECT_EQ(control.property(c.property), c.value);
        EXPECT_EQ(changes, QList<QVariantList>{{QString::fromLatin1(c.property)}});
        if (!c.label.isEmpty()) {
            EXPECT_EQ(label(control, c.label)->text(), c.value.toString());
            EXPECT_EQ(label(control, c.label)->geometry(), place);
        }
    }
}

TEST(StatlineTest, EnabledIsOnlyKept) {
    UserControl1 control;
    control.setEnabledFlag(true);
    control.setEnabledFlag(false);
    EXPECT_FALSE(control.enabledFlag());
    EXPECT_TRUE(control.isEnabled()) << "the flag changes nothing in the drawing or the behaviour";
}

// Resizing stretches only the outer frame, to the interior less 20 scale units. Until a scale is
// written the scale is the width in twips; a scale without room for the frame leaves it alone.
TEST(StatlineTest, WideningStretchesOnlyTheOuterFrame) {
    const std::optional<float> written[] = {std::nullopt, 9300.0f, 0.0f, -9300.0f, 10.0f, float(qQNaN())};
    for (const std::optional<float>& scaleWidth : written) {
        SCOPED_TRACE(scaleWidth.value_or(-1));
        UserControl1 control;
        if (scaleWidth)
            control.setScaleWidth(*scaleWidth);
        control.show(); // a hidden control hears of no resize
        const auto* frame = control.findChild<QFrame*>(u"Frame2"_s);
        const auto places = [&control, frame] { // every child's geometry, the frame's without its width
            QMap<QString, QRect> places;
            for (const auto* child : control.findChildren<QWidget*>())
                places.insert(child->objectName(),
                              child == frame ? QRect(frame->pos(), QSize(1, frame->height())) : child->geometry());
            return places;
        };
        const QMap<QString, QRect> before = places();
        const int frameWidth = frame->width();

        control.resize(1400, twips::toPixels(495));
        EXPECT_EQ(places(), before);
        const float scale = control.scaleWidth();
        if (scale >= 20) { // within half a pixel
            EXPECT_EQ(scale, scaleWidth.value_or(float(twips::fromPixels(1400))));
            EXPECT_NEAR(frame->width() * scale / 1400, scale - 20, scale / 1400 / 2);
        } else {
            EXPECT_EQ(frame->width(), frameWidth);
        }
        control.setScaleWidth(4650); // a scale written later applies at once
        EXPECT_NEAR(frame->width() * 4650.0 / 1400, 4650 - 20, 4650.0 / 1400 / 2);
    }
}

TEST(StatlineTest, PropertiesRoundTripStoringOnlyWhatDiffersFromTheDefaults) {
    PropertyBag bag;
    UserControl1 control;
    control.writeProperties(bag);
    EXPECT_TRUE(bag.values().isEmpty()) << "a new control stores nothing";

    control.setLab1(u"Select drive"_s);
    control.setLab6(u"12"_s);
    control.setAlignment(2);
    control.setEnabledFlag(true);
    control.setScaleWidth(9300);
    control.writeProperties(bag);
    EXPECT_EQ(bag.values().keys(), (QStringList{u"Alignment"_s, u"Enabled"_s, u"ScaleWidth"_s, u"lab1"_s, u"lab6"_s}));

    UserControl1 restored;
    restored.setLab3(u"stale"_s); // a value missing from the bag goes back to its default
    restored.readProperties(bag);
    for (const char* name : {"lab3", "lab1", "lab5", "lab6", "Alignment", "Enabled", "ScaleWidth"})
        EXPECT_EQ(restored.property(name), control.property(name)) << name;
}
