#pragma once
// The parser behind DateTime::Parse.
#include <string>
#include <string_view>

namespace tikr {

enum class DateParseResult {
    ok,          // dayNumber holds the date and time
    notADate,    // no date in the text (the empty text included)
    outOfRange,  // a date, but outside 0100-01-01 .. 9999-12-31
};

// Accepted forms (nothing else is a date):
//   "DD-Mon-YYYY"            as DateTime::Format writes "%d-%b-%Y"; the day
//                            has one or two digits, the month is an English
//                            abbreviation or full name in any letter case
//                            ("Dec", "DEC", "december"), the year one or more
//                            digits (Format writes years below 1000 with three)
//   "YYYY-MM-DD"             ISO order, a year of three or more digits, month
//                            and day of one or two digits
// Either may be followed by blanks and a time "HH:MM" or "HH:MM:SS" (hour one
// or two digits, minutes and seconds two); after an ISO date a "T" may stand
// for the blanks. Blanks (spaces and tabs) around the text are ignored.
//
// A day the month lacks (31-Apr, 29-Feb of a common year), a month outside
// 1..12 or an hour, minute or second out of its range is not a date. A year
// outside 100..9999 is out of range. A missing time is midnight.
DateParseResult ParseDateText(std::string_view text, double& dayNumber);

}  // namespace tikr
