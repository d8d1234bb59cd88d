#pragma once
// The children of a POSIX start, from vfork to exec, and the report a failed
// child leaves for the parent.
#include <sys/resource.h>

#include <optional>
#include <string>

namespace tikr {

// Both children share this process's memory until they exec or end, and it
// waits for them meanwhile: the intermediate child is made with vfork, the
// program with clone on a stack of its own. No page tables are copied, so
// starting a program costs the same however large the scheduler has grown
// (a thousand due tasks start in about a second). In the children only
// async-signal-safe calls are made, nothing is allocated and no shared
// variable is written: the result comes back through the error pipe.

// Everything a child needs, prepared before vfork.
struct ProgramStart {
    char* const* files;  // to try in turn (see ProgramFiles), null-ended
    char* const* argv;
    int errorFd;   // the error pipe's write end, closed on exec
    int maxFd;     // one above the highest descriptor that may be open
    int outputFd;  // becomes standard output and error; -1: inherited
    // The limit of open files the program gets (the one this process was
    // given before the launcher raised its own); null: this process's.
    const struct rlimit* fileLimit;
};

// Puts signals back to their defaults in a child made by vfork (its own
// table: vfork shares memory, not signal dispositions).
void ResetSignals();

// The grandchild's part, also run by a kept program's only child: becomes
// the program, trying the files in turn as execvp would (a file that is
// missing or may not be run leads on to the next), and reports why the
// last one failed, or that one was not executable.
[[noreturn]] void RunProgram(const ProgramStart& start);

// The intermediate child of a program that is not kept: resets its signals,
// starts the program on stackTop and ends at once so that the program is
// adopted by the system.
[[noreturn]] void RunChild(ProgramStart& start, char* stackTop);

// Reads the children's report from the error pipe's read end and closes it;
// called once the program has exec'd or ended. Nothing when the pipe came to
// its end without a report (the program's exec closed it); otherwise why the
// program did not start, in words (program is the name it was started by).
std::optional<std::string> ReadChildFailure(int errorFd, const std::string& program);

// The words for a child that ended without a report.
extern const char* const PROCESS_NOT_CREATED;

}  // namespace tikr
