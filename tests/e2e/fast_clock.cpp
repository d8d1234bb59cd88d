// A clock that runs fast, for end-to-end runs of the real program that
// need many minutes of its time in a few seconds of the test's. Loaded with
// LD_PRELOAD, it replaces time(), the C library call the program reads the
// local time from; timers and everything else keep the real clock.
//
// TIKR_FAST_CLOCK="<start> <factor>": from the real second <start> on, each
// real second counts <factor> seconds. Without it time() is the real time.
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" std::time_t time(std::time_t* out) {
    timespec real{};
    ::clock_gettime(CLOCK_REALTIME, &real);
    double now = static_cast<double>(real.tv_sec) + static_cast<double>(real.tv_nsec) / 1e9;
    long long start = 0;
    double factor = 1;
    const char* setting = std::getenv("TIKR_FAST_CLOCK");
    if (setting != nullptr && std::sscanf(setting, "%lld %lf", &start, &factor) == 2 && now > start)
        now = static_cast<double>(start) + (now - static_cast<double>(start)) * factor;
    const auto result = static_cast<std::time_t>(now);
    if (out != nullptr) *out = result;
    return result;
}
