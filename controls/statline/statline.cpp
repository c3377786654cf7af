/*
 * The status-bar control's panes and dividers, the outer frame that follows the control's width,
 * and the persistence of its properties.
 */
#include "controls/statline/statline.h"

#include "common/propertybag.h"
#include "common/twips.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QFrame>
#include <QtWidgets/QLabel>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace statline {

namespace {

constexpr float kDesignWidth = 10635;
constexpr float kDesignHeight = 630;
const QString kSizePaneText = u"File Size :"_s;
const QString kCountPaneText = u"0"_s;
constexpr qreal kSmallestPointSize = 6;

struct StoredProperty {
    const char* name;
    QVariant defaultValue;
};

// The stored properties in the order they are restored and saved, each with the value a new
// control has, which need not be stored.
const QList<StoredProperty>& storedProperties() {
    static const QList<StoredProperty> properties{
        {"lab3", kSizePaneText},
        {"lab1", QString()},
        {"lab5", kCountPaneText},
        {"lab6", kCountPaneText},
        {"Alignment", QVariant::fromValue<qint16>(0)},
        {"Enabled", false},
        {"ScaleWidth", kDesignWidth},
    };
    return properties;
}

// Outer frame and dividers are etched lines.
QFrame* makeFrame(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(geometry);
    return frame;
}

// Panes and captions hold plain text in one line; what does not fit is cut off at the right.
QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& geometry, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

// A screen reader reads a pane by its name: the pane's caption with its text, so that an empty
// pane and a bare number still say what they are.
const char* const kPaneCaption = "paneCaption";

void nameForReader(QLabel* pane) {
    const QString caption = pane->property(kPaneCaption).toString();
    const QString text = pane->text().trimmed();
    if (text.isEmpty() || text.startsWith(caption))
        pane->setAccessibleName(text.isEmpty() ? caption : text);
    else
        pane->setAccessibleName(caption + u": "_s + text);
}

// The captions' places were measured in a narrower font than desktops use today: the font shrinks,
// half a point at a time, until the fixed captions fit.
QFont fontFittingCaptions(QFont font, std::initializer_list<const QLabel*> captions) {
    const auto fits = [&font, captions] {
        const QFontMetrics metrics(font);
        return std::ranges::all_of(captions, [&metrics](const QLabel* caption) {
            return metrics.horizontalAdvance(caption->text().trimmed()) <= caption->width();
        });
    };
    while (!fits() && font.pointSizeF() > kSmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    return font;
}

} // namespace

UserControl1::UserControl1(QWidget* parent)
    : QWidget(parent) {
    setObjectName(u"UserControl1"_s);

    // The outer frame's top border lies above the control. Everything else lies inside the frame,
    // which cuts the tall dividers off at its lower edge.
    m_panel = makeFrame(this, u"Frame2"_s, twips::rect(0, -60, 10575, 615));
    m_hintLabel = makeLabel(m_panel, u"Label1"_s, twips::rect(120, 240, 3615, 255), QString());
    makeFrame(m_panel, u"Frame3"_s, twips::rect(3720, 0, 80, 4000));
    m_sizeLabel = makeLabel(m_panel, u"Label3"_s, twips::rect(3840, 240, 1815, 255), kSizePaneText);
    makeFrame(m_panel, u"Frame4"_s, twips::rect(5640, 0, 80, 4000));
    const QLabel* folderCaption =
        makeLabel(m_panel, u"Label4"_s, twips::rect(5760, 240, 1095, 255), u"Files in Folder : "_s);
    m_folderCountLabel = makeLabel(m_panel, u"Label5"_s, twips::rect(6840, 240, 1095, 255), kCountPaneText);
    makeFrame(m_panel, u"Frame5"_s, twips::rect(7920, 0, 80, 4000));
    const QLabel* listCaption = makeLabel(m_panel, u"Label7"_s, twips::rect(8040, 240, 975, 255), u"Files in List :"_s);
    m_listCountLabel = makeLabel(m_panel, u"Label6"_s, twips::rect(9000, 240, 855, 255), kCountPaneText);

    const auto describe = [](QLabel* pane, const QString& caption, const QString& description) {
        pane->setProperty(kPaneCaption, caption);
        pane->setAccessibleDescription(description);
        nameForReader(pane);
    };
    describe(m_hintLabel, u"Hint"_s, u"A hint for the control under the pointer"_s);
    describe(m_sizeLabel, u"File Size"_s, u"The size of the file last clicked"_s);
    describe(m_folderCountLabel, u"Files in Folder"_s, u"The number of files in the folder shown"_s);
    describe(m_listCountLabel, u"Files in List"_s, u"The number of files in the list last worked in"_s);

    setFont(fontFittingCaptions(font(), {folderCaption, listCaption}));
    resize(sizeHint());
}

QString UserControl1::lab3() const {
    return m_sizeLabel->text();
}
void UserControl1::setLab3(const QString& text) {
    setPaneText(m_sizeLabel, text, u"lab3"_s);
}
QString UserControl1::lab1() const {
    return m_hintLabel->text();
}
void UserControl1::setLab1(const QString& text) {
    setPaneText(m_hintLabel, text, u"lab1"_s);
}
QString UserControl1::lab5() const {
    return m_folderCountLabel->text();
}
void UserControl1::setLab5(const QString& text) {
    setPaneText(m_folderCountLabel, text, u"lab5"_s);
}
QString UserControl1::lab6() const {
    return m_listCountLabel->text();
}
void UserControl1::setLab6(const QString& text) {
    setPaneText(m_listCountLabel, text, u"lab6"_s);
}

void UserControl1::setPaneText(QLabel* pane, const QString& text, const QString& property) {
    pane->setText(text);
    nameForReader(pane);
    emit propertyChanged(property);
}

void UserControl1::setAlignment(qint16 value) {
    m_alignment = value;
    emit propertyChanged(u"Alignment"_s);
}

void UserControl1::setEnabledFlag(bool value) {
    m_enabled = value;
    emit propertyChanged(u"Enabled"_s);
}

float UserControl1::scaleWidth() const {
    return m_customScale ? m_scaleWidth : float(twips::fromPixels(width()));
}

void UserControl1::setScaleWidth(float value) {
    m_scaleWidth = value;
    m_customScale = true;
    fitFrameToWidth();
    emit propertyChanged(u"ScaleWidth"_s);
}

void UserControl1::readProperties(const PropertyBag& bag) {
    // A stored value of a type that does not convert is passed over; the property keeps its value.
    for (const auto& [name, defaultValue] : storedProperties())
        setProperty(name, bag.read(QString::fromLatin1(name), defaultValue));
}

void UserControl1::writeProperties(PropertyBag& bag) const {
    for (const auto& [name, defaultValue] : storedProperties())
        bag.write(QString::fromLatin1(name), property(name), defaultValue);
}

QSize UserControl1::sizeHint() const {
    return twips::size(kDesignWidth, kDesignHeight);
}

void UserControl1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitFrameToWidth();
}

// The outer frame spans the interior less 20 scale units; the panes keep their places. A scale
// that leaves no room for that (zero, negative, under 20 units, not a number) is passed over and
// the frame keeps its width.
void UserControl1::fitFrameToWidth() {
    const double units = scaleWidth();
    if (!std::isfinite(units) || units < 20)
        return;
    m_panel->resize(qRound(width() * (units - 20) / units), m_panel->height());
}

} // namespace statline
