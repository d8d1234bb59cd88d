#include "store/ini_text.h"

#include "store/ascii_text.h"

namespace tikr {

namespace {

// Blanks a read would trim away, or that could be taken for such.
bool IsEdgeSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// One plain loop over the name: every write checks its two names, and a
// library call per search costs more than the short names take.
bool IsValidName(std::string_view name, char forbidden) {
    if (name.empty()) return false;
    const char first = name.front();
    const char last = name.back();
    if (first == ' ' || first == '\t' || last == ' ' || last == '\t') return false;
    for (const char c : name) {
        // Line ends and NUL are all at or below CR: most characters pass
        // with one comparison.
        if ((static_cast<unsigned char>(c) <= '\r' && (c == '\r' || c == '\n' || c == '\0')) || c == forbidden)
            return false;
    }
    return true;
}

}  // namespace

bool IsValidSectionName(std::string_view name) { return IsValidName(name, ']'); }

bool IsValidKeyName(std::string_view name) {
    return IsValidName(name, '=') && name.front() != '[' && name.front() != ';';
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
