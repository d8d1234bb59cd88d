#pragma once
// The line helpers that reading and writing an INI document share
// (ini_document.cpp, ini_document_write.cpp).
#include <cstddef>
#include <string_view>

#include "store/ascii_text.h"
#include "store/ini_text.h"

namespace tikr::ini_lines {

constexpr std::size_t SHORT_PLACE = 255;  // the largest place a Line holds
constexpr std::size_t TYPICAL_KEYS = 12;  // a task's, room for which a new section gets

// The length of a line's text without its line end.
inline std::size_t ContentLength(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsLineEnd(text[end - 1])) --end;
    return end;
}

inline bool HasLineEnd(std::string_view text) { return !text.empty() && IsLineEnd(text.back()); }

// CaseInsensitiveEqual for the short names of the lookups, without a
// library call.
inline bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

}  // namespace tikr::ini_lines
