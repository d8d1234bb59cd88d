#pragma once
// The local clock of the machine: the C library's current calendar time in
// the local time zone.
#include "core/clock.h"

namespace tikr {

class SystemClock : public Clock {
public:
    // False when the current time or its local form cannot be had.
    bool LocalNow(LocalTimeFields& now) const override;
};

}  // namespace tikr
