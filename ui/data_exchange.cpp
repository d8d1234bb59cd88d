#include "ui/data_exchange.h"

#include <utility>

#include "store/ascii_text.h"
#include "ui/window_port.h"

namespace tikr::ui {

namespace {

// An integer field is read into a buffer of 32 characters, terminator
// included.
constexpr std::size_t INTEGER_TEXT_CHARS = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters as the user sees them: the front end hands over UTF-8, where
// a character may take several bytes (continuation bytes are 10xxxxxx).
std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

std::optional<int> ParseIntegerText(std::string_view text) {
    text = text.substr(0, INTEGER_TEXT_CHARS);
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    std::size_t end = text.size();
    while (end > begin && IsBlank(text[end - 1])) --end;
    const std::string_view trimmed = text.substr(begin, end - begin);

    // The whole text must be the integer (clamped beyond the range of int).
    const IntegerPrefix read = ReadInteger(trimmed);
    if (!read.hasDigits || read.end != trimmed.size()) return std::nullopt;

    // A zero is only taken when it was written as a plain zero.
    if (read.value == 0 && trimmed.front() != '0') return std::nullopt;
    return read.value;
}

std::string FormatMessage(std::string_view pattern, std::string_view arg1, std::string_view arg2) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? arg1 : arg2;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

DataExchange::DataExchange(WindowPort& window, bool saving, std::string appTitle)
    : window(window), saving(saving), appTitle(std::move(appTitle)) {}

void DataExchange::Prepare(int id, bool editField) {
    lastControl = id;
    lastIsEdit = editField;
}

bool DataExchange::Fail(const std::string& message) {
    failed = true;
    window.ShowMessage(message, appTitle);
    window.SetFocus(lastControl);
    if (lastIsEdit) window.SelectAllText(lastControl);
    return false;
}

bool DataExchange::IntegerText(int id, int& value) {
    if (failed) return false;
    Prepare(id, true);
    if (!saving) {
        window.SetText(id, std::to_string(value));
        return true;
    }
    std::optional<int> parsed = ParseIntegerText(window.GetText(id));
    if (!parsed) return Fail(MSG_ENTER_INTEGER);
    value = *parsed;
    return true;
}

bool DataExchange::IntegerRange(int value, int min, int max) {
    if (failed) return false;
    if (!saving || (value >= min && value <= max)) return true;
    return Fail(FormatMessage(MSG_INTEGER_RANGE, std::to_string(min), std::to_string(max)));
}

bool DataExchange::StringText(int id, std::string& value) {
    if (failed) return false;
    Prepare(id, true);
    if (saving) value = window.GetText(id);
    else window.SetText(id, value);
    return true;
}

bool DataExchange::MaxChars(const std::string& value, int maxChars) {
    if (failed) return false;
    if (!saving) {
        window.LimitText(lastControl, maxChars);
        return true;
    }
    if (maxChars >= 0 && CharacterCount(value) > static_cast<std::size_t>(maxChars))
        return Fail(FormatMessage(MSG_MAX_CHARS, std::to_string(maxChars)));
    return true;
}

bool DataExchange::CheckBox(int id, int& value) {
    if (failed) return false;
    Prepare(id, false);
    if (saving) {
        value = window.GetCheck(id) == 1 ? 1 : 0;
    } else {
        if (value < 0 || value > 2) value = 0;
        window.SetCheck(id, value);
    }
    return true;
}

bool DataExchange::ComboIndex(int id, int& value) {
    if (failed) return false;
    Prepare(id, false);
    if (saving) value = window.GetComboSelection(id);
    else window.SetComboSelection(id, value);
    return true;
}

}  // namespace tikr::ui
