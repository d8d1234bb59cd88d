#pragma once
// A clock that tests set and move by hand.
#include "core/calendar.h"
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
    long long total = DaysFromCivil(fields.year, fields.month, fields.day) * 86400LL + fields.hour * 3600LL +
                      fields.minute * 60LL + fields.second + seconds;
    const long long days = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    total -= days * 86400;
    const CivilDate date = CivilFromDays(days);
    fields = LocalTimeFields{static_cast<int>(date.year),
                             date.month,
                             date.day,
                             static_cast<int>(total / 3600),
                             static_cast<int>(total / 60 % 60),
                             static_cast<int>(total % 60)};
}

}  // namespace tikr::test
