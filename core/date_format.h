#pragma once
// The formatter behind DateTime::Format: strftime conversions in the "C"
// locale, so month and day names are English whatever the user's language.
#include <string>
#include <string_view>

#include "core/calendar.h"

namespace tikr {

// The fields of one date-time that the conversions need.
struct DateFields {
    CivilDate date;
    int hour;       // 0..23
    int minute;     // 0..59
    int second;     // 0..59
    int dayOfWeek;  // 1 = Sunday .. 7 = Saturday
    int dayOfYear;  // 1..366
};

// At most this many characters come out; the rest is dropped.
constexpr std::size_t MAX_FORMAT_LENGTH = 127;

// The pattern with every conversion ("%d", "%b", "%Y", "%H" ...) expanded.
// A conversion the C library does not know is kept as written.
std::string FormatDateFields(std::string_view pattern, const DateFields& fields);

}  // namespace tikr
