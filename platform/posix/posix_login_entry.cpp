#include "platform/posix/posix_login_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/posix/posix_profile_location.h"

namespace tikr {

namespace {

// The keys of an entry's [Desktop Entry] group that decide whether it
// starts anything; nothing for a file that cannot be read.
struct EntryKeys {
    bool read = false;
    bool hidden = false;
    bool enabled = true;
    std::string exec;
};

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

EntryKeys ReadEntry(const std::string& path) {
    EntryKeys keys;
    // Only a regular file is read: opening a pipe put there would wait.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return keys;
    std::ifstream in(path);
    if (!in) return keys;
    keys.read = true;
    bool inGroup = false;
    for (std::string line; std::getline(in, line);) {
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string::npos) continue;
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Trim(line.substr(equals + 1));
        if (key == "Hidden") keys.hidden = value == "true";
        if (key == "X-GNOME-Autostart-enabled") keys.enabled = value != "false";
        if (key == "Exec") keys.exec = value;
    }
    return keys;
}

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

std::string DesktopExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
        // In quotes these four take a backslash; the string escapes of the
        // value then double every backslash once more.
        if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
        if (c == '\\') quoted += "\\\\\\";
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

XdgAutostartEntry::XdgAutostartEntry(std::string folder, std::vector<std::string> systemFolders, std::string path)
    : userFolder(std::move(folder)), executablePath(std::move(path)) {
    const std::string fileName = std::string("/") + MENU_ENTRY_ID + ".desktop";
    userPath = userFolder + fileName;
    for (const std::string& systemFolder : systemFolders) systemPaths.push_back(systemFolder + fileName);
}

std::string XdgAutostartEntry::EntryText() const {
    return std::string("[Desktop Entry]\nType=Application\nName=") + MENU_ENTRY_NAME +
           "\nComment=Starts the task scheduler when you log in\nExec=" + DesktopExecArgument(executablePath) +
           "\nIcon=" + MENU_ENTRY_ICON + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

LoginEntry XdgAutostartEntry::Read() {
    const EntryKeys user = ReadEntry(userPath);
    if (user.read) {
        const bool on = !user.hidden && user.enabled;
        return {on, on && user.exec == DesktopExecArgument(executablePath)};
    }
    // The user's entry of a name overrides the system's; without one the
    // first system-wide entry found is the desktop's.
    for (const std::string& path : systemPaths) {
        const EntryKeys system = ReadEntry(path);
        if (system.read) return {!system.hidden && system.enabled, false};
    }
    return {};
}

bool XdgAutostartEntry::SystemEntryExists() const {
    for (const std::string& path : systemPaths) {
        if (::access(path.c_str(), F_OK) == 0) return true;
    }
    return false;
}

bool XdgAutostartEntry::Write(bool on, std::string& error) {
    if (on) {
        if (DesktopExecArgument(executablePath).empty()) {
            error = "the program's path " + executablePath + " cannot be named in " + userPath;
            return false;
        }
        return Replace(EntryText(), error);
    }
    // A system-wide entry cannot be removed by the user: a user entry of
    // its name that is hidden turns it off.
    if (SystemEntryExists()) return Replace(EntryText() + "Hidden=true\n", error);
    if (::unlink(userPath.c_str()) == 0 || errno == ENOENT) return true;
    error = userPath + " cannot be removed: " + Reason(errno);
    return false;
}

bool XdgAutostartEntry::Replace(const std::string& text, std::string& error) {
    if (userFolder.front() != '/') {
        error = "there is no configuration folder for " + userPath + " (HOME is not set)";
        return false;
    }
    // The folder and the file are the user's alone; the file is replaced in
    // one rename, so the desktop never reads half of it.
    if (::mkdir(userFolder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = userFolder + " cannot be made: " + Reason(errno);
        return false;
    }
    const std::string temp = userPath + "." + std::to_string(::getpid()) + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = userPath + " cannot be written: " + Reason(errno);
        return false;
    }
    bool written = ::fchmod(fd, 0600) == 0 &&
                   ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
    int problem = written ? 0 : errno;
    if (::close(fd) != 0 && written) written = false, problem = errno;
    if (written && ::rename(temp.c_str(), userPath.c_str()) != 0) written = false, problem = errno;
    if (written) return true;
    ::unlink(temp.c_str());
    error = userPath + " cannot be written: " + Reason(problem != 0 ? problem : EIO);
    return false;
}

XdgAutostartEntry MakeXdgAutostartEntry(const std::string& executablePath) {
    std::vector<std::string> systemFolders;
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::istringstream list(dirs != nullptr && dirs[0] != '\0' ? dirs : "/etc/xdg");
    // Relative folders in the list mean nothing and are left out.
    for (std::string dir; std::getline(list, dir, ':');) {
        if (!dir.empty() && dir[0] == '/') systemFolders.push_back(dir + "/autostart");
    }
    const std::string config = ConfigDirectory();
    return XdgAutostartEntry(config.empty() ? "autostart" : config + "/autostart", std::move(systemFolders),
                             executablePath);
}

}  // namespace tikr
