#pragma once
// The XDG autostart entry that starts the program when the user logs in:
// $XDG_CONFIG_HOME/autostart/<menu entry id>.desktop. A system-wide entry
// of the same name (in $XDG_CONFIG_DIRS/autostart) counts where the user
// has none, and is hidden by a user entry rather than deleted.
#include <string>
#include <vector>

#include "core/login_entry.h"

namespace tikr {

// The package's menu entry (packaging/tikr.desktop): its id, name and icon.
inline constexpr const char* MENU_ENTRY_ID = "tikr";
inline constexpr const char* MENU_ENTRY_NAME = "Tikr";
inline constexpr const char* MENU_ENTRY_ICON = "tikr";

// The program's path as one argument of an Exec key: in double quotes, with
// ", `, $ and \ escaped as the Desktop Entry format wants, and "%" doubled.
// Empty for a path that an Exec key cannot carry (a control character).
std::string DesktopExecArgument(const std::string& path);

class XdgAutostartEntry : public LoginEntryPort {
public:
    // userFolder: the user's autostart folder; systemFolders: the
    // system-wide ones, most important first; executablePath: this
    // program's absolute, resolved path.
    XdgAutostartEntry(std::string userFolder, std::vector<std::string> systemFolders, std::string executablePath);

    LoginEntry Read() override;
    bool Write(bool on, std::string& error) override;
    std::string Location() override { return userPath; }

    // The file Write writes for on.
    std::string EntryText() const;

private:
    bool SystemEntryExists() const;
    bool Replace(const std::string& text, std::string& error);

    std::string userFolder;
    std::string userPath;
    std::vector<std::string> systemPaths;
    std::string executablePath;
};

// The entry of the running program, the folders taken from the
// environment ($XDG_CONFIG_HOME or ~/.config; $XDG_CONFIG_DIRS or /etc/xdg).
XdgAutostartEntry MakeXdgAutostartEntry(const std::string& executablePath);

}  // namespace tikr
