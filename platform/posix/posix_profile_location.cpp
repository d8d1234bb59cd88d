#include "platform/posix/posix_profile_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "store/profile_location.h"

namespace tikr {

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

std::string RunRecordsFolder(const std::string& executablePath) {
    const char* xdg = std::getenv("XDG_STATE_HOME");
    std::string dir;
    if (xdg != nullptr && xdg[0] == '/') {
        dir = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') return std::string();
        dir = home;
        if (dir.back() != '/') dir += '/';
        dir += ".local/state";
    }
    if (dir.back() != '/') dir += '/';
    return dir + RunRecordsFolderName(executablePath);
}

std::string ProfilePath(const std::string& executablePath, std::string& /*error*/) {
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
