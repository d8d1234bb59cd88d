#include "core/date_time.h"

#include <cmath>
#include <cstdint>

#include "core/calendar.h"
#include "core/clock.h"
#include "core/date_format.h"
#include "core/date_parser.h"

namespace tikr {

namespace {

constexpr double SECONDS_PER_DAY = 86400.0;
constexpr double HALF_SECOND = 0.5 / SECONDS_PER_DAY;

// Day number 0 (1899-12-30) counted from 1970-01-01, the epoch of the
// calendar algorithms below.
constexpr std::int64_t EPOCH_OFFSET = 25569;

// Days before the first of each month in a common year.
constexpr int DAYS_BEFORE_MONTH[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool InRange(double dayNumber) {
    // Written so that NaN is out of range as well.
    return dayNumber >= DateTime::MIN_DAY_NUMBER && dayNumber <= DateTime::MAX_DAY_NUMBER;
}

// The continuous time line: equal to the day number from 1899-12-30 on,
// and for earlier values the whole days are negative while the time of day
// still counts forward, so the day number is mirrored within its day.
double ToContinuous(double dayNumber) { return dayNumber >= 0 ? dayNumber : 2 * std::ceil(dayNumber) - dayNumber; }

// The day number of a whole second, given as whole days since 1899-12-30
// and the second of that day. Every way of reaching one second gives this
// same number, so two computations of one moment compare equal.
double DayNumberOf(std::int64_t day, std::int64_t secondOfDay) {
    const double t = static_cast<double>(secondOfDay) / SECONDS_PER_DAY;
    return day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t;
}

double FromContinuous(double continuous) {
    return continuous >= 0 ? continuous : 2 * std::floor(continuous) - continuous;
}

// The fields of a day number read to the nearest second.
bool ReadFields(double dayNumber, DateTimeStatus status, DateFields& out) {
    if (status != DateTimeStatus::valid || !InRange(dayNumber)) return false;
    std::int64_t day;
    int seconds;
    if (dayNumber > 0) {
        const double rounded = dayNumber + HALF_SECOND;
        const double whole = std::floor(rounded);
        day = static_cast<std::int64_t>(whole);
        seconds = static_cast<int>((rounded - whole) * SECONDS_PER_DAY);
    } else {
        // Before 1899-12-30 the fraction of the absolute value is the time
        // of day. Rounding up to a full day moves on to midnight of the
        // following calendar day (day + 1), not back across the whole part.
        const double magnitude = -dayNumber;
        const double whole = std::floor(magnitude);
        day = -static_cast<std::int64_t>(whole);
        seconds = static_cast<int>(std::floor((magnitude - whole) * SECONDS_PER_DAY + 0.5));
    }
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    out.date = CivilFromDays(day - EPOCH_OFFSET);
    out.hour = seconds / 3600;
    out.minute = seconds / 60 % 60;
    out.second = seconds % 60;
    // 693958 makes day 0 a Saturday; the double modulo also copes with a
    // negative sum, which cannot occur inside the range.
    out.dayOfWeek = static_cast<int>(((day + 693958) % 7 + 7) % 7) + 1;
    out.dayOfYear = DAYS_BEFORE_MONTH[out.date.month - 1] + out.date.day +
                    (out.date.month > 2 && IsLeapYear(out.date.year) ? 1 : 0);
    return true;
}

}  // namespace

DateTimeSpan::DateTimeSpan(int days, int hours, int minutes, int seconds)
    : span(days + hours / 24.0 + minutes / 1440.0 + seconds / SECONDS_PER_DAY) {}

DateTime DateTime::Now(const Clock& clock) {
    DateTime now;
    LocalTimeFields fields;
    if (!clock.LocalNow(fields)) {
        now.status = DateTimeStatus::invalid;
        return now;
    }
    now.SetDateTime(fields.year, fields.month, fields.day, fields.hour, fields.minute, fields.second);
    return now;
}

bool DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    // The fields are unsigned 16-bit quantities: a negative one (or one too
    // big for 16 bits) is out of range rather than wrapped round.
    auto fits = [](int value, int high) { return value >= 0 && value <= high; };
    if (!fits(year, 9999) || !fits(month, 12) || month < 1 || !fits(hour, 23) || !fits(minute, 59) ||
        !fits(second, 59) || day < 1 || day > DaysInMonth(year, month)) {
        status = DateTimeStatus::invalid;
        return false;
    }
    dayNumber = DayNumberOf(DaysFromCivil(year, month, day) + EPOCH_OFFSET, hour * 3600 + minute * 60 + second);
    status = DateTimeStatus::valid;
    return true;
}

int DateTime::GetYear() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? static_cast<int>(f.date.year) : -1;
}

int DateTime::GetMonth() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.date.month : -1;
}

int DateTime::GetDay() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.date.day : -1;
}

int DateTime::GetHour() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.hour : -1;
}

int DateTime::GetMinute() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.minute : -1;
}

int DateTime::GetSecond() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.second : -1;
}

int DateTime::GetDayOfWeek() const {
    DateFields f;
    return ReadFields(dayNumber, status, f) ? f.dayOfWeek : -1;
}

bool DateTime::GetFields(LocalTimeFields& fields) const {
    DateFields f;
    if (!ReadFields(dayNumber, status, f)) return false;
    fields.year = static_cast<int>(f.date.year);
    fields.month = f.date.month;
    fields.day = f.date.day;
    fields.hour = f.hour;
    fields.minute = f.minute;
    fields.second = f.second;
    return true;
}

bool DateTime::operator<(const DateTime& other) const {
    return ToContinuous(dayNumber) < ToContinuous(other.dayNumber);
}

bool DateTime::operator<=(const DateTime& other) const {
    return ToContinuous(dayNumber) <= ToContinuous(other.dayNumber);
}

bool DateTime::operator>=(const DateTime& other) const {
    return ToContinuous(dayNumber) >= ToContinuous(other.dayNumber);
}

DateTime DateTime::operator+(const DateTimeSpan& span) const {
    if (status != DateTimeStatus::valid) return DateTime(0.0, DateTimeStatus::invalid);
    const double continuous = ToContinuous(dayNumber) + span.GetSpan();
    const double sum = FromContinuous(continuous);
    if (!InRange(sum)) return DateTime(sum, DateTimeStatus::invalid);
    // The sum lands on the nearest whole second, exactly as SetDateTime
    // makes that second: a span built from fractions of a day is seldom a
    // whole number of seconds in binary, and a result a hair after the
    // second would not be due at that second. Inside the range the count
    // of seconds (below 3e11) is exact in a double.
    const auto total = static_cast<std::int64_t>(std::round(continuous * SECONDS_PER_DAY));
    std::int64_t day = total / 86400;
    std::int64_t secondOfDay = total % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --day;
    }
    return DateTime(DayNumberOf(day, secondOfDay));
}

DateTime& DateTime::operator+=(const DateTimeSpan& span) {
    *this = *this + span;
    return *this;
}

std::string DateTime::Format(std::string_view pattern) const {
    DateFields f;
    if (!ReadFields(dayNumber, status, f)) return std::string();
    return FormatDateFields(pattern, f);
}

bool DateTime::Parse(std::string_view text) {
    double parsed = 0.0;
    switch (ParseDateText(text, parsed)) {
    case DateParseResult::ok:
        dayNumber = parsed;
        status = DateTimeStatus::valid;
        return true;
    case DateParseResult::outOfRange: dayNumber = -1.0; break;
    case DateParseResult::notADate: dayNumber = 0.0; break;
    }
    status = DateTimeStatus::invalid;
    return false;
}

}  // namespace tikr
