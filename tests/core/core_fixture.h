#pragma once
// A scheduling core on a profile file in a temporary directory, with a
// clock, launcher and message display that the test controls.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/core_services.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace tikr::test {

class CoreFixture : public ::testing::Test {
protected:
    CoreFixture()
        : path(dir.File("tikr.INI")),
          store(std::make_unique<ProfileStore>(path)),
          services{*store, clock, launcher, messages} {}

    // Replaces the profile file with the text (lines joined by "\n").
    void WriteProfile(const std::string& text) { TempDir::WriteFile(path, text); }
    std::string ProfileText() const { return TempDir::ReadFile(path); }

    // The text a fresh store reads: what is really in the file.
    std::string Stored(const std::string& section, const std::string& key) {
        ProfileStore fresh(path);
        return fresh.ReadString(section, key, "<missing>");
    }

    TempDir dir;
    std::string path;
    FakeClock clock{2026, 12, 8, 14, 30, 0};  // a Tuesday
    RecordingLauncher launcher;
    FakeMessageDisplay messages;
    std::unique_ptr<ProfileStore> store;
    CoreServices services;
};

// "%d-%b-%Y %H:%M:%S" of a date-time, the form "NextAt" is stored in.
inline std::string Stamp(const DateTime& value) { return value.Format("%d-%b-%Y %H:%M:%S"); }

// A time of day as the properties dialog makes it.
inline DateTime TimeOfDay(int hour, int minute) {
    DateTime time;
    time.SetDateTime(1899, 12, 30, hour, minute, 0);
    return time;
}

}  // namespace tikr::test
