/*
 * Builds the window at the positions of its design (in twips) and carries its event handlers.
 */
#include "generate/generatewindow.h"

#include "common/help/helpwindow.h"
#include "common/twips.h"
#include "generate/leadingnumber.h"
#include "generate/systemuniformsource.h"

#include <QtGui/QAction>
#include <QtGui/QFocusEvent>
#include <QtGui/QIcon>
#include <QtGui/QKeyEvent>
#include <QtGui/QWheelEvent>
#include <QtWidgets/QButtonGroup>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

template <typename Widget, typename... Args>
Widget* makeChild(QWidget* parent, const QString& name, const QRect& geometry, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

GeneratorWindow::GeneratorWindow(std::unique_ptr<UniformSource> source, QWidget* parent)
    : QWidget(parent)
    , m_source(std::move(source))
    , m_generator(*m_source)
    , m_options(new QButtonGroup(this)) {
    setObjectName(u"Generate"_s);
    setWindowTitle(u"Vexa Password ( Generator )"_s);
    // Drawn from the SVG at whatever size and pixel ratio the desktop asks for.
    setWindowIcon(QIcon(u":/generate/key.svg"_s));
    setFixedSize(twips::size(6030, 4995));
    // The 8.25-point dialog font the positions were designed for, so the captions fit them.
    QFont designFont = font();
    designFont.setPointSizeF(8.25);
    setFont(designFont);

    using Kind = PasswordGenerator::Kind;
    Numbers = addOption(u"Numbers"_s, u"Numbers"_s, twips::rect(240, 120, 1215, 195), Kind::Numbers);
    Small = addOption(u"Small"_s, u"Small Letters"_s, twips::rect(2520, 120, 1455, 195), Kind::Small);
    Capital = addOption(u"Capital"_s, u"Capital Letters"_s, twips::rect(4320, 120, 1575, 195), Kind::Capital);
    SmallCapital = addOption(u"SmallCapital"_s, u"Capital and Small letters"_s, twips::rect(240, 550, 2055, 195),
                             Kind::SmallCapital);
    NumbersLetter =
        addOption(u"NumbersLetter"_s, u"Numbers and letters"_s, twips::rect(2520, 550, 2055, 195), Kind::NumbersLetter);
    Numbers->setChecked(true);
    fitOptionCaptions({Numbers, Small, Capital});
    fitOptionCaptions({SmallCapital, NumbersLetter});

    QFont passwordFont = font();
    passwordFont.setBold(true);
    for (int i = 0; i < int(Text1.size()); ++i) {
        QLineEdit* box = makeChild<QLineEdit>(this, u"Text1_%1"_s.arg(i), twips::rect(120, 960 + 300 * i, 5775, 285));
        box->setFont(passwordFont);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, i % 2 == 0 ? QColor(192, 192, 192) : QColor(224, 224, 224));
        box->setPalette(palette);
        // Resting the pointer on a box shows its password in full, however long.
        connect(box, &QLineEdit::textChanged, box, &QWidget::setToolTip);
        box->setAccessibleName(u"Password %1"_s.arg(i + 1));
        Text1[i] = box;
    }

    Label1 = makeChild<QLabel>(this, u"Label1"_s, twips::rect(120, 4400, 975, 255), u"Password :"_s);

    // The spinner is made before the length box so that it lies behind it: it is taller than the
    // box, so only its two arrows show, one above and one below.
    VScroll1 = makeChild<QScrollBar>(this, u"VScroll1"_s, twips::rect(960, 4170, 470, 720), Qt::Vertical);
    VScroll1->setRange(1, 255);
    VScroll1->setFocusPolicy(Qt::TabFocus);
    // With inverted controls the Up and Page Up keys trigger the same steps as the upper arrow;
    // mirrorStep turns those into raising the length.
    VScroll1->setInvertedControls(true);
    connect(VScroll1, &QAbstractSlider::actionTriggered, this, &GeneratorWindow::mirrorStep);
    VScroll1->installEventFilter(this);
    connect(VScroll1, &QScrollBar::valueChanged, this, &GeneratorWindow::VScroll1_Change);

    combo1 = makeChild<QLineEdit>(this, u"combo1"_s, twips::rect(950, 4380, 470, 285), u"1"_s);
    clearLengthCaption();
    connect(combo1, &QLineEdit::returnPressed, this, &GeneratorWindow::combo1_KeyPress);
    combo1->installEventFilter(this);
    for (QWidget* length : std::initializer_list<QWidget*>{combo1, VScroll1}) {
        length->setAccessibleName(u"Password length"_s);
        length->setAccessibleDescription(u"The number of characters, 1 to 255"_s);
    }

    Command1 = makeChild<QPushButton>(this, u"Command1"_s, twips::rect(1800, 4320, 1815, 375), u"&Generate"_s);
    connect(Command1, &QPushButton::clicked, this, &GeneratorWindow::Command1_Click);
    Command2 = makeChild<QPushButton>(this, u"Command2"_s, twips::rect(3840, 4320, 1695, 375), u"&Close"_s);
    connect(Command2, &QPushButton::clicked, this, &GeneratorWindow::Command2_Click);
    // Outside a dialog a push button answers only Space; Enter on a focused button presses it too.
    for (QPushButton* button : {Command1, Command2})
        button->installEventFilter(this);

    orderTabs();
    Numbers->setFocus();

    auto* helpKey = new QAction(this);
    helpKey->setShortcut(Qt::Key_F1);
    helpKey->setShortcutContext(Qt::ApplicationShortcut);
    addAction(helpKey);
    connect(helpKey, &QAction::triggered, this, &GeneratorWindow::showHelp);
}

std::unique_ptr<UniformSource> GeneratorWindow::defaultSource() {
    return std::make_unique<SystemUniformSource>();
}

// The children outlive this part of the object while they are destroyed, and the length box can
// still lose the focus then.
GeneratorWindow::~GeneratorWindow() {
    for (QObject* child : std::initializer_list<QObject*>{combo1, VScroll1, Command1, Command2})
        child->removeEventFilter(this);
}

QRadioButton* GeneratorWindow::addOption(const QString& name, const QString& caption, const QRect& geometry,
                                         PasswordGenerator::Kind kind) {
    auto* option = makeChild<QRadioButton>(this, name, geometry, caption);
    m_options->addButton(option, static_cast<int>(kind));
    return option;
}

void GeneratorWindow::fitOptionCaptions(std::initializer_list<QRadioButton*> row) {
    // Each option keeps its left edge and grows to the right until its caption fits; the next
    // option of the row moves right only when it would otherwise be overlapped.
    const int gap = twips::toPixels(60);
    int nextFree = 0;
    for (QRadioButton* option : row) {
        if (option->x() < nextFree)
            option->move(nextFree, option->y());
        option->resize(std::max(option->width(), option->sizeHint().width()), option->height());
        nextFree = option->geometry().right() + 1 + gap;
    }
}

void GeneratorWindow::clearLengthCaption() {
    // At the design's place the length box lies on the caption's colon: the box and its spinner
    // move right, together, until the caption's text ends before them.
    const int gap = twips::toPixels(60);
    const int textRight = Label1->x() + Label1->contentsRect().left() + Label1->margin() +
                          Label1->fontMetrics().horizontalAdvance(Label1->text());
    const int shift = std::max(0, textRight + gap - std::min(combo1->x(), VScroll1->x()));
    for (QWidget* length : std::initializer_list<QWidget*>{VScroll1, combo1})
        length->move(length->x() + shift, length->y());
}

void GeneratorWindow::orderTabs() {
    QList<QWidget*> order{Numbers, Small, NumbersLetter, VScroll1, combo1, Capital, SmallCapital, Command1, Command2};
    for (QLineEdit* box : Text1)
        order.append(box);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void GeneratorWindow::setLength(int length) {
    VScroll1->setValue(length);
    VScroll1_Change();
}

void GeneratorWindow::Command1_Click() {
    const auto kind = static_cast<PasswordGenerator::Kind>(m_options->checkedId());
    for (QLineEdit* box : Text1)
        box->setText(m_generator.password(kind, VScroll1->value()));
}

void GeneratorWindow::showHelp() {
    if (!m_help)
        m_help = new HelpWindow(this);
    m_help->showTopic(u"generator"_s);
}

void GeneratorWindow::Command2_Click() {
    close();
}

void GeneratorWindow::VScroll1_Change() {
    combo1->setText(QString::number(VScroll1->value()));
}

void GeneratorWindow::combo1_KeyPress() {
    const double typed = leadingNumber(combo1->text());
    // Halves round to even, as the length has always been rounded.
    const double rounded = std::nearbyint(typed);
    if (rounded >= VScroll1->minimum() && rounded <= VScroll1->maximum()) {
        setLength(static_cast<int>(rounded));
        Command1->setFocus();
    } else if (typed > VScroll1->maximum()) {
        setLength(VScroll1->maximum());
    }
}

void GeneratorWindow::combo1_LostFocus() {
    combo1_KeyPress();
}

void GeneratorWindow::mirrorStep(int action) {
    int step = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        step = -VScroll1->singleStep();
        break;
    case QAbstractSlider::SliderSingleStepSub:
        step = VScroll1->singleStep();
        break;
    case QAbstractSlider::SliderPageStepAdd:
        step = -VScroll1->pageStep();
        break;
    case QAbstractSlider::SliderPageStepSub:
        step = VScroll1->pageStep();
        break;
    default:
        return;
    }
    VScroll1->setSliderPosition(VScroll1->value() + step);
}

bool GeneratorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == combo1 && event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the box's own context menu is not leaving it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            combo1_LostFocus();
    } else if (watched == VScroll1 && event->type() == QEvent::Wheel) {
        // Turning the wheel away from the user raises the length, as the upper arrow does.
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0)
            VScroll1->setValue(VScroll1->value() + (delta > 0 ? VScroll1->singleStep() : -VScroll1->singleStep()));
        return true;
    } else if ((watched == Command1 || watched == Command2) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
