#pragma once
// Text from tikr.exe, a GUI program, on the console or in the file it was
// started with: the standard handles when they were handed over (output
// redirected to a file or a pipe), else the console of the process that
// started it (a command prompt), when it has one.
#include <windows.h>

#include <string>

namespace tikr::win32 {

class ConsoleOutput {
public:
    ConsoleOutput();
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    // UTF-8 text on standard output or standard error: on a console as
    // characters (WriteConsoleW, so every script shows), to a file or pipe
    // as the UTF-8 bytes. False when it could not be written whole (also
    // when there is nowhere to write).
    bool Out(const std::string& text) { return Write(output, text); }
    bool Error(const std::string& text) { return Write(error, text); }

private:
    static bool Write(HANDLE handle, const std::string& text);

    HANDLE output = nullptr;
    HANDLE error = nullptr;
    HANDLE console = nullptr;  // the parent's console, opened here
};

}  // namespace tikr::win32
