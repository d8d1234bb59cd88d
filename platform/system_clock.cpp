#include "platform/system_clock.h"

#include <ctime>

namespace tikr {

namespace {

// A check pass asks for the time once per task; converting to local time
// costs far more than reading the clock, and within one second the answer
// is the same. Each thread keeps its own last conversion.
struct LastConversion {
    std::time_t seconds = static_cast<std::time_t>(-1);
    LocalTimeFields fields;
};

}  // namespace

bool SystemClock::LocalNow(LocalTimeFields& now) const {
    const std::time_t seconds = std::time(nullptr);
    if (seconds == static_cast<std::time_t>(-1)) return false;
    thread_local LastConversion last;
    if (seconds != last.seconds) {
        std::tm local{};
        if (localtime_r(&seconds, &local) == nullptr) return false;
        last.fields.year = local.tm_year + 1900;
        last.fields.month = local.tm_mon + 1;
        last.fields.day = local.tm_mday;
        last.fields.hour = local.tm_hour;
        last.fields.minute = local.tm_min;
        // A leap second (60) is read as the last ordinary second of the
        // minute, which date-times can hold.
        last.fields.second = local.tm_sec > 59 ? 59 : local.tm_sec;
        last.seconds = seconds;
    }
    now = last.fields;
    return true;
}

}  // namespace tikr
