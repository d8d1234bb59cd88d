#include "platform/launch_failure_text.h"

#include <cerrno>
#include <cstring>

namespace tikr {

namespace {

// A program name stays readable at this length; a longer one is cut so that
// a hostile command line cannot make the reason huge.
constexpr std::size_t PROGRAM_NAME_CHARACTERS = 100;

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

std::string LaunchFailureText(LaunchFailure failure, std::string_view program) {
    switch (failure) {
    case LaunchFailure::EMPTY_COMMAND_LINE: return "the command line is empty";
    case LaunchFailure::NUL_IN_COMMAND_LINE: return "the command line holds a NUL character";
    case LaunchFailure::COMMAND_LINE_TOO_LONG: return "the command line is too long";
    default: break;
    }
    const std::string name = OneLineText(program, PROGRAM_NAME_CHARACTERS);
    // A quoted empty or blank program: there is no name to show.
    if (IsBlank(name)) return "the command line names no program";
    switch (failure) {
    case LaunchFailure::NOT_EXECUTABLE: return "not executable: " + name;
    case LaunchFailure::IS_A_DIRECTORY: return "is a directory: " + name;
    case LaunchFailure::NOT_RUNNABLE: return "not a program this system can run: " + name;
    default: return "no program named " + name;
    }
}

std::string ExecFailureText(int error, std::string_view program, ProgramFile file) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        // The file is there, so what is missing is the interpreter its
        // first line names (a "#!/bin/sh\r" written on another system).
        return LaunchFailureText(file == ProgramFile::OTHER ? LaunchFailure::NOT_RUNNABLE : LaunchFailure::NO_PROGRAM,
                                 program);
    case EACCES:
    case EPERM:
        return LaunchFailureText(
            file == ProgramFile::DIRECTORY ? LaunchFailure::IS_A_DIRECTORY : LaunchFailure::NOT_EXECUTABLE, program);
    case ENOEXEC: return LaunchFailureText(LaunchFailure::NOT_RUNNABLE, program);
    case E2BIG: return LaunchFailureText(LaunchFailure::COMMAND_LINE_TOO_LONG, program);
    default: return std::strerror(error);
    }
}

}  // namespace tikr
