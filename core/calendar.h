#pragma once
// The proleptic Gregorian calendar: leap years, month lengths, and the
// conversion between civil dates and serial day counts.
// The civil-date conversions are Howard Hinnant's "chrono-Compatible
// Low-Level Date Algorithms" (days_from_civil, civil_from_days).
#include <cstdint>

namespace tikr {

// Calendar fields of a local date and time, as the clock gives them and as
// a date-time reads them back.
struct LocalTimeFields {
    int year = 0;    // full year, e.g. 2026
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

struct CivilDate {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

constexpr bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days of the month (1..12) in the year; February has 29 in a leap year.
constexpr int DaysInMonth(std::int64_t year, int month) {
    constexpr int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : DAYS[month - 1];
}

// Days from 1970-01-01 to the date. Eras of 400 years (146097 days) make
// the computation independent of the sign.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;                                    // [0, 399]
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + doe - 719468;
}

// The date that lies z days after 1970-01-01; the inverse of DaysFromCivil.
constexpr CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;                                       // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365]
    const std::int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11]
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);                  // [1, 31]
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);                   // [1, 12]
    return CivilDate{yoe + era * 400 + (month <= 2), month, day};
}

}  // namespace tikr
