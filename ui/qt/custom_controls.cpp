#include "ui/qt/custom_controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>

#include "ui/res/accessible_names.h"
#include "ui/res/dialog_resources.h"

namespace tikr::qt {

namespace res = ui::res;

// ---------------------------------------------------------------------------
// Edit fields

namespace {

qsizetype NonDigits(const QString& text) {
    return std::count_if(text.begin(), text.end(),
                         [](QChar c) { return c < QLatin1Char('0') || c > QLatin1Char('9'); });
}

// Characters as the length check of the data exchange counts them: one for
// a character outside the basic plane too, which UTF-16 stores as two units.
qsizetype CharCount(const QString& text) {
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

}  // namespace

EditRules::EditRules(QLineEdit* edit, bool digitsOnly, bool fitWidth)
    : QValidator(edit), edit(edit), digitsOnly(digitsOnly), fitWidth(fitWidth) {}

QValidator::State EditRules::validate(QString& input, int& /*pos*/) const {
    if (input == accepted) return Acceptable;
    if (limit >= 0 && CharCount(input) > limit && CharCount(input) > CharCount(accepted)) return Invalid;
    if (digitsOnly && NonDigits(input) > NonDigits(accepted)) return Invalid;
    if (fitWidth) {
        const QFontMetrics metrics = edit->fontMetrics();
        const int width = metrics.horizontalAdvance(input);
        const auto* field = static_cast<const ResourceLineEdit*>(edit);
        if (width > field->VisibleTextWidth() && width > metrics.horizontalAdvance(accepted)) {
            return Invalid;
        }
    }
    return Acceptable;
}

ResourceLineEdit::ResourceLineEdit(unsigned style, QWidget* parent) : QLineEdit(parent) {
    rules = new EditRules(this, (style & res::STYLE_NUMBER) != 0, (style & res::STYLE_AUTOHSCROLL) == 0);
    setValidator(rules);
    setFrame((style & res::STYLE_BORDER) != 0);
    // Qt's own limit would cut a longer text set by the program.
    setMaxLength(32767);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { rules->SetAccepted(text); });
}

void ResourceLineEdit::SetProgramText(const QString& text) {
    rules->SetAccepted(text);
    setText(text);
    setCursorPosition(0);  // a new text is shown from its start
}

int ResourceLineEdit::VisibleTextWidth() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect area = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    area = area.marginsRemoved(textMargins());
    // The field keeps a margin of 2 pixels on each side and room for the
    // cursor after the last character.
    return area.width() - 2 * 2 - 1;
}

// ---------------------------------------------------------------------------
// Up-down control

namespace {

// A plain widget would be announced as an unnamed filler: the up-down
// control says it is a spin box and offers its value and steps.
class UpDownAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit UpDownAccessible(UpDownControl* control) : QAccessibleWidget(control, QAccessible::SpinBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return QString::number(Control()->Value());
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return Control()->Value(); }
    void setCurrentValue(const QVariant& value) override { Control()->SetValue(value.toInt()); }
    QVariant maximumValue() const override { return std::max(Control()->Lower(), Control()->Upper()); }
    QVariant minimumValue() const override { return std::min(Control()->Lower(), Control()->Upper()); }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override { return {increaseAction(), decreaseAction()}; }
    void doAction(const QString& name) override {
        if (name == increaseAction()) Control()->Step(1);
        if (name == decreaseAction()) Control()->Step(-1);
    }

private:
    UpDownControl* Control() const { return static_cast<UpDownControl*>(widget()); }
};

QAccessibleInterface* UpDownAccessibleFactory(const QString& /*className*/, QObject* object) {
    if (auto* control = qobject_cast<UpDownControl*>(object)) return new UpDownAccessible(control);
    return nullptr;
}

}  // namespace

UpDownControl::UpDownControl(unsigned style, QWidget* parent)
    : QWidget(parent), wrap((style & res::STYLE_UD_WRAP) != 0), repeat(new QTimer(this)) {
    static const bool accessibleFactoryInstalled = [] {
        QAccessible::installFactory(UpDownAccessibleFactory);
        return true;
    }();
    (void)accessibleFactoryInstalled;
    setFocusPolicy(Qt::NoFocus);
    connect(repeat, &QTimer::timeout, this, [this] {
        repeat->setInterval(60);
        if (pressed != 0) Step(pressed);
    });
}

void UpDownControl::SetBuddy(ResourceLineEdit* edit) {
    if (buddy != nullptr) buddy->removeEventFilter(this);
    buddy = edit;
    if (buddy != nullptr) buddy->installEventFilter(this);
}

void UpDownControl::SetRange(int lowerLimit, int upperLimit) {
    lower = lowerLimit;
    upper = upperLimit;
    position = std::clamp(position, std::min(lower, upper), std::max(lower, upper));
}

int UpDownControl::Value() const {
    if (buddy == nullptr) return position;
    bool ok = false;
    const int value = buddy->text().trimmed().toInt(&ok);
    return ok ? value : position;  // the buddy's text is the position; other text keeps the last one
}

void UpDownControl::Step(int direction) {
    if (buddy == nullptr || !isEnabled()) return;
    const int low = std::min(lower, upper);
    const int high = std::max(lower, upper);
    if (lower > upper) direction = -direction;  // a reversed range counts down
    position = Value();
    long long next = static_cast<long long>(position) + direction;
    if (next > high) {
        next = wrap ? low : high;
    } else if (next < low) {
        next = wrap ? high : low;
    }
    SetValue(static_cast<int>(next));
}

void UpDownControl::SetValue(int value) {
    if (buddy == nullptr || !isEnabled()) return;
    position = std::clamp(value, std::min(lower, upper), std::max(lower, upper));
    buddy->SetProgramText(QString::number(position));
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, position);
        QAccessible::updateAccessibility(&event);
    }
}

void UpDownControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[i];
        const int direction = i == 0 ? 1 : -1;
        button.state |= pressed == direction ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &button, &painter, this);
        QStyleOption arrow = button;
        arrow.rect = halves[i].adjusted(1, 1, -1, -1);
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &arrow, &painter,
                               this);
    }
}

void UpDownControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed = event->position().y() < height() / 2 ? 1 : -1;
    Step(pressed);
    repeat->start(400);
    update();
}

void UpDownControl::mouseReleaseEvent(QMouseEvent* /*event*/) {
    pressed = 0;
    repeat->stop();
    update();
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                Step(1);
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                Step(-1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Check box with a wrapping text

WrapCheckBox::WrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(parent) {
    label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setBuddy(this);  // the mnemonic focuses and toggles the box
    SetText(text);
}

QString WrapCheckBox::Text() const { return label->text(); }

void WrapCheckBox::SetText(const QString& text) {
    label->setText(text);
    setAccessibleName(QString::fromStdString(res::WithoutMnemonic(text.toStdString())));
}

int WrapCheckBox::IndicatorWidth() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
}

void WrapCheckBox::resizeEvent(QResizeEvent* event) {
    QCheckBox::resizeEvent(event);
    label->setGeometry(IndicatorWidth(), 0, std::max(0, width() - IndicatorWidth()), height());
}

void WrapCheckBox::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    // The box stands beside the first line of the text.
    option.rect = QRect(0, 0, width(), label->fontMetrics().height());
    option.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        const QRect text =
            label->fontMetrics().boundingRect(QRect(0, 0, label->width(), label->height()),
                                              Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
        focus.rect = text.translated(label->pos()).adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

// ---------------------------------------------------------------------------
// List box

namespace {

// A line whose tooltip and accessible description its list box tells when
// they are asked for.
class DescribedLine : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;

    QVariant data(int role) const override {
        if (role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole) return QListWidgetItem::data(role);
        const auto* box = qobject_cast<const ResourceListBox*>(listWidget());
        if (box == nullptr || !box->describeLine) return QVariant();
        const QString text = box->describeLine(box->row(this));
        if (text.isEmpty()) return QVariant();
        if (role == Qt::AccessibleDescriptionRole) return text;
        // A tooltip that looks like markup is shown as rich text: escaped,
        // whatever the stored outcome holds reads as written, line by line.
        return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
    }
};

}  // namespace

ResourceListBox::ResourceListBox(QWidget* parent) : QListWidget(parent) {}

void ResourceListBox::AddLine(const QString& text) { addItem(new DescribedLine(text)); }

QPoint ResourceListBox::SelectedLinePoint() {
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) return mapToGlobal(QPoint(0, 0));
    scrollToItem(selected.first());
    const QRect line = visualItemRect(selected.first());
    // Just below the line, a little in from its left end.
    return viewport()->mapToGlobal(QPoint(line.left() + line.height() / 2, line.bottom() + 1));
}

void ResourceListBox::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse) {
        RequestMenu(std::nullopt);
        return;
    }
    QListWidgetItem* line = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    if (line == nullptr) return;
    // The press has selected the line already where the window system
    // asks for the menu on the press; elsewhere this selects it.
    if (!line->isSelected()) setCurrentItem(line);
    RequestMenu(event->globalPos());
}

void ResourceListBox::keyPressEvent(QKeyEvent* event) {
    // Under X the window system turns the Menu key into a context-menu
    // event before the key itself, which then goes to the open menu; other
    // platforms deliver the key alone. Shift+F10 always comes as a key.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool menuKey = event->key() == Qt::Key_Menu && modifiers == Qt::NoModifier;
    const bool shiftF10 = event->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier;
    if (!menuKey && !shiftF10) {
        QListWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    RequestMenu(std::nullopt);
}

void ResourceListBox::RequestMenu(std::optional<QPoint> at) {
    const std::optional<QPoint> outer = menuPoint;
    menuPoint = at;
    emit menuRequested();
    menuPoint = outer;
}

}  // namespace tikr::qt
