// The date parser: whatever it accepts, formatted as a next run is stored
// and parsed again, is the same moment; DateTime::Parse agrees with it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/date_parser.h"
#include "core/date_time.h"
#include "core/schedule.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    double dayNumber = 0.0;
    const tikr::DateParseResult result = tikr::ParseDateText(text, dayNumber);

    tikr::DateTime parsed(123.0);
    Require(parsed.Parse(text) == (result == tikr::DateParseResult::ok));
    if (result != tikr::DateParseResult::ok) {
        Require(!parsed.IsValid());
        Require(parsed.GetDayNumber() == (result == tikr::DateParseResult::outOfRange ? -1.0 : 0.0));
        return 0;
    }
    Require(parsed.IsValid() && parsed.GetDayNumber() == dayNumber);

    const std::string stored = parsed.Format(tikr::Schedule::NEXT_RUN_FORMAT);
    Require(!stored.empty());
    double again = 0.0;
    Require(tikr::ParseDateText(stored, again) == tikr::DateParseResult::ok);
    Require(again == dayNumber);
    return 0;
}
