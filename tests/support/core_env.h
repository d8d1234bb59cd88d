#pragma once
// The scheduling core's services on a profile file in a fresh temporary
// directory, with a clock, launcher and message display the test controls.
#include <filesystem>
#include <string>

#include "core/core_services.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "full_disk.h"
#include "store/profile_store.h"
#include "stored_profile.h"
#include "temp_dir.h"

namespace tikr::test {

class CoreEnv {
public:
    // Starts from a profile file with the text, or from no file at all.
    explicit CoreEnv(const std::string& profileText = std::string()) {
        if (!profileText.empty()) WriteProfile(profileText);
    }

    // Replaces the profile file with the text.
    void WriteProfile(const std::string& text) const { TempDir::WriteFile(path, text); }
    std::string ProfileText() const { return TempDir::ReadFile(path); }
    bool ProfileExists() const { return std::filesystem::exists(path); }

    // The text a fresh store reads: what is really in the file.
    std::string Stored(const std::string& section, const std::string& key) const {
        return StoredString(path, section, key);
    }

    TempDir dir;
    std::string path = dir.File("tikr.INI");
    FullDiskFiles files;  // the system's files until a test fills the disk
    ProfileStore store{path, files};
    FakeClock clock{2026, 12, 8, 14, 30, 0};  // a Tuesday
    RecordingLauncher launcher;
    FakeMessageDisplay messages;
    CoreServices services{store, clock, launcher, messages};
};

}  // namespace tikr::test
