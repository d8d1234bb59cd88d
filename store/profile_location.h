#pragma once
// Where the profile file lives: named after the executable, in the user's
// configuration directory.
#include <string>

namespace tikr {

// The executable's file name without directory and extension, as used for
// the application title: "/usr/bin/tikr" gives "tikr", "C:\Tools\sched.exe"
// gives "sched". The name is what follows the last "\", "/" or ":"; it is
// cut at its own last "." (a "." in a directory name or at the start of
// the name is not an extension: "/opt/my.app/tikr" gives "tikr").
std::string ExecutableName(const std::string& executablePath);

// ExecutableName followed by ".INI".
std::string ProfileFileName(const std::string& executablePath);

// $XDG_CONFIG_HOME when set to an absolute path, else $HOME/.config.
// Empty when neither can be found.
std::string ConfigDirectory();

// ConfigDirectory()/ProfileFileName(executablePath); the directory is
// created when missing. Falls back to the bare file name (the current
// directory) when no configuration directory can be found or made.
std::string ProfilePath(const std::string& executablePath);

}  // namespace tikr
