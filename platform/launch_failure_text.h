#pragma once
// Why a program could not start, in the words a user reads in a
// notification, on standard error and in the profile file: short, one
// line, naming the program as the command line gives it.
#include <cstddef>
#include <string>
#include <string_view>

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

// text made fit for a one-line reason: control characters (line breaks,
// tabs, C1 controls, line and paragraph separators) become spaces, bytes
// that are no UTF-8 become '?', and a text longer than maxCharacters is
// cut after that many whole characters and marked with "...".
std::string OneLineText(std::string_view text, std::size_t maxCharacters);

// What is known of the program's file when exec failed; found only for a
// program given by path, since a bare name is searched along PATH.
enum class ProgramFile { UNKNOWN, DIRECTORY, OTHER };

// The reason for an exec failure with the system error number error.
std::string ExecFailureText(int error, std::string_view program, ProgramFile file = ProgramFile::UNKNOWN);

}  // namespace tikr
