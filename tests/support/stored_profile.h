#pragma once
// What is really in a profile file: each call reads it with a fresh store,
// so nothing a test's own store holds in memory can hide a missing write.
#include <string>

#include "store/profile_store.h"

namespace tikr::test {

// The key's text as a fresh reader sees it; "<missing>" when it is absent.
inline std::string StoredString(const std::string& path, const std::string& section, const std::string& key) {
    ProfileStore fresh(path);
    return fresh.ReadString(section, key, "<missing>");
}

// The key's integer as a fresh reader sees it; -999 when it is absent.
inline int StoredInt(const std::string& path, const std::string& section, const std::string& key) {
    ProfileStore fresh(path);
    return fresh.ReadInt(section, key, -999);
}

}  // namespace tikr::test
