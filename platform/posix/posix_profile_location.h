#pragma once
// Where the profile file lives on POSIX systems.
#include <string>

namespace tikr {

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config.
// Empty when neither can be found.
std::string ConfigDirectory();

// Where runs keep their output files and history: $XDG_STATE_HOME/tikr when
// XDG_STATE_HOME is an absolute path, else $HOME/.local/state/tikr. Empty
// when neither can be found. Not made here.
std::string RunRecordsFolder();

}  // namespace tikr
