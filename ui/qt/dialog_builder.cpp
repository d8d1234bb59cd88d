#include "ui/qt/dialog_builder.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyleOptionComboBox>

#include <algorithm>

#include "ui/res/accessible_names.h"
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
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
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
    case ControlKind::groupBox: widget = new QGroupBox(Text(control), parent); break;
    case ControlKind::editField: widget = new ResourceLineEdit(control.style, parent); break;
    case ControlKind::listBox: {
        auto* list = new ResourceListBox(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setFrameShape((control.style & res::STYLE_BORDER) != 0 ? QFrame::StyledPanel : QFrame::NoFrame);
        list->setVerticalScrollBarPolicy((control.style & res::STYLE_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                                   : Qt::ScrollBarAlwaysOff);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // Every line is one line of text in one font: the view measures
        // one, not each of ten thousand, before the window can show.
        // Lines span the view's width either way.
        list->setUniformItemSizes(true);
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
    case ControlKind::upDown: widget = new UpDownControl(control.style, parent); break;
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
        // A control without a text of its own is named after its label; a
        // control with one keeps Qt's name from that text, which follows a
        // changed text, unless it has an explicit name.
        const std::string name = res::AccessibleNameOf(def, ordered.size());
        if (!res::HasOwnText(control.kind) || name != res::WithoutMnemonic(control.text)) {
            widget->setAccessibleName(QString::fromStdString(name));
        }
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
        // The label that names a control is its buddy even without a
        // mnemonic: assistive technology reads the pair as "labelled by",
        // which is how a combo box, named by its entry, tells its label.
        if (const auto label = res::LabelIndexOf(def, i); label && control.kind != ControlKind::upDown) {
            auto* text = static_cast<QLabel*>(ordered[*label]);
            if (text->buddy() == nullptr) text->setBuddy(ordered[i]);
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

    for (const auto& [id, widget] : byId) {
        const int controlId = id;
        const auto send = [this, controlId](ui::ControlEvent event) {
            if (onCommand) onCommand(controlId, event);
        };
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            connect(button, &QPushButton::clicked, this, [send] { send(ui::ControlEvent::clicked); });
        } else if (auto* list = qobject_cast<ResourceListBox*>(widget)) {
            connect(list, &QListWidget::itemSelectionChanged, this,
                    [send] { send(ui::ControlEvent::selectionChanged); });
            connect(list, &QListWidget::itemDoubleClicked, this, [send] { send(ui::ControlEvent::doubleClicked); });
            connect(list, &ResourceListBox::menuRequested, this, [send] { send(ui::ControlEvent::contextMenu); });
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            // Only the user's picks: selections the program makes do not notify.
            connect(combo, &QComboBox::activated, this, [send] { send(ui::ControlEvent::selectionChanged); });
        }
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
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        // The style keeps a few pixels between the field's edge and its text.
        const int wanted = widest + (combo->width() - field.width()) + 6;
        if (wanted > combo->width()) combo->resize(std::max(combo->width(), std::min(wanted, room)), combo->height());
    }
}

void ResourceDialog::reject() {
    if (onCommand) {
        onCommand(res::ID_CANCEL, ui::ControlEvent::clicked);
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
