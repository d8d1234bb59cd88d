// The store's files on Windows, the profile's operations, through the
// wide-character functions: paths are UTF-8 here and UTF-16 at the system
// (platform/win32/wide_text.h), so a folder outside the ANSI code page is
// reached. The file's bytes are read and written as they are.
#include "platform/win32/win32_file_system.h"

#include <cstdint>
#include <string>

#include "platform/win32/wide_text.h"

namespace tikr {

namespace win32_files {

std::string Reason(DWORD code) { return SystemReason(code); }

std::string LastReason() { return Reason(::GetLastError()); }

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

namespace {

// Nanoseconds since 1970 of a file time.
std::int64_t NanosecondsSince1970(const FILETIME& time) {
    // A FILETIME counts 100 ns from 1601; 1970 began 11644473600 seconds
    // later. The difference is taken in unsigned arithmetic and times
    // whose nanoseconds do not fit are held at the limits.
    constexpr std::uint64_t TICKS_TO_1970 = 116444736000000000ULL;
    constexpr std::uint64_t LIMIT = static_cast<std::uint64_t>(INT64_MAX) / 100;
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    if (ticks >= TICKS_TO_1970) {
        const std::uint64_t after = ticks - TICKS_TO_1970;
        return after > LIMIT ? INT64_MAX : static_cast<std::int64_t>(after) * 100;
    }
    const std::uint64_t before = TICKS_TO_1970 - ticks;  // below LIMIT
    return -static_cast<std::int64_t>(before) * 100;
}

}  // namespace

FileIdentity IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return FileIdentity{};
    FileIdentity id;
    id.exists = true;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    id.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    id.modifiedNs = NanosecondsSince1970(info.ftLastWriteTime);
    return id;
}

}  // namespace win32_files

using namespace win32_files;

namespace {

class Win32TempFile : public TempFile {
public:
    Win32TempFile(std::string path, HANDLE handle) : path_(std::move(path)), handle_(handle) {}
    const std::string& Path() const override { return path_; }

    bool Write(std::string_view data, std::string& error) override {
        const char* next = data.data();
        std::size_t left = data.size();
        while (left > 0) {
            const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteFile(handle_.Get(), next, chunk, &written, nullptr)) {
                error = LastReason();
                return false;
            }
            if (written == 0) {
                error = Reason(ERROR_WRITE_FAULT);
                return false;
            }
            next += written;
            left -= written;
        }
        return true;
    }

    bool Flush(std::string& error) override {
        if (::FlushFileBuffers(handle_.Get())) return true;
        error = LastReason();
        return false;
    }

    FileIdentity Identity() override { return IdentityOf(handle_.Get()); }

    bool Close(std::string& error) override {
        if (handle_.Close()) return true;
        error = LastReason();
        return false;
    }

private:
    std::string path_;
    Handle handle_;
};

}  // namespace

FileIdentity Win32FileSystem::Identify(const std::string& path) {
    Handle file(
        ::CreateFileW(Widen(path).c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.Valid() ? IdentityOf(file.Get()) : FileIdentity{};
}

FileSystem::ReadResult Win32FileSystem::Read(const std::string& path) {
    ReadResult result;
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        result.status = IsMissing(code) ? ReadStatus::missing : ReadStatus::failed;
        if (!IsMissing(code)) result.error = Reason(code);
        return result;
    }
    result.status = ReadStatus::failed;
    result.identity = Identify(path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        result.error = "Is a directory";
        return result;
    }
    Handle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD code = ::GetLastError();
        result.status = IsMissing(code) ? ReadStatus::missing : ReadStatus::failed;
        if (!IsMissing(code)) result.error = Reason(code);
        return result;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        result.error = "not a regular file";
        return result;
    }
    result.identity = IdentityOf(file.Get());
    std::string& text = result.text;
    std::size_t used = 0;
    text.resize(static_cast<std::size_t>(result.identity.size) + 1);
    for (;;) {
        if (used == text.size()) text.resize(text.size() * 2);
        const std::size_t room = text.size() - used;
        DWORD got = 0;
        if (!::ReadFile(file.Get(), text.data() + used, room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room), &got,
                        nullptr)) {
            result.error = LastReason();
            text.clear();
            return result;
        }
        if (got == 0) break;
        used += got;
    }
    text.resize(used);
    result.status = ReadStatus::ok;
    return result;
}

// Links are not followed on Windows: the path is the file.
std::string Win32FileSystem::ResolveTarget(const std::string& path) { return path; }

std::string Win32FileSystem::CheckReplaceable(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = ::GetLastError();
        return IsMissing(code) ? std::string() : Reason(code);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "Is a directory";
    if (attributes & FILE_ATTRIBUTE_READONLY) return Reason(ERROR_ACCESS_DENIED);
    return std::string();
}

bool Win32FileSystem::MakeDirectories(const std::string& directory, std::string& error) {
    const DWORD attributes = ::GetFileAttributesW(Widen(directory).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    // Each parent in turn; the ones that exist (the drive, a share)
    // refuse quietly.
    for (std::size_t i = directory.find_first_of("\\/", 1); i != std::string::npos;
         i = directory.find_first_of("\\/", i + 1)) {
        if (directory[i - 1] == ':' || directory[i - 1] == '\\' || directory[i - 1] == '/') continue;
        ::CreateDirectoryW(Widen(directory.substr(0, i)).c_str(), nullptr);
    }
    if (::CreateDirectoryW(Widen(directory).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        const DWORD now = ::GetFileAttributesW(Widen(directory).c_str());
        if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY)) return true;
        error = Reason(ERROR_DIRECTORY);
        return false;
    }
    error = LastReason();
    return false;
}

std::unique_ptr<TempFile> Win32FileSystem::CreateNew(const std::string& path, const std::string& /*replaced*/,
                                                     std::string& error) {
    // The new file takes the folder's inherited permissions, as the
    // replaced file did.
    HANDLE handle =
        ::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = LastReason();
        return nullptr;
    }
    return std::make_unique<Win32TempFile>(path, handle);
}

bool Win32FileSystem::Rename(const std::string& from, const std::string& to, std::string& error) {
    if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    error = LastReason();
    return false;
}

// MOVEFILE_WRITE_THROUGH has made the rename durable already.
void Win32FileSystem::SyncDirectory(const std::string& /*directory*/) {}

bool Win32FileSystem::Remove(const std::string& path) { return ::DeleteFileW(Widen(path).c_str()) != 0; }

std::vector<std::string> Win32FileSystem::ListDirectory(const std::string& directory) {
    std::vector<std::string> names;
    std::string pattern = directory;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAW entry{};
    const HANDLE find = ::FindFirstFileW(Widen(pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = Narrow(entry.cFileName);
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

std::uint64_t Win32FileSystem::ProcessId() { return ::GetCurrentProcessId(); }

bool Win32FileSystem::ProcessIsRunning(std::uint64_t id) {
    if (id == 0 || id > 0xFFFFFFFFu) return false;
    Handle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
    if (!process.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // denied: someone's, running
    return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

// Both the backslash and the slash separate folders.
std::string_view PathSeparators() { return "\\/"; }

std::unique_ptr<FileSystem> MakeSystemFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tikr
