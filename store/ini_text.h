#pragma once
// The text rules of one INI line: which names can be written, how a value
// is stored after "key=" so that a read gives it back, and what a read
// makes of the stored text.
#include <cstddef>
#include <string>
#include <string_view>

#include "store/ascii_text.h"

namespace tikr {

// The text with blanks and tabs removed at both ends. Inline: every read
// of a value trims it.
inline std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.substr(begin, end - begin);
}

// True for line-end characters: a value or name never holds one.
constexpr bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Names that can be written as an INI line: not empty, no line break or
// NUL, no blanks at either end; a section name holds no "]", a key holds
// no "=" and does not start with "[" or ";".
bool IsValidSectionName(std::string_view name);
bool IsValidKeyName(std::string_view name);

// The text stored after "key=" so that a read gives back the value:
// - a NUL ends the value;
// - every line break (CRLF, CR or LF) becomes one space, since a value
//   lives on one line and the file format has no escape for a break;
// - a value with blanks at either end, or enclosed in one pair of
//   matching quotes, is wrapped in double quotes, as trimming and quote
//   removal on reading would otherwise change it.
std::string EncodeIniValue(std::string_view value);
// EncodeIniValue, appended to out.
void AppendEncodedIniValue(std::string& out, std::string_view value);

// The value a read gives for the raw text after "=": blanks and tabs
// trimmed, then one pair of enclosing matching quotes removed.
inline std::string_view DecodeIniValue(std::string_view raw) {
    std::string_view value = TrimBlanks(raw);
    if (IsEnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
    return value;
}

}  // namespace tikr
