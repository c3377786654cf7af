/*
 * Tests of the status-bar control: what its panes show, how the outer frame follows the
 * control's width, and how the properties are kept in a property bag.
 */
#include "statline.h"

#include "propertybag.h"
#include "twips.h"

#include <QtGui/QPainter>
#include <QtTest/QSignalSpy>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using statline::UserControl1;

namespace {

QString text(const UserControl1& control, const QString& label) {
    return control.findChild<QLabel*>(label)->text();
}

QRect placeIn(const UserControl1& control, const QString& name) {
    const auto* child = control.findChild<QWidget*>(name);
    return QRect(child->mapTo(&control, QPoint()), child->size());
}

// The control as drawn, with one child's area painted over so that only the rest is compared.
QImage drawnAround(UserControl1& control, const QString& childName) {
    QImage image = control.grab().toImage();
    QPainter(&image).fillRect(placeIn(control, childName), Qt::magenta);
    return image;
}

} // namespace

TEST(StatlineTest, NewOrRestoredWithoutTextsShowsTheDesign) {
    for (const bool restored : {false, true}) {
        SCOPED_TRACE(restored);
        UserControl1 control;
        if (restored) // as the main window stores its instance
            control.readProperties(PropertyBag({{u"ScaleWidth"_s, 9300.0f}}));
        const QStringList texts{u""_s, u"File Size :"_s, u"Files in Folder : "_s, u"0"_s, u"Files in List :"_s, u"0"_s};
        EXPECT_EQ((QStringList{text(control, u"Label1"_s), text(control, u"Label3"_s), text(control, u"Label4"_s),
                               text(control, u"Label5"_s), text(control, u"Label7"_s), text(control, u"Label6"_s)}),
                  texts);
        for (const QString& name : {u"Label4"_s, u"Label7"_s}) { // the fixed captions show whole
            const auto* caption = control.findChild<QLabel*>(name);
            EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text().trimmed()), caption->width());
        }
        // The list count sits right after its caption (the design lets them touch).
        EXPECT_NEAR(placeIn(control, u"Label6"_s).left(), placeIn(control, u"Label7"_s).right(), 1);
        EXPECT_EQ(control.scaleWidth(), restored ? 9300.0f : 10635.0f);
    }
}

TEST(StatlineTest, EveryWriteTakesEffectAndIsReportedOnce) {
    const struct {
        const char* property;
        QString label;
        QVariant value;
    } cases[] = {
        {"lab1", u"Label1"_s, u"Select drive"_s},
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
        QSignalSpy changes(&control, &UserControl1::propertyChanged);
        ASSERT_TRUE(control.setProperty(c.property, c.value));
        EXPECT_EQ(control.property(c.property), c.value);
        EXPECT_EQ(changes, QList<QVariantList>{{QString::fromLatin1(c.property)}});
        if (!c.label.isEmpty()) {
            EXPECT_EQ(text(control, c.label), c.value.toString());
        }
    }
}

TEST(StatlineTest, LongHintIsCutOffInsideItsPane) {
    UserControl1 control;
    const QRect place = placeIn(control, u"Label1"_s);
    const QImage emptyPane = control.findChild<QLabel*>(u"Label1"_s)->grab().toImage();
    const QImage around = drawnAround(control, u"Label1"_s);

    const QString hint = u"Drag and drop files to your list "_s.repeated(5);
    control.setLab1(hint);
    EXPECT_EQ(control.lab1(), hint);
    EXPECT_EQ(placeIn(control, u"Label1"_s), place);
    EXPECT_NE(control.findChild<QLabel*>(u"Label1"_s)->grab().toImage(), emptyPane);
    EXPECT_EQ(drawnAround(control, u"Label1"_s), around);
}

TEST(StatlineTest, EnabledChangesNothingVisibleOrBehavioural) {
    UserControl1 control;
    const QImage drawn = control.grab().toImage();
    for (const bool value : {true, false}) {
        control.setEnabledFlag(value);
        EXPECT_EQ(control.grab().toImage(), drawn);
    }
    EXPECT_FALSE(control.enabledFlag());
    EXPECT_TRUE(control.isEnabled());
    for (const auto* child : control.findChildren<QWidget*>())
        EXPECT_TRUE(child->isEnabled());
}

TEST(StatlineTest, WideningStretchesOnlyTheOuterFrame) {
    for (const bool customScale : {true, false}) {
        SCOPED_TRACE(customScale);
        UserControl1 control;
        if (customScale)
            control.setScaleWidth(9300);
        control.show();
        const auto* frame = control.findChild<QFrame*>(u"Frame2"_s);
        const QPoint corner = frame->pos();
        QMap<QString, QRect> places;
        for (const auto* child : frame->findChildren<QWidget*>())
            places.insert(child->objectName(), placeIn(control, child->objectName()));

        control.resize(1400, twips::toPixels(495));
        const float scale = control.scaleWidth();
        EXPECT_EQ(scale, customScale ? 9300.0f : float(twips::fromPixels(1400)));
        EXPECT_NEAR(frame->width() * scale / 1400, scale - 20, scale / 1400 / 2);
        EXPECT_EQ(frame->pos(), corner);
        for (const auto& [name, place] : places.asKeyValueRange())
            EXPECT_EQ(placeIn(control, name), place) << name.toStdString();

        control.setScaleWidth(4650); // a new scale applies at once
        EXPECT_NEAR(frame->width() * 4650.0 / 1400, 4650 - 20, 4650.0 / 1400 / 2);
    }
}

TEST(StatlineTest, ScaleWithoutRoomForTheFrameLeavesItAlone) {
    for (const float scale : {0.0f, -9300.0f, 10.0f, float(qQNaN())}) {
        SCOPED_TRACE(scale);
        UserControl1 control;
        control.show();
        const int frameWidth = control.findChild<QFrame*>(u"Frame2"_s)->width();
        control.setScaleWidth(scale);
        control.resize(1400, twips::toPixels(495));
        EXPECT_EQ(control.findChild<QFrame*>(u"Frame2"_s)->width(), frameWidth);
    }
}

TEST(StatlineTest, PropertiesRoundTripStoringOnlyWhatDiffersFromTheDefaults) {
    PropertyBag untouched;
    UserControl1().writeProperties(untouched);
    EXPECT_TRUE(untouched.values().isEmpty());

    UserControl1 control;
    control.setLab1(u"Select drive"_s);
    control.setLab6(u"12"_s);
    control.setAlignment(2);
    control.setEnabledFlag(true);
    control.setScaleWidth(9300);
    PropertyBag bag;
    control.writeProperties(bag);
    EXPECT_EQ(bag.values().keys(), (QStringList{u"Alignment"_s, u"Enabled"_s, u"ScaleWidth"_s, u"lab1"_s, u"lab6"_s}));

    UserControl1 restored;
    restored.setLab3(u"stale"_s); // a value missing from the bag goes back to its default
    restored.readProperties(bag);
    for (const char* name : {"lab3", "lab1", "lab5", "lab6", "Alignment", "Enabled", "ScaleWidth"})
        EXPECT_EQ(restored.property(name), control.property(name)) << name;
}
