#pragma once
// Date-time values for the date tests, and the standard library's calendar
// as their oracle.
#include <gtest/gtest.h>

#include <chrono>

#include "core/date_time.h"

namespace tikr::test {

namespace chr = std::chrono;

// Day number 0 (1899-12-30) as a count of days of the system clock.
const chr::sys_days DAY_ZERO = chr::sys_days(chr::year(1899) / 12 / 30);

// A date-time set from its fields; the fields must be a valid date.
inline DateTime Make(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    DateTime value;
    EXPECT_TRUE(value.SetDateTime(y, mo, d, h, mi, s)) << y << "-" << mo << "-" << d;
    return value;
}

}  // namespace tikr::test
