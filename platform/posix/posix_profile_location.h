#pragma once
// Where the profile file lives on POSIX systems.
#include <string>

namespace tikr {

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config.
// Empty when neither can be found.
std::string ConfigDirectory();

}  // namespace tikr
