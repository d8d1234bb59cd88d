#pragma once
// The parser behind DateTime::Parse.
#include <string>

namespace tikr {

enum class DateParseResult {
    ok,          // dayNumber holds the date and time
    notADate,    // no date in the text (the empty text included)
    outOfRange,  // a date, but outside 0100-01-01 .. 9999-12-31
};

// Accepts "DD-Mon-YYYY HH:MM:SS" as DateTime::Format writes it (month names
// in any letter case, seconds and the time optional) and the ISO forms
// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" and "YYYY-MM-DD HH:MM:SS" (a "T" may stand
// for the blank). Blanks around the text are ignored; anything else is not
// a date.
DateParseResult ParseDateText(const std::string& text, double& dayNumber);

}  // namespace tikr
