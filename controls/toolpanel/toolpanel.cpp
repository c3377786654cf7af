/*
 * The tool-bar control's layout, its properties and their persistence. Positions are those of
 * the window design, in twips; the control has no resize handling, so a narrow container cuts
 * off the rightmost buttons.
 */
#include "controls/toolpanel/toolpanel.h"

#include "common/propertybag.h"
#include "common/twips.h"
#include "controls/toolpanel/statebutton.h"

#include <QtWidgets/QGroupBox>

#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace OrloTool {

namespace {

using ClickEvent = void (UserControl1::*)();
using PressEvent = void (UserControl1::*)(short, short, float, float);

struct ButtonDesign {
    QStringView name;
    int left;
    int top;
    QStringView toolTip;
    QStringView icon;
    int mm;           // the state property MMn of a toggle button, 0 for a push button
    ClickEvent click; // raised by a push button's click, or an attribute toggle's state change
    PressEvent press; // raised by the press on LevelTool and the view buttons
};

// In tab order: creating the buttons in this order makes their focus chain.
constexpr ButtonDesign kButtons[] = {
    {u"EncTool", 120, 150, u"Encrypt Chosen File List", u"encrypt", 0, &UserControl1::C15, nullptr},
    {u"EditTool", 750, 150, u"Edit Password", u"editpassword", 0, &UserControl1::C11, nullptr},
    {u"PerTool", 1380, 150, u"Edit Master Password", u"masterpassword", 0, &UserControl1::C12, nullptr},
    {u"HintTool", 2010, 150, u"Password Hint", u"hint", 0, &UserControl1::C13, nullptr},
    {u"LevelTool", 2640, 150, u"Change Security Level", u"level", 10, nullptr, &UserControl1::C10},
    {u"ArchiveTool", 3270, 150, u"Change Archive Attribute", u"archive", 1, &UserControl1::C1, nullptr},
    {u"HiddenTool", 3900, 150, u"Change Hidden Attribute", u"hidden", 2, &UserControl1::C2, nullptr},
    {u"ReadTool", 4520, 150, u"Change Read-only Attribute", u"readonly", 3, &UserControl1::C3, nullptr},
    {u"SysTool", 5150, 150, u"Change System Attribute", u"system", 4, &UserControl1::C4, nullptr},
    {u"DecTool", 5770, 150, u"Decrypt Chosen File List", u"decrypt", 0, &UserControl1::C14, nullptr},
    {u"ViewATool", 6420, 150, u"View Archive Files", u"viewarchive", 5, nullptr, &UserControl1::C5},
    {u"ViewNTool", 7070, 120, u"View Normal Files", u"viewnormal", 7, nullptr, &UserControl1::C7},
    {u"ViewHTool", 7690, 150, u"View Hidden Files", u"viewhidden", 6, nullptr, &UserControl1::C6},
    {u"ViewRTool", 8330, 150, u"View Read-only Files", u"viewreadonly", 8, nullptr, &UserControl1::C8},
    {u"ViewSTool", 8980, 150, u"View System Files", u"viewsystem", 9, nullptr, &UserControl1::C9},
};

constexpr int kButtonWidth = 630;
constexpr int kButtonHeight = 640;

// The view buttons start down, every other toggle up.
qint16 defaultState(int mm) {
    return mm >= 5 && mm <= 9 ? 1 : 0;
}

QString stateName(int mm) {
    return u"MM"_s + QString::number(mm);
}

// A stored value that is no 16-bit integer is refused with a warning, keeping the current value.
std::optional<qint16> readInt16(const PropertyBag& bag, const QString& name, qint16 defaultValue) {
    bool ok = false;
    const int value = bag.read(name, defaultValue).toInt(&ok);
    if (ok && value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max())
        return qint16(value);
    qWarning("%ls: stored value refused, it is no 16-bit integer", qUtf16Printable(name));
    return std::nullopt;
}

} // namespace

UserControl1::UserControl1(QWidget* parent)
    : QWidget(parent) {
    resize(sizeHint());
    // The frame's top border lies above the control, out of sight.
    auto* frame = new QGroupBox(this);
    frame->setObjectName(u"Frame1"_s);
    frame->setGeometry(twips::rect(0, -40, 12015, 880));

    for (const ButtonDesign& design : kButtons) {
        QToolButton* button;
        if (design.mm == 0) {
            button = new QToolButton(frame);
            connect(button, &QToolButton::clicked, this, design.click);
        } else {
            auto* toggle = new StateButton(
                design.press ? StateButton::Report::MousePress : StateButton::Report::StateChange, frame);
            toggle->setState(defaultState(design.mm));
            if (design.press) {
                connect(toggle, &StateButton::mousePressed, this, design.press);
            } else {
                connect(toggle, &StateButton::clickRequested, this,
                        [this, mm = short(design.mm)] { emit attributeClickRequested(mm); });
                connect(toggle, &StateButton::stateChanged, this, design.click);
            }
            m_toggles[design.mm - 1] = toggle;
            button = toggle;
        }
        button->setObjectName(design.name.toString());
        button->setToolTip(design.toolTip.toString());
        // A screen reader names and describes the picture-only buttons by their tool tips.
        button->setAccessibleName(design.toolTip.toString());
        button->setAccessibleDescription(design.toolTip.toString());
        button->setIcon(QIcon(QString(u":/toolpanel/icons/"_s + design.icon + u".svg"_s)));
        button->setIconSize(QSize(32, 32));
        button->setGeometry(twips::rect(design.left, design.top, kButtonWidth, kButtonHeight));
    }
}

QSize UserControl1::sizeHint() const {
    return twips::size(12000, 870);
}

void UserControl1::setAlignment(qint16 value) {
    m_alignment = value;
    emit propertyChanged(u"Alignment"_s);
}

void UserControl1::setEnabledFlag(bool value) {
    setEnabled(value);
    emit propertyChanged(u"Enabled"_s);
}

qint16 UserControl1::state(int mm) const {
    return m_toggles[mm - 1]->state();
}

void UserControl1::writeState(int mm, qint16 value) {
    if (m_toggles[mm - 1]->setState(value))
        emit propertyChanged(stateName(mm));
}

void UserControl1::refuseClick() {
    // Only the button whose press is being reported takes it.
    for (StateButton* toggle : m_toggles)
        toggle->refuseClick();
}

void UserControl1::readProperties(const PropertyBag& bag) {
    if (const auto alignment = readInt16(bag, u"Alignment"_s, 0))
        m_alignment = *alignment;
    setEnabled(bag.read(u"Enabled"_s, true).toBool());
    // MM1 and MM3 come last, so a container sees C2 and C4 before C1 and C3.
    for (const int mm : {2, 4, 5, 6, 7, 8, 9, 10, 1, 3}) {
        if (const auto value = readInt16(bag, stateName(mm), defaultState(mm)))
            m_toggles[mm - 1]->setState(*value);
    }
}

void UserControl1::writeProperties(PropertyBag& bag) const {
    bag.write(u"Alignment"_s, QVariant::fromValue(m_alignment), QVariant::fromValue(qint16(0)));
    // The control's own setting, not a disabled look inherited from a disabled container.
    bag.write(u"Enabled"_s, !testAttribute(Qt::WA_ForceDisabled), true);
    for (int mm = 1; mm <= 10; ++mm)
        bag.write(stateName(mm), QVariant::fromValue(state(mm)), QVariant::fromValue(defaultState(mm)));
}

} // namespace OrloTool
