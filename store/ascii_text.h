#pragma once

// Text helpers in plain ASCII, independent of the C locale: bytes above 127
// (text in the ANSI code page) are never letters, digits or blanks here.

#include <climits>
#include <cstddef>
#include <string_view>

namespace tikr {

constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// True when both texts have the same bytes once ASCII letters are lower-cased.
constexpr bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// True when the text has at least two characters and starts and ends with
// the same quote, double or single: a read of an INI value removes one such
// pair.
constexpr bool IsEnclosedInQuotes(std::string_view text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.front() == text.back();
}

// What ReadInteger found at the start of a text.
struct IntegerPrefix {
    int value = 0;           // clamped to the range of int; 0 without digits
    bool hasDigits = false;  // at least one digit was read
    std::size_t end = 0;     // position after the last character read
};

enum class SignRule { allowed, none };

// Reads an optional "+" or "-" (unless signs are not allowed) and the
// decimal digits that follow, up to the first other character. Nothing is
// skipped before the sign. Any number of digits is read; values beyond int
// are clamped. Without digits, end is 0 (a lone sign is not consumed).
constexpr IntegerPrefix ReadInteger(std::string_view text, SignRule sign = SignRule::allowed) {
    IntegerPrefix result;
    std::size_t pos = 0;
    bool negative = false;
    if (sign == SignRule::allowed && pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // The magnitude saturates just past the largest int, so it stays well
    // inside 64 bits however many digits follow.
    constexpr long long LIMIT = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    const std::size_t digitsStart = pos;
    for (; pos < text.size() && IsAsciiDigit(text[pos]); ++pos) {
        if (magnitude <= LIMIT) magnitude = magnitude * 10 + (text[pos] - '0');
    }
    if (pos == digitsStart) return result;
    const long long value = negative ? -magnitude : magnitude;
    result.value = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
    result.hasDigits = true;
    result.end = pos;
    return result;
}

}  // namespace tikr
