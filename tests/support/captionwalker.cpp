/*
 * The caption walker: each kind of control measured as its style draws it.
 */
#include "tests/support/captionwalker.h"

#include <QtGui/QFontMetrics>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOption>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

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

QString path(const QWidget& widget, const QWidget& root) {
    QString result =
        widget.objectName().isEmpty() ? QString::fromLatin1(widget.metaObject()->className()) : widget.objectName();
    for (const QWidget* up = widget.parentWidget(); up && up != root.parentWidget(); up = up->parentWidget()) {
        if (!up->objectName().isEmpty())
            result = up->objectName() + u'/' + result;
    }
    return result;
}

struct Measure {
    QString text;
    int textWidth = 0;
    int room = 0;
};

// A label, check box or option button needs the width its style asks for its text; a push
// button's text has the room inside its frame and beside its icon (it asks for more than its text).
std::optional<Measure> measureButtonOrLabel(const QWidget& widget, const QString& text, const QFont& font) {
    if (text.isEmpty())
        return std::nullopt;
    const auto* label = qobject_cast<const QLabel*>(&widget);
    const QString shown = label && !label->buddy() ? text : withoutMnemonic(text);
    const auto* button = qobject_cast<const QPushButton*>(&widget);
    if (!button)
        return Measure{shown, widget.minimumSizeHint().width(), widget.width()};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = text;
    int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    if (!button->icon().isNull())
        room -= button->iconSize().width() + 4;
    return Measure{shown, plainWidth(QFontMetrics(font, button), shown), room};
}

std::optional<Measure> measureGroupBox(const QGroupBox& box, const QFont& font) {
    if (box.title().isEmpty())
        return std::nullopt;
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    option.textAlignment = box.alignment();
    // The title starts where the style puts it and may run up to the box's right edge.
    const QRect label = box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    const QString shown = withoutMnemonic(box.title());
    return Measure{shown, plainWidth(QFontMetrics(font, &box), shown), box.width() - label.left()};
}

struct DrawnText {
    QString text;
    QRect rect; // in the control's own coordinates
};

// Where a label, check box or option button draws its caption; nothing for other controls.
std::optional<DrawnText> drawnText(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        if (label->text().isEmpty())
            return std::nullopt;
        const QString shown = label->buddy() ? withoutMnemonic(label->text()) : label->text();
        const QFontMetrics metrics(label->font(), label);
        const int margin = label->margin();
        const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
        const QSize size(plainWidth(metrics, shown), metrics.height() * int(shown.count(u'\n') + 1));
        return DrawnText{shown, QStyle::alignedRect(label->layoutDirection(), label->alignment(), size, room)};
    }
    const auto* button = qobject_cast<const QAbstractButton*>(&widget);
    const bool check = qobject_cast<const QCheckBox*>(&widget);
    if (!button || button->text().isEmpty() || (!check && !qobject_cast<const QRadioButton*>(&widget)))
        return std::nullopt;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents = button->style()->subElementRect(
        check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, button);
    const QString shown = withoutMnemonic(button->text());
    const QFontMetrics metrics(button->font(), button);
    return DrawnText{shown, QStyle::alignedRect(button->layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter,
                                                QSize(plainWidth(metrics, shown), metrics.height()), contents)};
}

// Whether a control draws anything on the area (in its own coordinates): a caption only where its
// text lies; a bare frame or group box only on its border, its title and its children; any other
// control wherever it lies.
bool occupies(const QWidget& control, const QRect& area) {
    if (control.isHidden() || control.isWindow() || !control.rect().intersects(area))
        return false;
    const auto* label = qobject_cast<const QLabel*>(&control);
    if (control.autoFillBackground() || (label && label->frameShape() != QFrame::NoFrame))
        return true;
    if (const std::optional<DrawnText> drawn = drawnText(control))
        return drawn->rect.intersects(area);
    if (label)
        return false; // an empty caption draws nothing
    QRect inside;
    if (const auto* box = qobject_cast<const QGroupBox*>(&control)) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        inside = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, box);
    } else if (control.metaObject() == &QFrame::staticMetaObject) {
        inside = static_cast<const QFrame&>(control).contentsRect();
    } else {
        return true;
    }
    if (!inside.contains(area))
        return true;
    for (const QObject* object : control.children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (child && occupies(*child, area.translated(-child->pos())))
            return true;
    }
    return false;
}

} // namespace

QList<ClippedCaption> clippedCaptions(const QWidget& root) {
    QList<ClippedCaption> clipped;
    QList<const QWidget*> widgets{&root};
    for (const QWidget* child : root.findChildren<QWidget*>())
        widgets << child;
    for (const QWidget* widget : widgets) {
        const_cast<QWidget*>(widget)->ensurePolished();
        const QFont font = widget->font();
        std::optional<Measure> measure;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            measure = measureButtonOrLabel(*label, label->text(), font);
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            measure = measureButtonOrLabel(*button, button->text(), font);
        else if (const auto* box = qobject_cast<const QGroupBox*>(widget))
            measure = measureGroupBox(*box, font);
        if (!measure)
            continue;
        // A control that reaches past its parent's right edge is cut there.
        int room = measure->room;
        if (widget != &root && widget->parentWidget())
            room -= std::max(0, widget->geometry().right() - widget->parentWidget()->rect().right());
        if (measure->textWidth > room)
            clipped << ClippedCaption{path(*widget, root), measure->text, measure->textWidth, room};
    }
    return clipped;
}

QString describe(const QList<ClippedCaption>& clipped) {
    QStringList lines;
    for (const ClippedCaption& each : clipped)
        lines << u"%1 \"%2\": %3 px needed in %4 px"_s.arg(each.widget, each.text).arg(each.textWidth).arg(each.room);
    return lines.join(u'\n');
}

QList<CoveredCaption> coveredCaptions(const QWidget& root) {
    QList<CoveredCaption> covered;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        const QWidget* parent = widget->parentWidget();
        if (widget->isHidden() || widget->isWindow() || !parent)
            continue;
        const_cast<QWidget*>(widget)->ensurePolished();
        const std::optional<DrawnText> drawn = drawnText(*widget);
        if (!drawn)
            continue;
        const QRect textInParent = drawn->rect.translated(widget->pos()).intersected(parent->rect());
        for (const QObject* object : parent->children()) {
            const auto* sibling = qobject_cast<const QWidget*>(object);
            if (sibling && sibling != widget && occupies(*sibling, textInParent.translated(-sibling->pos())))
                covered << CoveredCaption{path(*widget, root), drawn->text, path(*sibling, root)};
        }
    }
    return covered;
}

QString describe(const QList<CoveredCaption>& covered) {
    QStringList lines;
    for (const CoveredCaption& each : covered)
        lines << u"%1 \"%2\": its text lies under or over %3"_s.arg(each.widget, each.text, each.coveredBy);
    return lines.join(u'\n');
}

LargerFont::LargerFont(qreal extraPoints)
    : m_old(QApplication::font()) {
    QFont font = m_old;
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() + extraPoints);
    else
        font.setPixelSize(font.pixelSize() + qRound(extraPoints * 96 / 72.0));
    QApplication::setFont(font);
}

LargerFont::~LargerFont() {
    QApplication::setFont(m_old);
}
