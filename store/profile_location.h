#pragma once
// Where the profile file lives: named after the executable, in the user's
// configuration directory. The names are formed here; the directory is the
// operating system's (platform/posix, platform/win32), chosen by the build.
#include <string>
#include <vector>

#include "store/file_system.h"

namespace tikr {

// The executable's file name without directory and extension, as used for
// the application title: "/usr/bin/tikr" gives "tikr", "C:\Tools\sched.exe"
// gives "sched". The name is what follows the last "\", "/" or ":"; it is
// cut at its own last "." (a "." in a directory name or at the start of
// the name is not an extension: "/opt/my.app/tikr" gives "tikr").
std::string ExecutableName(const std::string& executablePath);

// ExecutableName followed by ".INI".
std::string ProfileFileName(const std::string& executablePath);

// The profile file's full path: ProfileFileName(executablePath) in the
// user's configuration directory, which is created when missing.
// - POSIX: $XDG_CONFIG_HOME when set to an absolute path, else
//   $HOME/.config (platform/posix/posix_profile_location.h). Falls back to
//   the bare file name (the current directory) when neither is set or the
//   directory cannot be made.
// - Windows: the user's roaming application-data folder. When the file is
//   not there yet but an older one is in the Windows directory (or in the
//   user's VirtualStore copy of it), that one is copied over once, so an
//   existing task list carries over (platform/win32/win32_profile_location.cpp).
//   The path is UTF-8, whatever the ANSI code page. When the folder cannot
//   be found or made the result is empty and error says why: the program
//   must not keep its tasks in whatever the current folder happens to be.
std::string ProfilePath(const std::string& executablePath, std::string& error);

// The folder of each run's output file and of the history of runs, one per
// profile: named after the executable as the profile file is ("tikr" for
// tikr.INI). Not made here. Empty when no such folder can be named.
// - POSIX: $XDG_STATE_HOME/<name> when XDG_STATE_HOME is an absolute path,
//   else $HOME/.local/state/<name>.
// - Windows: <name> in the user's local application-data folder.
std::string RunRecordsFolder(const std::string& executablePath);
// The folder's own name: ExecutableName, "tikr" when that is empty.
std::string RunRecordsFolderName(const std::string& executablePath);

// When there is no file at path, copies the first of olderPaths that can
// be read to path, whole and atomically, so that a task list kept where an
// earlier version put it carries over. The older file stays as it was.
// True when a file was copied.
bool CarryOverProfile(FileSystem& files, const std::string& path, const std::vector<std::string>& olderPaths);

}  // namespace tikr
