#include "store/profile_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace tikr {

std::string ExecutableName(const std::string& executablePath) {
    const std::size_t separator = executablePath.find_last_of("\\/:");
    std::string name = separator == std::string::npos ? executablePath : executablePath.substr(separator + 1);
    // Only an extension of the file name itself is cut: a "." in a
    // directory name ("/opt/my.app/tikr") is no extension, and a leading
    // "." (".tikr") is part of the name.
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

std::string ProfileFileName(const std::string& executablePath) {
    return ExecutableName(executablePath) + ".INI";
}

std::string ConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        std::string dir = home;
        if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
        return dir == "/" ? "/.config" : dir + "/.config";
    }
    return std::string();
}

std::string ProfilePath(const std::string& executablePath) {
    const std::string fileName = ProfileFileName(executablePath);
    const std::string directory = ConfigDirectory();
    if (directory.empty()) return fileName;
    std::error_code ec;
    if (!std::filesystem::is_directory(directory, ec)) {
        std::filesystem::create_directories(directory, ec);
        if (ec) return fileName;
    }
    std::string path = directory;
    if (path.back() != '/') path += '/';
    return path + fileName;
}

}  // namespace tikr
