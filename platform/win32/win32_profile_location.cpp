// Where the profile file lives on Windows: the user's roaming
// application-data folder. Earlier versions kept it in the Windows
// directory, where a program without administrator rights really wrote to
// the user's VirtualStore copy; the first start finds either and carries
// it over.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "store/profile_location.h"

namespace tikr {

namespace {

std::string FolderPath(int folder) {
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, folder | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return std::string();
    return buffer;
}

std::string Join(std::string directory, const std::string& name) {
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
    return directory + name;
}

// The Windows directory's copy of the file, and the user's VirtualStore
// copy of it (which Windows shows such a program instead, when present).
std::vector<std::string> OlderProfilePaths(const std::string& fileName) {
    std::vector<std::string> paths;
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return paths;
    const std::string windowsDirectory(windows, length);
    const std::string local = FolderPath(CSIDL_LOCAL_APPDATA);
    // "C:\Windows" lives at "<local>\VirtualStore\Windows".
    const std::size_t colon = windowsDirectory.find(':');
    if (!local.empty() && colon != std::string::npos) {
        paths.push_back(Join(Join(local, "VirtualStore") + windowsDirectory.substr(colon + 1), fileName));
    }
    paths.push_back(Join(windowsDirectory, fileName));
    return paths;
}

}  // namespace

std::string RunRecordsFolder() {
    const std::string local = FolderPath(CSIDL_LOCAL_APPDATA);
    return local.empty() ? std::string() : Join(local, "Tikr");
}

std::string ProfilePath(const std::string& executablePath) {
    const std::string fileName = ProfileFileName(executablePath);
    const std::string directory = FolderPath(CSIDL_APPDATA);
    if (directory.empty()) return fileName;
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    std::string error;
    if (!files->MakeDirectories(directory, error)) return fileName;
    const std::string path = Join(directory, fileName);
    CarryOverProfile(*files, path, OlderProfilePaths(fileName));
    return path;
}

}  // namespace tikr
