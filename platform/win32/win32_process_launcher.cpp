#include "platform/win32/win32_process_launcher.h"

#include <windows.h>

#include <string>
#include <vector>

namespace tikr {

LaunchResult Win32ProcessLauncher::Start(const std::string& commandLine, int showState) {
    // A text with a NUL in it would be cut short and start something other
    // than what it says; a blank one names no program.
    if (commandLine.find('\0') != std::string::npos || commandLine.find_first_not_of(" \t") == std::string::npos)
        return LaunchResult::Failed("the command line is empty");
    // CreateProcessA may write into the command line: give it a copy.
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        const DWORD error = ::GetLastError();
        ::OutputDebugStringA(
            ("Tikr: cannot start \"" + commandLine + "\" (error " + std::to_string(error) + ")\n").c_str());
        return LaunchResult::Failed("error " + std::to_string(error));
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return LaunchResult::Started();
}

}  // namespace tikr
