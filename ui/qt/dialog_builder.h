#pragma once
// Builds Qt dialogs from the dialog definitions in ui/res: one widget per
// control, placed by its rectangle in dialog units, in template order
// (which is also the tab order), with the controls' style flags realised.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QValidator>
#include <QWidget>

#include <functional>
#include <map>
#include <span>
#include <vector>

#include "ui/res/dialog_resources.h"

class QLabel;
class QTimer;

namespace tikr::qt {

namespace res = ui::res;

// Dialog units to pixels for the application's default font, the way the
// window system scales a dialog template: x * baseX / 4, y * baseY / 8,
// where baseX is the average width of the Latin letters and baseY the
// font's line height.
struct DialogUnits {
    int baseX = 6;
    int baseY = 13;
    static DialogUnits ForApplicationFont();
    int X(int dluX) const { return (dluX * baseX + 2) / 4; }
    int Y(int dluY) const { return (dluY * baseY + 4) / 8; }
    QRect Rect(int x, int y, int width, int height) const;
};

// The edit rules of a resource edit field, checked on every change the
// user makes (typing, pasting, dropping): a change is refused when it
// makes the text longer than the typing limit, adds a character other
// than a digit to a digits-only field, or widens the text beyond the
// visible width of a field that does not scroll. A change that does not
// make things worse is always taken, so a longer text set by the program
// (from a stored task) stays whole and can still be shortened.
class EditRules : public QValidator {
    Q_OBJECT

public:
    EditRules(QLineEdit* edit, bool digitsOnly, bool fitWidth);
    State validate(QString& input, int& pos) const override;
    void SetLimit(int maxChars) { limit = maxChars; }
    void SetAccepted(const QString& text) { accepted = text; }

private:
    QLineEdit* edit;
    bool digitsOnly;
    bool fitWidth;
    int limit = -1;  // no limit
    QString accepted;
};

// An edit field of a dialog definition.
class ResourceLineEdit : public QLineEdit {
    Q_OBJECT

public:
    ResourceLineEdit(unsigned style, QWidget* parent);
    // Text set by the program: bypasses the typing rules.
    void SetProgramText(const QString& text);
    void SetLimit(int maxChars) { rules->SetLimit(maxChars); }
    // The width in pixels available to the text.
    int VisibleTextWidth() const;

private:
    EditRules* rules;
};

// An up-down control: two arrow buttons that step the integer in their
// buddy edit field within a range, wrapping around at the ends when the
// control has the wrap style. The Up and Down keys in the buddy step too.
class UpDownControl : public QWidget {
    Q_OBJECT

public:
    UpDownControl(unsigned style, QWidget* parent);
    void SetBuddy(ResourceLineEdit* buddy);
    ResourceLineEdit* Buddy() const { return buddy; }
    void SetRange(int lower, int upper);
    int Lower() const { return lower; }
    int Upper() const { return upper; }
    // One step up (+1) or down (-1), as a click on an arrow.
    void Step(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResourceLineEdit* buddy = nullptr;
    bool wrap;
    int lower = 0;
    int upper = 100;
    int position = 0;
    int pressed = 0;  // +1 upper arrow held, -1 lower arrow held
    QTimer* repeat;
};

// A check box whose text wraps over several lines, aligned to the top:
// the box is drawn at the top left and a word-wrapping label beside it
// carries the text (its mnemonic toggles the box).
class WrapCheckBox : public QCheckBox {
    Q_OBJECT

public:
    WrapCheckBox(const QString& text, QWidget* parent);
    QString Text() const;
    void SetText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    int IndicatorWidth() const;
    QLabel* label;
};

// A dialog built from a definition. Escape and the close box call
// onCancel instead of closing (the reactions end the dialog themselves);
// each paint of the dialog calls onPaint.
class ResourceDialog : public QDialog {
    Q_OBJECT

public:
    ResourceDialog(const res::DialogDef& def, QWidget* parent);

    QWidget* Control(int id) const;
    // Every control in template order, static items included.
    const std::vector<QWidget*>& Controls() const { return ordered; }
    // The controls that take the focus by Tab, in tab order.
    std::vector<QWidget*> TabStops() const;
    const res::DialogDef& Definition() const { return def; }
    // Adds the initial entries to the combo boxes. A combo box whose
    // entries this font draws wider than the box grows to the right to
    // show them, as far as its group box (or the dialog) leaves room.
    void FillCombos(std::span<const res::ComboInitData> data);

    std::function<void()> onCancel;
    std::function<void()> onPaint;

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const res::DialogDef& def;
    std::map<int, QWidget*> byId;
    std::vector<QWidget*> ordered;
    std::vector<QWidget*> tabStops;
    DialogUnits units;
};

// The text a control shows, with its "&" mnemonic marker, for any kind of
// built control.
QString ControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

}  // namespace tikr::qt
