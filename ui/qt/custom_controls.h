#pragma once
// The controls of the dialog definitions that Qt has no widget for as they
// behave: an edit field with the typing rules of its style, an up-down
// control stepping its buddy field, a check box whose text wraps, and a list
// box whose lines describe themselves and that asks for a menu.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QValidator>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QTimer;

namespace tikr::qt {

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
// To assistive technology it is a spin box with the buddy's value, its
// range, and actions to step up and down.
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
    // The buddy's number, or the last position while it holds other text.
    int Value() const;
    // Sets the buddy to the value, brought into the range.
    void SetValue(int value);

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

// A list box of a dialog definition. Each line's tooltip and accessible
// description come from describeLine when they are asked for, so they tell
// the state of that moment; without describeLine a line has neither.
// menuRequested comes for a right-click on a line (which is first selected,
// as a left click would), for the Menu key and for Shift+F10; a right-click
// below the lines asks for nothing.
class ResourceListBox : public QListWidget {
    Q_OBJECT

public:
    explicit ResourceListBox(QWidget* parent);
    // Adds a line that asks describeLine for its tooltip and description.
    void AddLine(const QString& text);
    // The line's state in plain text, one or more lines.
    std::function<QString(int line)> describeLine;
    // While menuRequested is handled: the pointer's global position for a
    // request by the mouse, nothing for one by the keyboard.
    std::optional<QPoint> MenuPoint() const { return menuPoint; }
    // The global point beside the selected line where a menu asked for by
    // the keyboard opens (the line is scrolled into view first); the list's
    // top left corner without a selection.
    QPoint SelectedLinePoint();

signals:
    void menuRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RequestMenu(std::optional<QPoint> at);
    std::optional<QPoint> menuPoint;
};

}  // namespace tikr::qt
