#include "platform/system_clock.h"

#include <ctime>

namespace tikr {

bool SystemClock::LocalNow(LocalTimeFields& now) const {
    const std::time_t seconds = std::time(nullptr);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return false;
    now.year = local.tm_year + 1900;
    now.month = local.tm_mon + 1;
    now.day = local.tm_mday;
    now.hour = local.tm_hour;
    now.minute = local.tm_min;
    // A leap second (60) is read as the last ordinary second of the minute,
    // which date-times can hold.
    now.second = local.tm_sec > 59 ? 59 : local.tm_sec;
    return true;
}

}  // namespace tikr
