#pragma once
// A clock that tests set and move by hand.
#include "core/clock.h"

namespace tikr::test {

class FakeClock : public Clock {
public:
    FakeClock() = default;
    FakeClock(int year, int month, int day, int hour, int minute, int second) {
        Set(year, month, day, hour, minute, second);
    }

    bool LocalNow(LocalTimeFields& now) const override {
        if (!available) return false;
        now = fields;
        return true;
    }

    void Set(int year, int month, int day, int hour, int minute, int second) {
        fields = LocalTimeFields{year, month, day, hour, minute, second};
        available = true;
    }

    // Moves the clock on by whole seconds, across days, months and years.
    void Advance(long long seconds);

    LocalTimeFields fields{2026, 12, 8, 14, 30, 0};
    bool available = true;
};

inline void FakeClock::Advance(long long seconds) {
    auto isLeap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
    auto daysIn = [&](int y, int m) {
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && isLeap(y) ? 29 : days[m - 1];
    };
    long long total = fields.hour * 3600LL + fields.minute * 60LL + fields.second + seconds;
    long long dayShift = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    total -= dayShift * 86400;
    fields.hour = static_cast<int>(total / 3600);
    fields.minute = static_cast<int>(total / 60 % 60);
    fields.second = static_cast<int>(total % 60);
    for (; dayShift > 0; --dayShift) {
        if (++fields.day > daysIn(fields.year, fields.month)) {
            fields.day = 1;
            if (++fields.month > 12) { fields.month = 1; ++fields.year; }
        }
    }
    for (; dayShift < 0; ++dayShift) {
        if (--fields.day < 1) {
            if (--fields.month < 1) { fields.month = 12; --fields.year; }
            fields.day = daysIn(fields.year, fields.month);
        }
    }
}

}  // namespace tikr::test
