#pragma once
// Why a program could not start, in the words a user reads in a
// notification, on standard error and in the profile file: short, one
// line, naming the program as the command line gives it.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/one_line_text.h"

namespace tikr {

enum class LaunchFailure {
    EMPTY_COMMAND_LINE,     // no words at all
    NUL_IN_COMMAND_LINE,    // a NUL character would cut the text short
    NO_PROGRAM,             // nothing of that name
    NOT_EXECUTABLE,         // there, but may not be run
    IS_A_DIRECTORY,         // a directory named as the program
    NOT_RUNNABLE,           // a file, but not a program this system runs
    COMMAND_LINE_TOO_LONG,  // more than the system takes
};

// The reason for a failure; program is the program as the user typed it.
std::string LaunchFailureText(LaunchFailure failure, std::string_view program);

// What is known of the program's file when exec failed; found only for a
// program given by path, since a bare name is searched along PATH.
enum class ProgramFile { UNKNOWN, DIRECTORY, OTHER };

// The reason for an exec failure with the system error number error.
std::string ExecFailureText(int error, std::string_view program, ProgramFile file = ProgramFile::UNKNOWN);

}  // namespace tikr
