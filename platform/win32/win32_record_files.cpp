// The store's files on Windows: the operations on the records of runs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_file_system.h"

namespace tikr {

using namespace win32_files;

namespace {

// A record file opened for access: a regular file only, and never through
// a link in its own place (the link itself would be opened, and refused).
// Invalid and error set otherwise; missing set for a file that is not
// there.
HANDLE OpenRecord(const std::string& path, DWORD access, DWORD share, DWORD disposition, std::string& error,
                  bool* missing = nullptr) {
    const std::wstring wide = Widen(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        error = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? "Is a directory" : "a link, not a regular file";
        return INVALID_HANDLE_VALUE;
    }
    // A program that holds the file without sharing it makes this fail,
    // and the line waits.
    HANDLE file = ::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (missing != nullptr) *missing = IsMissing(code);
        error = Reason(code);
        return INVALID_HANDLE_VALUE;
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        error = "not a regular file";
        ::CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

std::uint64_t SizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(file, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

bool SeekTo(HANDLE file, std::uint64_t at) {
    LARGE_INTEGER where{};
    where.QuadPart = static_cast<LONGLONG>(at);
    return ::SetFilePointerEx(file, where, nullptr, FILE_BEGIN) != 0;
}

class Win32FileLock : public FileLock {
public:
    explicit Win32FileLock(HANDLE file) : file(file) {}
    ~Win32FileLock() override {
        OVERLAPPED at{};
        ::UnlockFileEx(file, 0, 1, 0, &at);
        ::CloseHandle(file);
    }
    Win32FileLock(const Win32FileLock&) = delete;
    Win32FileLock& operator=(const Win32FileLock&) = delete;

private:
    HANDLE file;
};
}  // namespace

FileSystem::ReadResult Win32FileSystem::ReadTail(const std::string& path, std::uint64_t maxBytes) {
    ReadResult result;
    bool missing = false;
    Handle file(OpenRecord(path, GENERIC_READ, SHARE_ALL, OPEN_EXISTING, result.error, &missing));
    if (!file.Valid()) {
        result.status = missing ? ReadStatus::missing : ReadStatus::failed;
        if (missing) result.error.clear();
        return result;
    }
    result.status = ReadStatus::failed;
    result.identity = IdentityOf(file.Get());
    const std::uint64_t size = result.identity.size;
    const std::uint64_t want = size < maxBytes ? size : maxBytes;
    if (!SeekTo(file.Get(), size - want)) {
        result.error = LastReason();
        return result;
    }
    result.text.resize(static_cast<std::size_t>(want));
    std::size_t used = 0;
    while (used < result.text.size()) {
        const std::size_t room = result.text.size() - used;
        DWORD got = 0;
        if (!::ReadFile(file.Get(), result.text.data() + used,
                        room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room), &got, nullptr)) {
            result.error = LastReason();
            result.text.clear();
            return result;
        }
        if (got == 0) break;
        used += got;
    }
    result.text.resize(used);
    result.status = ReadStatus::ok;
    return result;
}

bool Win32FileSystem::AppendLine(const std::string& path, std::string_view line, std::string& error) {
    Handle file(
        OpenRecord(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_ALWAYS, error));
    if (!file.Valid()) return false;
    const std::uint64_t size = SizeOf(file.Get());
    char last = '\n';
    DWORD got = 0;
    if (size > 0 && (!SeekTo(file.Get(), size - 1) || !::ReadFile(file.Get(), &last, 1, &got, nullptr) || got != 1))
        last = '\n';
    std::string data;
    if (last != '\n') data += '\n';
    data += line;
    data += '\n';
    if (!SeekTo(file.Get(), size)) {
        error = LastReason();
        return false;
    }
    DWORD written = 0;
    if (::WriteFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
        written == data.size())
        return true;
    error = written == data.size() ? LastReason() : Reason(ERROR_DISK_FULL);
    // Nothing of a line that did not go in whole stays.
    if (SeekTo(file.Get(), size)) ::SetEndOfFile(file.Get());
    return false;
}

// The folder under the user's profile is the user's only already; a
// new one inherits that.
bool Win32FileSystem::MakePrivateDirectory(const std::string& directory, std::string& error) {
    return MakeDirectories(directory, error);
}

std::unique_ptr<FileLock> Win32FileSystem::LockFile(const std::string& path, std::string& error) {
    const HANDLE file = OpenRecord(path, GENERIC_READ | GENERIC_WRITE, SHARE_ALL, OPEN_ALWAYS, error);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    // Another scheduler holds it for one append or one trim: a moment.
    for (int attempt = 0;; ++attempt) {
        OVERLAPPED at{};
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            return std::make_unique<Win32FileLock>(file);
        if (attempt == 200) break;  // about a second
        ::Sleep(5);
    }
    error = "held by another program";
    ::CloseHandle(file);
    return nullptr;
}

bool Win32FileSystem::CutFile(const std::string& path, std::string& error) {
    // The program that writes the file shares it for writing; it
    // appends, so it goes on at the new end.
    const std::wstring wide = Widen(path);
    Handle file(::CreateFileW(wide.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.Valid() || ::GetFileType(file.Get()) != FILE_TYPE_DISK || !SeekTo(file.Get(), 0) ||
        !::SetEndOfFile(file.Get())) {
        error = LastReason();
        return false;
    }
    return true;
}

bool Win32FileSystem::IsRegularFile(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

std::string Win32FileSystem::CanonicalPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved =
        std::filesystem::canonical(std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    if (error) return {};
    const std::u8string text = resolved.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace tikr
