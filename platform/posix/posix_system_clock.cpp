#include "platform/system_clock.h"

namespace tikr {

bool SystemClock::LocalNow(LocalTimeFields& now) const {
    const std::time_t seconds = std::time(nullptr);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    if (seconds != lastSeconds_) {
        std::tm local{};
        if (localtime_r(&seconds, &local) == nullptr) return false;
        lastFields_.year = local.tm_year + 1900;
        lastFields_.month = local.tm_mon + 1;
        lastFields_.day = local.tm_mday;
        lastFields_.hour = local.tm_hour;
        lastFields_.minute = local.tm_min;
        // A leap second (60) is read as the last ordinary second of the
        // minute, which date-times can hold.
        lastFields_.second = local.tm_sec > 59 ? 59 : local.tm_sec;
        lastSeconds_ = seconds;
    }
    now = lastFields_;
    return true;
}

}  // namespace tikr
