#pragma once
// The profile file as a listing reads it on Windows, found without making
// or copying anything.
#include <string>

namespace tikr {

// The profile file in the roaming application-data folder; when it is not
// there yet, the older file that the window's first start would carry over
// from the Windows directory (or its VirtualStore copy), if there is one.
// UTF-8; empty when the system has no application-data folder.
std::string ListedProfilePath(const std::string& executablePath);

}  // namespace tikr
