#include "ui/win32/file_chooser.h"

#include <commdlg.h>

#include <algorithm>

#include "platform/win32/wide_text.h"

namespace tikr::win32 {

namespace {

// Puts the process's current folder back as it was when made.
class CurrentFolderKeeper {
public:
    CurrentFolderKeeper() {
        const DWORD needed = GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return;
        folder.resize(needed);
        const DWORD length = GetCurrentDirectoryW(needed, folder.data());
        folder.resize(length > 0 && length < needed ? length : 0);
    }
    ~CurrentFolderKeeper() {
        if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

private:
    std::wstring folder;
};

}  // namespace

std::string FileDialogFilter(const std::string& filter) {
    std::string out = filter;
    std::replace(out.begin(), out.end(), '|', '\0');
    // A list that does not end with its own closing "||" still ends twice.
    out.push_back('\0');
    out.push_back('\0');
    return out;
}

std::optional<std::string> ChooseFileOver(HWND owner, const std::string& filter) {
    const std::string filters = FileDialogFilter(filter);
    // Room for long paths: a path beyond the limit of the command line
    // field still arrives whole, and the field's check refuses it at OK.
    std::string path(32768, '\0');
    OPENFILENAMEA request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    // OFN_NOCHANGEDIR: the program's current folder stays where it was, so
    // a bare program name in a command line finds the same program after
    // browsing, and the browsed folder is not held open. Some systems ignore
    // the flag for this dialog: the folder is put back all the same.
    request.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const CurrentFolderKeeper keepFolder;
    if (!GetOpenFileNameA(&request)) return std::nullopt;
    path.resize(path.find('\0'));
    if (path.empty()) return std::nullopt;
    return path;
}

}  // namespace tikr::win32
