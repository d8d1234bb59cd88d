#pragma once
// A test with the scheduling core's services (see CoreEnv).
#include <gtest/gtest.h>

#include <string>

#include "core/date_time.h"
#include "core_env.h"

namespace tikr::test {

class CoreFixture : public ::testing::Test, public CoreEnv {};

// "%d-%b-%Y %H:%M:%S" of a date-time, the form "NextAt" is stored in.
inline std::string Stamp(const DateTime& value) { return value.Format("%d-%b-%Y %H:%M:%S"); }

// A time of day as the properties dialog makes it.
inline DateTime TimeOfDay(int hour, int minute) {
    DateTime time;
    time.SetDateTime(1899, 12, 30, hour, minute, 0);
    return time;
}

}  // namespace tikr::test
