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
    for (int i = 0; i < int(m_passwordEdits.size()); ++i) {
        QLineEdit* box = makeChild<QLineEdit>(this, u"Text1_%1"_s.arg(i), twips::rect(120, 960 + 300 * i, 5775, 285));
        box->setFont(passwordFont);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, i % 2 == 0 ? QColor(192, 192, 192) : QColor(224, 224, 224));
        box->setPalette(palette);
        // Resting the pointer on a box shows its password in full, however long.
        connect(box, &QLineEdit::textChanged, box, &QWidget::setToolTip);
        box->setAccessibleName(u"Password %1"_s.arg(i + 1));
        m_passwordEdits[i] = box;
    }

    m_lengthLabel = makeChild<QLabel>(this, u"Label1"_s, twips::rect(120, 4400, 975, 255), u"Password :"_s);

    // The spinner is made before the length box so that it lies behind it: it is taller than the
    // box, so only its two arrows show, one above and one below.
    m_lengthScroll = makeChild<QScrollBar>(this, u"VScroll1"_s, twips::rect(960, 4170, 470, 720), Qt::Vertical);
    m_lengthScroll->setRange(1, 255);
    m_lengthScroll->setFocusPolicy(Qt::TabFocus);
    // With inverted controls the Up and Page Up keys trigger the same steps as the upper arrow;
    // mirrorStep turns those into raising the length.
    m_lengthScroll->setInvertedControls(true);
    connect(m_lengthScroll, &QAbstractSlider::actionTriggered, this, &GeneratorWindow::mirrorStep);
    m_lengthScroll->installEventFilter(this);
    connect(m_lengthScroll, &QScrollBar::valueChanged, this, &GeneratorWindow::lengthScrolled);

    m_lengthEdit = makeChild<QLineEdit>(this, u"combo1"_s, twips::rect(950, 4380, 470, 285), u"1"_s);
    clearLengthCaption();
    connect(m_lengthEdit, &QLineEdit::returnPressed, this, &GeneratorWindow::lengthEntered);
    m_lengthEdit->installEventFilter(this);
    for (QWidget* length : std::initializer_list<QWidget*>{m_lengthEdit, m_lengthScroll}) {
        length->setAccessibleName(u"Password length"_s);
        length->setAccessibleDescription(u"The number of characters, 1 to 255"_s);
    }

    m_generateButton = makeChild<QPushButton>(this, u"Command1"_s, twips::rect(1800, 4320, 1815, 375), u"&Generate"_s);
    connect(m_generateButton, &QPushButton::clicked, this, &GeneratorWindow::generatePasswords);
    m_closeButton = makeChild<QPushButton>(this, u"Command2"_s, twips::rect(3840, 4320, 1695, 375), u"&Close"_s);
    connect(m_closeButton, &QPushButton::clicked, this, &GeneratorWindow::closeGenerator);
    // Outside a dialog a push button answers only Space; Enter on a focused button presses it too.
    for (QPushButton* button : {m_generateButton, m_closeButton})
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
    for (QObject* child :
         std::initializer_list<QObject*>{m_lengthEdit, m_lengthScroll, m_generateButton, m_closeButton})
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
    const int textRight = m_lengthLabel->x() + m_lengthLabel->contentsRect().left() + m_lengthLabel->margin() +
                          m_lengthLabel->fontMetrics().horizontalAdvance(m_lengthLabel->text());
    const int shift = std::max(0, textRight + gap - std::min(m_lengthEdit->x(), m_lengthScroll->x()));
    for (QWidget* length : std::initializer_list<QWidget*>{m_lengthScroll, m_lengthEdit})
        length->move(length->x() + shift, length->y());
}

void GeneratorWindow::orderTabs() {
    QList<QWidget*> order{Numbers, Small,        NumbersLetter,    m_lengthScroll, m_lengthEdit,
                          Capital, SmallCapital, m_generateButton, m_closeButton};
    for (QLineEdit* box : m_passwordEdits)
        order.append(box);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void GeneratorWindow::setLength(int length) {
    m_lengthScroll->setValue(length);
    lengthScrolled();
}

void GeneratorWindow::generatePasswords() {
    const auto kind = static_cast<PasswordGenerator::Kind>(m_options->checkedId());
    for (QLineEdit* box : m_passwordEdits)
        box->setText(m_generator.password(kind, m_lengthScroll->value()));
}

void GeneratorWindow::showHelp() {
    if (!m_help)
        m_help = new HelpWindow(this);
    m_help->showTopic(u"generator"_s);
}

void GeneratorWindow::closeGenerator() {
    close();
}

void GeneratorWindow::lengthScrolled() {
    m_lengthEdit->setText(QString::number(m_lengthScroll->value()));
}

void GeneratorWindow::lengthEntered() {
    const double typed = leadingNumber(m_lengthEdit->text());
    // Halves round to even, as the length has always been rounded.
    const double rounded = std::nearbyint(typed);
    if (rounded >= m_lengthScroll->minimum() && rounded <= m_lengthScroll->maximum()) {
        setLength(static_cast<int>(rounded));
        m_generateButton->setFocus();
    } else if (typed > m_lengthScroll->maximum()) {
        setLength(m_lengthScroll->maximum());
    }
}

void GeneratorWindow::lengthEditLeft() {
    lengthEntered();
}

void GeneratorWindow::mirrorStep(int action) {
    int step = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        step = -m_lengthScroll->singleStep();
        break;
    case QAbstractSlider::SliderSingleStepSub:
        step = m_lengthScroll->singleStep();
        break;
    case QAbstractSlider::SliderPageStepAdd:
        step = -m_lengthScroll->pageStep();
        break;
    case QAbstractSlider::SliderPageStepSub:
        step = m_lengthScroll->pageStep();
        break;
    default:
        return;
    }
    m_lengthScroll->setSliderPosition(m_lengthScroll->value() + step);
}

bool GeneratorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lengthEdit && event->type() == QEvent::FocusOut) {
        // Switching to another window or opening the box's own context menu is not leaving it.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lengthEditLeft();
    } else if (watched == m_lengthScroll && event->type() == QEvent::Wheel) {
        // Turning the wheel away from the user raises the length, as the upper arrow does.
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0)
            m_lengthScroll->setValue(m_lengthScroll->value() +
                                     (delta > 0 ? m_lengthScroll->singleStep() : -m_lengthScroll->singleStep()));
        return true;
    } else if ((watched == m_generateButton || watched == m_closeButton) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
