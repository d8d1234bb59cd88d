#pragma once
// The current local time, taken from the platform through this port so
// that tests can set the time.

namespace tikr {

struct LocalTimeFields {
    int year = 0;    // full year, e.g. 2026
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
};

class Clock {
public:
    virtual ~Clock() = default;
    // The current local calendar time to the second. False when the
    // platform cannot give it.
    virtual bool LocalNow(LocalTimeFields& now) const = 0;
};

}  // namespace tikr
