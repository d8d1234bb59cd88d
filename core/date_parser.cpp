#include "core/date_parser.h"

#include <cstddef>
#include <cstdint>

#include "core/date_time.h"
#include "store/ascii_text.h"

namespace tikr {

namespace {

constexpr const char* MONTH_NAMES[12] = {"january", "february", "march",     "april",   "may",      "june",
                                         "july",    "august",   "september", "october", "november", "december"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

class Scanner {
public:
    explicit Scanner(std::string_view input) : text(input), end(input.size()) {
        while (pos < end && IsBlank(text[pos])) ++pos;
        while (end > pos && IsBlank(text[end - 1])) --end;
    }

    bool AtEnd() const { return pos == end; }

    bool Take(char c) {
        if (AtEnd() || text[pos] != c) return false;
        ++pos;
        return true;
    }

    // Reads a run of digits of minDigits..maxDigits. Over maxDigits fails.
    bool Number(std::size_t minDigits, std::size_t maxDigits, std::int64_t& value) {
        const IntegerPrefix read = ReadInteger(Rest(), SignRule::none);
        value = read.value;
        pos += read.end;
        return read.end >= minDigits && read.end <= maxDigits;
    }

    // A year: any number of digits; a number beyond int is clamped rather
    // than failing, since it is still a date shape (and out of range).
    bool Year(std::size_t minDigits, std::int64_t& value) { return Number(minDigits, SIZE_MAX, value); }

    // An English month name, abbreviated to three letters or in full.
    bool Month(std::int64_t& month) {
        const std::size_t start = pos;
        while (!AtEnd() && IsAsciiLetter(text[pos])) ++pos;
        const std::size_t length = pos - start;
        for (int m = 0; m < 12; ++m) {
            const std::string_view name = MONTH_NAMES[m];
            if (length != 3 && length != name.size()) continue;
            bool same = true;
            for (std::size_t i = 0; i < length && same; ++i) same = LowerAscii(text[start + i]) == name[i];
            if (same) {
                month = m + 1;
                return true;
            }
        }
        return false;
    }

    std::size_t DigitsAhead() const {
        std::size_t n = 0;
        while (pos + n < end && IsAsciiDigit(text[pos + n])) ++n;
        return n;
    }

    bool SkipBlanks() {
        const std::size_t start = pos;
        while (!AtEnd() && IsBlank(text[pos])) ++pos;
        return pos != start;
    }

private:
    std::string_view Rest() const { return std::string_view(text).substr(pos, end - pos); }

    std::string_view text;
    std::size_t pos = 0;
    std::size_t end;
};

struct Parsed {
    std::int64_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "HH:MM" or "HH:MM:SS" up to the end of the text.
bool ReadTime(Scanner& s, Parsed& p) {
    if (!s.Number(1, 2, p.hour) || !s.Take(':') || !s.Number(2, 2, p.minute)) return false;
    if (s.Take(':') && !s.Number(2, 2, p.second)) return false;
    return s.AtEnd();
}

// Whatever follows the date: nothing, or a time after blanks (or a "T" when
// the ISO order allows it).
bool ReadRest(Scanner& s, Parsed& p, bool allowT) {
    if (s.AtEnd()) return true;
    if (s.SkipBlanks() || (allowT && (s.Take('T') || s.Take('t')))) return ReadTime(s, p);
    return false;
}

bool ReadDate(std::string_view text, Parsed& p) {
    Scanner s(text);
    // The leading number is either the day (one or two digits) or an ISO year.
    const std::size_t leading = s.DigitsAhead();
    if (leading == 0) return false;
    if (leading <= 2) {
        if (!s.Number(1, 2, p.day) || !s.Take('-') || !s.Month(p.month) || !s.Take('-') || !s.Year(1, p.year))
            return false;
        return ReadRest(s, p, false);
    }
    if (!s.Year(3, p.year) || !s.Take('-') || !s.Number(1, 2, p.month) || !s.Take('-') || !s.Number(1, 2, p.day))
        return false;
    return ReadRest(s, p, true);
}

// The form every stored date is written in, "08-Dec-2026 14:30:00" and
// nothing around it, read at fixed places: a load reads tens of thousands
// of them. False for anything else, which ReadDate then reads; what this
// accepts, ReadDate reads the same way.
bool ReadStoredForm(std::string_view text, Parsed& p) {
    if (text.size() != 20 || text[2] != '-' || text[6] != '-' || text[11] != ' ' || text[14] != ':' || text[17] != ':')
        return false;
    const auto digits = [&text](std::size_t at, std::size_t count, std::int64_t& value) {
        value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (!IsAsciiDigit(text[i])) return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    p.month = 0;
    for (int m = 0; m < 12 && p.month == 0; ++m) {
        const char* name = MONTH_NAMES[m];
        if (LowerAscii(text[3]) == name[0] && LowerAscii(text[4]) == name[1] && LowerAscii(text[5]) == name[2])
            p.month = m + 1;
    }
    return p.month != 0 && digits(0, 2, p.day) && digits(7, 4, p.year) && digits(12, 2, p.hour) &&
           digits(15, 2, p.minute) && digits(18, 2, p.second);
}

}  // namespace

DateParseResult ParseDateText(std::string_view text, double& dayNumber) {
    Parsed p;
    if (!ReadStoredForm(text, p)) {
        p = Parsed{};
        if (!ReadDate(text, p)) return DateParseResult::notADate;
    }
    if (p.month < 1 || p.month > 12 || p.day < 1 || p.day > 31 || p.hour > 23 || p.minute > 59 || p.second > 59)
        return DateParseResult::notADate;
    if (p.year < 100 || p.year > 9999) return DateParseResult::outOfRange;
    DateTime value;
    // Fails only for a day the month lacks, the other fields being checked.
    if (!value.SetDateTime(static_cast<int>(p.year), static_cast<int>(p.month), static_cast<int>(p.day),
                           static_cast<int>(p.hour), static_cast<int>(p.minute), static_cast<int>(p.second)))
        return DateParseResult::notADate;
    // The range ends at 0100-01-01 and 9999-12-31 00:00:00 exactly: a time
    // on either day outside that (01-Jan-100 04:30) is out of range too, so
    // everything accepted here can be formatted and stored again.
    if (value.GetDayNumber() < DateTime::MIN_DAY_NUMBER || value.GetDayNumber() > DateTime::MAX_DAY_NUMBER)
        return DateParseResult::outOfRange;
    dayNumber = value.GetDayNumber();
    return DateParseResult::ok;
}

}  // namespace tikr
