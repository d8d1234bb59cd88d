#pragma once
// The data exchange between a dialog's fields and its controls, shared by
// the main window and the task properties dialog. One DataExchange object
// serves one pass in one direction: loading (fields to controls) or saving
// (controls to fields, with validation).
//
// A failed step, which can only happen while saving, shows its message
// (caption: the application title), moves the focus to the control the
// step was about, selects the control's whole text when it is an edit
// field, and marks the exchange failed: every later step is then skipped
// and returns false. Hidden controls are exchanged like visible ones.
#include <optional>
#include <string>
#include <string_view>

namespace tikr::ui {

class WindowPort;

// Messages of the exchange.
inline constexpr const char* MSG_ENTER_INTEGER = "Please enter an integer.";
inline constexpr const char* MSG_INTEGER_RANGE = "Please enter an integer between %1 and %2.";
inline constexpr const char* MSG_MAX_CHARS = "Please enter no more than %1 characters.";

// Reads the text of an integer edit field: its first 31 characters, blanks
// and tabs at both ends ignored, an optional sign and decimal digits only.
// A value beyond 32 bits becomes the nearest end of the range. A result of
// 0 counts only when the first character after the leading blanks is the
// digit 0 ("-0" and "+0" fail). Nothing when the text is not an integer.
std::optional<int> ParseIntegerText(std::string_view text);

// Replaces "%1" and "%2" in a message template.
std::string FormatMessage(std::string_view pattern, std::string_view arg1, std::string_view arg2 = {});

class DataExchange {
public:
    DataExchange(WindowPort& window, bool saving, std::string appTitle);

    bool IsSaving() const { return saving; }
    bool Failed() const { return failed; }

    // Integer text of an edit field ("%d" when loading).
    bool IntegerText(int id, int& value);
    // Saving only: value must lie in min..max. Refers to the last control.
    bool IntegerRange(int value, int min, int max);
    // The whole text of an edit field.
    bool StringText(int id, std::string& value);
    // Loading: limits typing to maxChars; saving: a longer text fails.
    // Refers to the last control.
    bool MaxChars(const std::string& value, int maxChars);
    // Check box: loading first sets a value outside 0..2 to 0; saving gives
    // 1 when checked, else 0.
    bool CheckBox(int id, int& value);
    // Combo box selection: loading selects the entry at the index (none
    // when there is no such entry); saving gives the index or -1.
    bool ComboIndex(int id, int& value);

    // Reports a failure about the last control: message, focus, selection.
    bool Fail(const std::string& message);

private:
    void Prepare(int id, bool editField);

    WindowPort& window;
    bool saving;
    std::string appTitle;
    bool failed = false;
    int lastControl = 0;
    bool lastIsEdit = false;
};

}  // namespace tikr::ui
