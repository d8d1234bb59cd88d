#pragma once
// A short fixed-length name for a profile file's path, to name the guard's
// system objects (socket, mutex) after the profile they guard.
#include <string>

namespace tikr {

// 64-bit FNV-1a of text as 16 lowercase hex digits.
std::string ProfileKey(const std::string& text);

}  // namespace tikr
