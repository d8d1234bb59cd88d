#pragma once
// Local calendar date-times with second resolution, held as a day number:
// days since 1899-12-30 00:00:00, the fraction being the time of day.
// Before 1899-12-30 the whole part is negative while the fraction still
// counts forward from midnight (-1.25 is 1899-12-29 06:00), so comparison
// and addition work on a continuous line derived from the day number.
#include <string>
#include <string_view>

#include "core/calendar.h"

namespace tikr {

class Clock;

enum class DateTimeStatus { valid, invalid };

class DateTimeSpan {
public:
    DateTimeSpan() = default;
    DateTimeSpan(int days, int hours, int minutes, int seconds);
    explicit DateTimeSpan(double days) : span(days) {}
    double GetSpan() const { return span; }

private:
    double span = 0.0;  // days, the fraction being part of a day
};

class DateTime {
public:
    // Day numbers of 0100-01-01 and 9999-12-31 00:00:00.
    static constexpr double MIN_DAY_NUMBER = -657434.0;
    static constexpr double MAX_DAY_NUMBER = 2958465.0;

    DateTime() = default;  // day number 0 (1899-12-30 00:00:00), valid
    explicit DateTime(double days, DateTimeStatus initialStatus = DateTimeStatus::valid)
        : dayNumber(days), status(initialStatus) {}

    // The clock's local time to the second; invalid when it has none.
    static DateTime Now(const Clock& clock);

    // False (and invalid, day number unchanged) when a field is out of range.
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);

    // Fields; -1 when invalid or outside the representable range.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday .. 7 = Saturday
    // All six fields at once; false (fields untouched) where the getters
    // would give -1.
    bool GetFields(LocalTimeFields& fields) const;

    DateTimeStatus GetStatus() const { return status; }
    void SetStatus(DateTimeStatus newStatus) { status = newStatus; }
    bool IsValid() const { return status == DateTimeStatus::valid; }
    double GetDayNumber() const { return dayNumber; }

    // Comparisons on the continuous time line; the status is not looked at.
    bool operator<(const DateTime& other) const;
    bool operator<=(const DateTime& other) const;
    bool operator>=(const DateTime& other) const;
    bool operator>(const DateTime& other) const { return other < *this; }

    DateTime operator+(const DateTimeSpan& span) const;
    DateTime& operator+=(const DateTimeSpan& span);

    // strftime-style conversions in the "C" locale (English month and day
    // names whatever the user's language), at most 127 characters. Empty
    // for an invalid or out-of-range value.
    std::string Format(std::string_view pattern) const;

    // Reads a date text (see date_parser.h). Not a date: invalid with day
    // number 0; a date outside the range: invalid with day number -1.
    bool Parse(std::string_view text);

private:
    double dayNumber = 0.0;
    DateTimeStatus status = DateTimeStatus::valid;
};

}  // namespace tikr
