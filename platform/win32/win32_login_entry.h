#pragma once
// The entry that starts the program when the user logs on to Windows: the
// value "Tikr" under HKCU\Software\Microsoft\Windows\CurrentVersion\Run,
// holding the quoted full path of the program. The Task Manager's Startup
// page disables it with a mark under Explorer\StartupApproved\Run. A
// shortcut in the user's Startup folder, as earlier installers made it,
// counts too, until the box is changed and the value replaces it.
#include <string>

#include "core/login_entry.h"

namespace tikr {

class Win32RunEntry : public LoginEntryPort {
public:
    // executablePath: this program's full path (UTF-8).
    explicit Win32RunEntry(std::string executablePath);

    LoginEntry Read() override;
    bool Write(bool on, std::string& error) override;
    std::string Location() override;

    // What the value holds for this program.
    std::string ValueText() const { return "\"" + executablePath + "\""; }

private:
    std::string executablePath;
    std::string startupShortcut;  // empty when the Startup folder is unknown
};

}  // namespace tikr
