#include "ui/qt/dialog_builder.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStyleOptionFrame>
#include <QStylePainter>
#include <QTimer>

#include <algorithm>

#include "ui/res/resource_ids.h"

namespace tikr::qt {

using res::ControlDef;
using res::ControlKind;

// ---------------------------------------------------------------------------
// Dialog units

DialogUnits DialogUnits::ForApplicationFont() {
    const QFontMetrics metrics(QApplication::font());
    // The average width of the 52 Latin letters, rounded, as the window
    // system measures a dialog font; the line height as is.
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    DialogUnits units;
    units.baseX = std::max(1, (metrics.horizontalAdvance(letters) / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    const int left = X(x);
    const int top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

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
    rules = new EditRules(this, (style & res::STYLE_NUMBER) != 0,
                          (style & res::STYLE_AUTOHSCROLL) == 0);
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

UpDownControl::UpDownControl(unsigned style, QWidget* parent)
    : QWidget(parent), wrap((style & res::STYLE_UD_WRAP) != 0), repeat(new QTimer(this)) {
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

void UpDownControl::Step(int direction) {
    if (buddy == nullptr || !isEnabled()) return;
    const int low = std::min(lower, upper);
    const int high = std::max(lower, upper);
    if (lower > upper) direction = -direction;  // a reversed range counts down
    bool ok = false;
    const int value = buddy->text().trimmed().toInt(&ok);
    if (ok) position = value;  // the buddy's text is the position; other text keeps the last one
    long long next = static_cast<long long>(position) + direction;
    if (next > high) {
        next = wrap ? low : high;
    } else if (next < low) {
        next = wrap ? high : low;
    }
    position = static_cast<int>(next);
    buddy->SetProgramText(QString::number(position));
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
        style()->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &arrow, &painter, this);
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
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    setAccessibleName(plain);
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
        const QRect text = label->fontMetrics().boundingRect(
            QRect(0, 0, label->width(), label->height()), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
            label->text());
        focus.rect = text.translated(label->pos()).adjusted(-1, 0, 1, 0);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrapCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

// ---------------------------------------------------------------------------
// The dialog

namespace {

QString Text(const ControlDef& control) { return QString::fromUtf8(control.text); }

QWidget* MakeControl(const ControlDef& control, const DialogUnits& units, QWidget* parent) {
    QRect rect = units.Rect(control.x, control.y, control.width, control.height);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::staticText: {
            auto* label = new QLabel(Text(control), parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // A one-line text is not cut or wrapped when this font draws it
            // wider than the template's font did: it runs on to the right.
            if (rect.height() < 2 * label->fontMetrics().height()) {
                QString shown = Text(control);
                shown.remove(QLatin1Char('&'));
                rect.setWidth(std::max(rect.width(), label->fontMetrics().horizontalAdvance(shown) + 2));
            } else {
                label->setWordWrap(true);
            }
            widget = label;
            break;
        }
        case ControlKind::groupBox:
            widget = new QGroupBox(Text(control), parent);
            break;
        case ControlKind::editField:
            widget = new ResourceLineEdit(control.style, parent);
            break;
        case ControlKind::listBox: {
            auto* list = new QListWidget(parent);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setFrameShape((control.style & res::STYLE_BORDER) != 0 ? QFrame::StyledPanel
                                                                         : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy((control.style & res::STYLE_VSCROLL) != 0
                                                 ? Qt::ScrollBarAsNeeded
                                                 : Qt::ScrollBarAlwaysOff);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            widget = list;
            break;
        }
        case ControlKind::pushButton: {
            auto* button = new QPushButton(Text(control), parent);
            button->setAutoDefault(true);
            button->setDefault((control.style & res::STYLE_DEFAULT_BUTTON) != 0);
            widget = button;
            break;
        }
        case ControlKind::checkBox:
            if ((control.style & res::STYLE_MULTILINE) != 0) {
                widget = new WrapCheckBox(Text(control), parent);
            } else {
                widget = new QCheckBox(Text(control), parent);
            }
            break;
        case ControlKind::comboDropList: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(false);
            // The rectangle's height includes the dropped-down list.
            const int closed = std::max(combo->sizeHint().height(), units.Y(12));
            const int itemHeight = std::max(1, combo->fontMetrics().height());
            combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
            rect.setHeight(closed);
            widget = combo;
            break;
        }
        case ControlKind::upDown:
            widget = new UpDownControl(control.style, parent);
            break;
    }
    widget->setGeometry(rect);
    widget->setProperty("controlId", control.id);
    const bool takesFocus = (control.style & res::STYLE_TABSTOP) != 0;
    widget->setFocusPolicy(takesFocus ? Qt::StrongFocus : Qt::NoFocus);
    if (!control.visible) widget->hide();
    return widget;
}

bool Focusable(ControlKind kind) {
    return kind != ControlKind::staticText && kind != ControlKind::groupBox && kind != ControlKind::upDown;
}

}  // namespace

ResourceDialog::ResourceDialog(const res::DialogDef& definition, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      def(definition),
      units(DialogUnits::ForApplicationFont()) {
    setWindowTitle(QString::fromUtf8(def.caption));
    setSizeGripEnabled(false);
    setFixedSize(units.X(def.width), units.Y(def.height));

    const auto& controls = def.controls;
    for (const ControlDef& control : controls) {
        QWidget* widget = MakeControl(control, units, this);
        ordered.push_back(widget);
        if (control.id != res::ID_STATIC_ITEM) byId.emplace(control.id, widget);
        if ((control.style & res::STYLE_TABSTOP) != 0) tabStops.push_back(widget);
    }

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlDef& control = controls[i];
        // A static text's mnemonic moves the focus to the next control that
        // can take it.
        if (control.kind == ControlKind::staticText && Text(control).contains(QLatin1Char('&'))) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                if (Focusable(controls[j].kind)) {
                    static_cast<QLabel*>(ordered[i])->setBuddy(ordered[j]);
                    break;
                }
            }
        }
        // An up-down control is attached to the control before it; aligned
        // right, it takes the right end of its buddy's rectangle.
        if (control.kind == ControlKind::upDown && i > 0) {
            auto* upDown = static_cast<UpDownControl*>(ordered[i]);
            auto* buddy = qobject_cast<ResourceLineEdit*>(ordered[i - 1]);
            if (buddy == nullptr) continue;
            upDown->SetBuddy(buddy);
            if ((control.style & res::STYLE_UD_ALIGNRIGHT) != 0) {
                QRect field = buddy->geometry();
                const int width = std::min(upDown->width(), field.width() / 2);
                upDown->setGeometry(field.right() + 1 - width, field.top(), width, field.height());
                field.setWidth(field.width() - width);
                buddy->setGeometry(field);
            }
        }
    }

    for (std::size_t i = 1; i < tabStops.size(); ++i) {
        QWidget::setTabOrder(tabStops[i - 1], tabStops[i]);
    }
}

QWidget* ResourceDialog::Control(int id) const {
    const auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second;
}

std::vector<QWidget*> ResourceDialog::TabStops() const { return tabStops; }

void ResourceDialog::FillCombos(std::span<const res::ComboInitData> data) {
    for (const res::ComboInitData& entry : data) {
        auto* combo = qobject_cast<QComboBox*>(Control(entry.controlId));
        if (combo == nullptr) continue;
        for (const char* text : entry.entries) combo->addItem(QString::fromUtf8(text));

        // The right edge it may grow to: inside the group box that holds
        // it, else inside the dialog, with the template's usual margin.
        const ControlDef* self = nullptr;
        for (const ControlDef& control : def.controls) {
            if (control.id == entry.controlId) self = &control;
        }
        if (self == nullptr) continue;
        int limit = def.width - 7;
        for (const ControlDef& group : def.controls) {
            if (group.kind == ControlKind::groupBox && self->x >= group.x && self->y >= group.y &&
                self->x + self->width <= group.x + group.width && self->y <= group.y + group.height) {
                limit = std::min(limit, group.x + group.width - 2);
            }
        }
        const int room = units.X(limit) - combo->x();
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i) {
            widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
        }
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.rect = combo->rect();
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, combo);
        // The style keeps a few pixels between the field's edge and its text.
        const int wanted = widest + (combo->width() - field.width()) + 6;
        if (wanted > combo->width()) combo->resize(std::max(combo->width(), std::min(wanted, room)), combo->height());
    }
}

void ResourceDialog::reject() {
    if (onCancel) {
        onCancel();
    } else {
        QDialog::reject();
    }
}

void ResourceDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (onPaint) onPaint();
}

// ---------------------------------------------------------------------------

QString ControlText(const QWidget* control) {
    if (const auto* wrap = qobject_cast<const WrapCheckBox*>(control)) return wrap->Text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) return group->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (const auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
    return QString();
}

void SetControlText(QWidget* control, const QString& text) {
    if (auto* wrap = qobject_cast<WrapCheckBox*>(control)) {
        wrap->SetText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* field = qobject_cast<ResourceLineEdit*>(control)) {
        field->SetProgramText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (control != nullptr) {
        control->setWindowTitle(text);
    }
}

}  // namespace tikr::qt
