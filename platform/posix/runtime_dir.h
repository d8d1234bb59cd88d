#pragma once
// The per-user runtime folder where the running Tikr keeps the socket through
// which later starts ask it to show its window.
#include <string>
#include <sys/types.h>

namespace tikr {

// The runtime folder to use: xdgRuntimeDir when it is an absolute path to a
// directory owned by uid (not a symbolic link), else "<tmpBase>/tikr-<uid>".
std::string DefaultRuntimeDir(const char* xdgRuntimeDir, const std::string& tmpBase, uid_t uid);

// Makes sure path is a private directory of the effective user: creates it
// with mode 0700 when missing (the parent must exist), refuses a symbolic
// link, a non-directory or a directory owned by another user, and takes
// group and other access away from one of ours. On refusal returns false and
// says why in error.
bool EnsurePrivateDirectory(const std::string& path, std::string& error);

}  // namespace tikr
