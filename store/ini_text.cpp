#include "store/ini_text.h"

#include "store/ascii_text.h"

namespace tikr {

namespace {

// Blanks a read would trim away, or that could be taken for such.
bool IsEdgeSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// Plain loops: find_first_of with a set of characters costs a library
// call per character of the text, and every write checks its names.
bool HasLineBreakOrNul(std::string_view text) {
    for (const char c : text) {
        if (IsLineEnd(c) || c == '\0') return true;
    }
    return false;
}

bool IsTrimmed(std::string_view text) { return TrimBlanks(text).size() == text.size(); }

}  // namespace

bool IsValidSectionName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find(']') == std::string_view::npos && IsTrimmed(name);
}

bool IsValidKeyName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrNul(name) && name.find('=') == std::string_view::npos &&
           name.front() != '[' && name.front() != ';' && IsTrimmed(name);
}

void AppendEncodedIniValue(std::string& out, std::string_view value) {
    const std::size_t nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    if (value.empty()) return;

    // Every line break becomes one blank, so the first and last characters
    // of the stored text are known before it is built.
    auto stored = [](char c) { return IsLineEnd(c) ? ' ' : c; };
    const char first = stored(value.front());
    const char last = stored(value.back());
    const bool edgeSpace = IsEdgeSpace(first) || IsEdgeSpace(last);
    const bool quoted = value.size() >= 2 && (first == '"' || first == '\'') && first == last;
    const bool wrap = edgeSpace || quoted;

    if (wrap) out.push_back('"');
    for (std::size_t i = 0; i < value.size();) {
        std::size_t lineBreak = i;
        while (lineBreak < value.size() && !IsLineEnd(value[lineBreak])) ++lineBreak;
        if (lineBreak == value.size()) {
            out.append(value.substr(i));
            break;
        }
        out.append(value.substr(i, lineBreak - i));
        out.push_back(' ');
        i = lineBreak + 1;
        if (value[lineBreak] == '\r' && i < value.size() && value[i] == '\n') ++i;
    }
    if (wrap) out.push_back('"');
}

std::string EncodeIniValue(std::string_view value) {
    std::string text;
    AppendEncodedIniValue(text, value);
    return text;
}

}  // namespace tikr
