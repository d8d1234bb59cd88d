#pragma once
// The local clock of the machine. POSIX (posix/posix_system_clock.cpp): the C library's
// current calendar time in the local time zone. Windows
// (win32/win32_system_clock.cpp): the system's local time, GetLocalTime.
#include <ctime>

#include "core/clock.h"

namespace tikr {

// On POSIX it keeps its last conversion to local time: a check pass asks for the time
// once per task, converting costs far more than reading the clock, and
// within one second the answer is the same. One clock serves one thread.
class SystemClock : public Clock {
public:
    // False when the current time or its local form cannot be had.
    bool LocalNow(LocalTimeFields& now) const override;

private:
    mutable std::time_t lastSeconds_ = static_cast<std::time_t>(-1);
    mutable LocalTimeFields lastFields_;
};

}  // namespace tikr
