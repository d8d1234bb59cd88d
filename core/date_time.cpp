#include "core/date_time.h"

#include <cmath>
#include <cstdint>

#include "core/clock.h"
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

bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : DAYS[month - 1];
}

// Days from 1970-01-01 to the given proleptic Gregorian date. Eras of
// 400 years (146097 days) make the computation independent of the sign.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;                                    // [0, 399]
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;            // [0, 146096]
    return era * 146097 + doe - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;  // 1..12
    int day;    // 1..31
};

// The inverse of DaysFromCivil.
CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;                                  // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);           // [0, 365]
    const std::int64_t mp = (5 * doy + 2) / 153;                                // [0, 11]
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);             // [1, 31]
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);              // [1, 12]
    return CivilDate{yoe + era * 400 + (month <= 2), month, day};
}

bool InRange(double dayNumber) {
    // Written so that NaN is out of range as well.
    return dayNumber >= DateTime::MIN_DAY_NUMBER && dayNumber <= DateTime::MAX_DAY_NUMBER;
}

// The continuous time line: equal to the day number from 1899-12-30 on,
// and for earlier values the whole days are negative while the time of day
// still counts forward, so the day number is mirrored within its day.
double ToContinuous(double dayNumber) {
    return dayNumber >= 0 ? dayNumber : 2 * std::ceil(dayNumber) - dayNumber;
}

double FromContinuous(double continuous) {
    return continuous >= 0 ? continuous : 2 * std::floor(continuous) - continuous;
}

// A day number read to the nearest second.
struct Fields {
    std::int64_t day;  // whole days since 1899-12-30 (negative before it)
    int secondOfDay;   // 0..86399
    CivilDate date;
    int hour;
    int minute;
    int second;
    int dayOfWeek;  // 1 = Sunday .. 7 = Saturday
    int dayOfYear;  // 1..366
};

bool ReadFields(double dayNumber, DateTimeStatus status, Fields& out) {
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
    out.day = day;
    out.secondOfDay = seconds;
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

// ---- Format ----

constexpr const char* SHORT_DAYS[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* LONG_DAYS[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
constexpr const char* SHORT_MONTHS[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* LONG_MONTHS[12] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};

constexpr std::size_t MAX_FORMAT_LENGTH = 127;

// Collects formatted text, dropping whatever goes beyond the limit.
class Output {
public:
    bool Full() const { return text_.size() >= MAX_FORMAT_LENGTH; }
    void Put(char c) {
        if (!Full()) text_.push_back(c);
    }
    void Put(const char* s) {
        while (*s) Put(*s++);
    }
    // A number of at least `width` digits, padded with `pad`.
    void Number(std::int64_t value, int width, char pad = '0') {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value)
                                           : static_cast<std::uint64_t>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) Put('-');
        for (int i = n; i < width; ++i) Put(pad);
        while (n > 0) Put(digits[--n]);
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

void Expand(const std::string& pattern, const Fields& f, Output& out);

void Convert(char conversion, const Fields& f, Output& out) {
    const int weekday = f.dayOfWeek - 1;  // 0 = Sunday
    const int hour12 = f.hour % 12 == 0 ? 12 : f.hour % 12;
    switch (conversion) {
    case 'a': out.Put(SHORT_DAYS[weekday]); break;
    case 'A': out.Put(LONG_DAYS[weekday]); break;
    case 'b':
    case 'h': out.Put(SHORT_MONTHS[f.date.month - 1]); break;
    case 'B': out.Put(LONG_MONTHS[f.date.month - 1]); break;
    case 'c': Expand("%a %b %e %H:%M:%S %Y", f, out); break;
    case 'C': out.Number(f.date.year / 100, 2); break;
    case 'd': out.Number(f.date.day, 2); break;
    case 'D':
    case 'x': Expand("%m/%d/%y", f, out); break;
    case 'e': out.Number(f.date.day, 2, ' '); break;
    case 'F': Expand("%Y-%m-%d", f, out); break;
    case 'H': out.Number(f.hour, 2); break;
    case 'I': out.Number(hour12, 2); break;
    case 'j': out.Number(f.dayOfYear, 3); break;
    case 'm': out.Number(f.date.month, 2); break;
    case 'M': out.Number(f.minute, 2); break;
    case 'n': out.Put('\n'); break;
    case 'p': out.Put(f.hour < 12 ? "AM" : "PM"); break;
    case 'r': Expand("%I:%M:%S %p", f, out); break;
    case 'R': Expand("%H:%M", f, out); break;
    case 'S': out.Number(f.second, 2); break;
    case 't': out.Put('\t'); break;
    case 'T':
    case 'X': Expand("%H:%M:%S", f, out); break;
    case 'u': out.Number(weekday == 0 ? 7 : weekday, 1); break;
    case 'U': out.Number((f.dayOfYear - 1 + 7 - weekday) / 7, 2); break;
    case 'w': out.Number(weekday, 1); break;
    case 'W': out.Number((f.dayOfYear - 1 + 7 - (weekday + 6) % 7) / 7, 2); break;
    case 'y': out.Number(f.date.year % 100, 2); break;
    case 'Y': out.Number(f.date.year, 1); break;
    case '%': out.Put('%'); break;
    default:
        // Not a conversion this system knows: kept as written.
        out.Put('%');
        out.Put(conversion);
        break;
    }
}

void Expand(const std::string& pattern, const Fields& f, Output& out) {
    for (std::size_t i = 0; i < pattern.size() && !out.Full(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out.Put(pattern[i]);
            continue;
        }
        Convert(pattern[++i], f, out);
    }
}

}  // namespace

DateTimeSpan::DateTimeSpan(int days, int hours, int minutes, int seconds)
    : span_(days + hours / 24.0 + minutes / 1440.0 + seconds / SECONDS_PER_DAY) {}

DateTime DateTime::Now(const Clock& clock) {
    DateTime now;
    LocalTimeFields fields;
    if (!clock.LocalNow(fields)) {
        now.status_ = DateTimeStatus::invalid;
        return now;
    }
    now.SetDateTime(fields.year, fields.month, fields.day, fields.hour, fields.minute, fields.second);
    return now;
}

bool DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    // The fields are unsigned 16-bit quantities: a negative one (or one too
    // big for 16 bits) is out of range rather than wrapped round.
    auto fits = [](int value, int high) { return value >= 0 && value <= high; };
    if (!fits(year, 9999) || !fits(month, 12) || month < 1 || !fits(hour, 23) ||
        !fits(minute, 59) || !fits(second, 59) || day < 1 || day > DaysInMonth(year, month)) {
        status_ = DateTimeStatus::invalid;
        return false;
    }
    const std::int64_t n = DaysFromCivil(year, month, day) + EPOCH_OFFSET;
    const double t = (hour * 3600 + minute * 60 + second) / SECONDS_PER_DAY;
    dayNumber_ = n >= 0 ? static_cast<double>(n) + t : static_cast<double>(n) - t;
    status_ = DateTimeStatus::valid;
    return true;
}

int DateTime::GetYear() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? static_cast<int>(f.date.year) : -1;
}

int DateTime::GetMonth() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.date.month : -1;
}

int DateTime::GetDay() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.date.day : -1;
}

int DateTime::GetHour() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.hour : -1;
}

int DateTime::GetMinute() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.minute : -1;
}

int DateTime::GetSecond() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.second : -1;
}

int DateTime::GetDayOfWeek() const {
    Fields f;
    return ReadFields(dayNumber_, status_, f) ? f.dayOfWeek : -1;
}

bool DateTime::GetFields(LocalTimeFields& fields) const {
    Fields f;
    if (!ReadFields(dayNumber_, status_, f)) return false;
    fields.year = static_cast<int>(f.date.year);
    fields.month = f.date.month;
    fields.day = f.date.day;
    fields.hour = f.hour;
    fields.minute = f.minute;
    fields.second = f.second;
    return true;
}

bool DateTime::operator<(const DateTime& other) const {
    return ToContinuous(dayNumber_) < ToContinuous(other.dayNumber_);
}

bool DateTime::operator<=(const DateTime& other) const {
    return ToContinuous(dayNumber_) <= ToContinuous(other.dayNumber_);
}

bool DateTime::operator>=(const DateTime& other) const {
    return ToContinuous(dayNumber_) >= ToContinuous(other.dayNumber_);
}

DateTime DateTime::operator+(const DateTimeSpan& span) const {
    if (status_ != DateTimeStatus::valid) return DateTime(0.0, DateTimeStatus::invalid);
    const double sum = FromContinuous(ToContinuous(dayNumber_) + span.GetSpan());
    return DateTime(sum, InRange(sum) ? DateTimeStatus::valid : DateTimeStatus::invalid);
}

DateTime& DateTime::operator+=(const DateTimeSpan& span) {
    *this = *this + span;
    return *this;
}

std::string DateTime::Format(const std::string& pattern) const {
    Fields f;
    if (!ReadFields(dayNumber_, status_, f)) return std::string();
    Output out;
    Expand(pattern, f, out);
    return out.Take();
}

bool DateTime::Parse(const std::string& text) {
    double parsed = 0.0;
    switch (ParseDateText(text, parsed)) {
    case DateParseResult::ok:
        dayNumber_ = parsed;
        status_ = DateTimeStatus::valid;
        return true;
    case DateParseResult::outOfRange:
        dayNumber_ = -1.0;
        break;
    case DateParseResult::notADate:
        dayNumber_ = 0.0;
        break;
    }
    status_ = DateTimeStatus::invalid;
    return false;
}

}  // namespace tikr
