// The local clock on Windows: the system's local time (time zone and
// daylight saving as Windows applies them), to the second.
#include <windows.h>

#include "platform/system_clock.h"

namespace tikr {

bool SystemClock::LocalNow(LocalTimeFields& now) const {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    now.year = local.wYear;
    now.month = local.wMonth;
    now.day = local.wDay;
    now.hour = local.wHour;
    now.minute = local.wMinute;
    now.second = local.wSecond > 59 ? 59 : local.wSecond;
    return true;
}

}  // namespace tikr
