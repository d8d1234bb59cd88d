// Where the profile file lives on Windows: the user's roaming
// application-data folder. Earlier versions kept it in the Windows
// directory, where a program without administrator rights really wrote to
// the user's VirtualStore copy; the first start finds either and carries
// it over. The profile's folders are asked for and made with the wide calls,
// so a user name outside the ANSI code page gives a usable path (UTF-8).
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_profile_location.h"
#include "store/profile_location.h"

namespace tikr {

namespace {

// The folder's path, created when missing (unless create is false); empty
// and error set when the system has none.
std::string FolderPath(int folder, std::string& error, bool create = true) {
    wchar_t buffer[MAX_PATH] = {};
    const HRESULT result =
        ::SHGetFolderPathW(nullptr, folder | (create ? CSIDL_FLAG_CREATE : 0), nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (FAILED(result)) {
        error = SystemReason(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                                        : static_cast<DWORD>(result));
        return std::string();
    }
    return Narrow(buffer);
}

std::string Join(std::string directory, const std::string& name) {
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
    return directory + name;
}

// The Windows directory's copy of the file, and the user's VirtualStore
// copy of it (which Windows shows such a program instead, when present).
std::vector<std::string> OlderProfilePaths(const std::string& fileName) {
    std::vector<std::string> paths;
    wchar_t windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return paths;
    const std::string windowsDirectory = Narrow(windows, length);
    std::string ignored;
    const std::string local = FolderPath(CSIDL_LOCAL_APPDATA, ignored, false);
    // "C:\Windows" lives at "<local>\VirtualStore\Windows".
    const std::size_t colon = windowsDirectory.find(':');
    if (!local.empty() && colon != std::string::npos) {
        paths.push_back(Join(Join(local, "VirtualStore") + windowsDirectory.substr(colon + 1), fileName));
    }
    paths.push_back(Join(windowsDirectory, fileName));
    return paths;
}

}  // namespace

// UTF-8, like the profile's path: the run records reach their files through
// the wide calls.
std::string RunRecordsFolder(const std::string& executablePath) {
    std::string ignored;
    const std::string local = FolderPath(CSIDL_LOCAL_APPDATA, ignored);
    return local.empty() ? std::string() : Join(local, RunRecordsFolderName(executablePath));
}

std::string ListedProfilePath(const std::string& executablePath) {
    const std::string fileName = ProfileFileName(executablePath);
    std::string ignored;
    const std::string directory = FolderPath(CSIDL_APPDATA, ignored, false);
    const std::string path = directory.empty() ? std::string() : Join(directory, fileName);
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    if (!path.empty() && files->Read(path).status != FileSystem::ReadStatus::missing) return path;
    // The file that the window's first start would carry over.
    for (const std::string& older : OlderProfilePaths(fileName))
        if (files->Read(older).status == FileSystem::ReadStatus::ok) return older;
    return path;
}

std::string ProfilePath(const std::string& executablePath, std::string& error) {
    const std::string fileName = ProfileFileName(executablePath);
    std::string reason;
    const std::string directory = FolderPath(CSIDL_APPDATA, reason);
    if (directory.empty()) {
        error = "the application-data folder is not available: " + reason;
        return std::string();
    }
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    if (!files->MakeDirectories(directory, reason)) {
        error = "the folder " + directory + " cannot be made: " + reason;
        return std::string();
    }
    const std::string path = Join(directory, fileName);
    CarryOverProfile(*files, path, OlderProfilePaths(fileName));
    return path;
}

}  // namespace tikr
