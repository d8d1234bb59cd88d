#pragma once
// The current local time, taken from the platform through this port so
// that tests can set the time.
#include "core/calendar.h"

namespace tikr {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local calendar time to the second. False when the
    // platform cannot give it.
    virtual bool LocalNow(LocalTimeFields& now) const = 0;
};

}  // namespace tikr
