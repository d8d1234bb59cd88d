#pragma once
// Where a POSIX start looks for the program it is asked to run.
#include <string>
#include <vector>

namespace tikr {

// The files to try for program, in order: the program itself when it names
// a path, else the program in each directory of PATH (an empty entry is the
// current directory; without PATH, /bin:/usr/bin). The search is made here
// rather than by execvp, which hands a file that is no program to /bin/sh:
// its text would then be run as shell commands.
std::vector<std::string> ProgramFiles(const std::string& program);

}  // namespace tikr
