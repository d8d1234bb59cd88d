#include "platform/system_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "core/date_time.h"

namespace tikr {
namespace {

namespace chr = std::chrono;

// Sets the TZ variable for the life of the object and puts the old one back.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (old_) setenv("TZ", old_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> old_;
};

// Seconds between the clock's local fields and the given UTC moment
// shifted by offsetHours, computed through the standard calendar.
long long DistanceFrom(const LocalTimeFields& f, chr::sys_seconds utc, int offsetHours) {
    const chr::sys_days day = chr::sys_days(chr::year(f.year) / f.month / f.day);
    const chr::sys_seconds local = day + chr::hours(f.hour) + chr::minutes(f.minute) + chr::seconds(f.second);
    return (local - (utc + chr::hours(offsetHours))).count();
}

TEST(SystemClock, GivesTheLocalTimeOfTheZone) {
    const struct {
        const char* zone;
        int offsetHours;
    } zones[] = {{"UTC0", 0}, {"EST5", -5}, {"JST-9", 9}};
    for (const auto& z : zones) {
        ScopedTimeZone scoped(z.zone);
        // Bracketed by the clock's own source: the system's coarse and
        // fine clocks may disagree about the current second.
        LocalTimeFields now;
        const std::time_t before = std::time(nullptr);
        ASSERT_TRUE(SystemClock().LocalNow(now));
        const std::time_t after = std::time(nullptr);
        const long long distance = DistanceFrom(now, chr::sys_seconds(chr::seconds(before)), z.offsetHours);
        EXPECT_GE(distance, 0) << z.zone;
        EXPECT_LE(distance, after - before) << z.zone;
        DateTime value;
        EXPECT_TRUE(value.SetDateTime(now.year, now.month, now.day, now.hour, now.minute, now.second));
    }
}

TEST(SystemClock, FeedsNow) {
    const DateTime now = DateTime::Now(SystemClock());
    EXPECT_TRUE(now.IsValid());
    EXPECT_GE(now.GetYear(), 2024);
}

}  // namespace
}  // namespace tikr
