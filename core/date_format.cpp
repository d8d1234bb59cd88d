#include "core/date_format.h"

#include <cstdint>

namespace tikr {

namespace {

constexpr const char* SHORT_DAYS[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* LONG_DAYS[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* SHORT_MONTHS[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* LONG_MONTHS[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

// Collects formatted text, dropping whatever goes beyond the limit.
class Output {
public:
    bool Full() const { return text.size() >= MAX_FORMAT_LENGTH; }
    void Put(char c) {
        if (!Full()) text.push_back(c);
    }
    void Put(const char* s) {
        while (*s) Put(*s++);
    }
    // A number of at least `width` digits, padded with `pad`.
    void Number(std::int64_t value, int width, char pad = '0') {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) Put('-');
        for (int i = n; i < width; ++i) Put(pad);
        while (n > 0) Put(digits[--n]);
    }
    std::string Take() { return std::move(text); }

private:
    std::string text;
};

void Expand(std::string_view pattern, const DateFields& f, Output& out);

void Convert(char conversion, const DateFields& f, Output& out) {
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

void Expand(std::string_view pattern, const DateFields& f, Output& out) {
    for (std::size_t i = 0; i < pattern.size() && !out.Full(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out.Put(pattern[i]);
            continue;
        }
        Convert(pattern[++i], f, out);
    }
}

}  // namespace

std::string FormatDateFields(std::string_view pattern, const DateFields& fields) {
    // The form every stored date is written in ("08-Dec-2026 14:30:00"),
    // written straight out: a full save formats tens of thousands of them.
    if (pattern == "%d-%b-%Y %H:%M:%S" && fields.date.year >= 1000 && fields.date.year <= 9999) {
        char text[20];
        const auto two = [&text](int at, int value) {
            text[at] = static_cast<char>('0' + value / 10);
            text[at + 1] = static_cast<char>('0' + value % 10);
        };
        const char* month = SHORT_MONTHS[fields.date.month - 1];
        two(0, fields.date.day);
        text[2] = '-';
        text[3] = month[0];
        text[4] = month[1];
        text[5] = month[2];
        text[6] = '-';
        two(7, static_cast<int>(fields.date.year / 100));
        two(9, static_cast<int>(fields.date.year % 100));
        text[11] = ' ';
        two(12, fields.hour);
        text[14] = ':';
        two(15, fields.minute);
        text[17] = ':';
        two(18, fields.second);
        return std::string(text, sizeof text);
    }
    Output out;
    Expand(pattern, fields, out);
    return out.Take();
}

}  // namespace tikr
