#pragma once
// Builds Qt dialogs from the dialog definitions in ui/res: one widget per
// control, placed by its rectangle in dialog units, in template order
// (which is also the tab order), with the controls' style flags realised.
#include <QDialog>
#include <QWidget>

#include <functional>
#include <map>
#include <span>
#include <vector>

#include "ui/qt/custom_controls.h"
#include "ui/res/dialog_resources.h"
#include "ui/window_port.h"

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

// A dialog built from a definition. What the user does to its controls
// goes to onCommand, the dialog's one dispatch: a push button's press, a
// list's changed selection or double-click, a combo box entry the user
// picked; Escape and the close box come as a press of ID_CANCEL instead of
// closing (the reactions end the dialog themselves). Each paint of the
// dialog calls onPaint.
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

    std::function<void(int id, ui::ControlEvent event)> onCommand;
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
