#include "store/profile_location.h"

#include "store/atomic_file.h"

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

std::string ProfileFileName(const std::string& executablePath) { return ExecutableName(executablePath) + ".INI"; }

std::string RunRecordsFolderName(const std::string& executablePath) {
    const std::string name = ExecutableName(executablePath);
    return name.empty() ? "tikr" : name;
}

bool CarryOverProfile(FileSystem& files, const std::string& path, const std::vector<std::string>& olderPaths) {
    if (files.Read(path).status != FileSystem::ReadStatus::missing) return false;
    for (const std::string& older : olderPaths) {
        const FileSystem::ReadResult read = files.Read(older);
        if (read.status != FileSystem::ReadStatus::ok) continue;
        std::string error;
        return ReplaceFileAtomically(files, path, read.text, error);
    }
    return false;
}

}  // namespace tikr
