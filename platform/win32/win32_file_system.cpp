// The store's files on Windows, through the wide-character functions:
// paths are UTF-8 here and UTF-16 at the system (platform/win32/wide_text.h),
// so a folder outside the ANSI code page is reached. The file's bytes are
// read and written as they are.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/wide_text.h"
#include "store/file_system.h"

namespace tikr {

namespace {

std::string Reason(DWORD code) { return SystemReason(code); }

std::string LastReason() { return Reason(::GetLastError()); }

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

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

// A handle closed when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    bool Close() {
        if (!Valid()) return true;
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return ::CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

class Win32FileSystem : public FileSystem {
public:
    FileIdentity Identify(const std::string& path) override {
        Handle file(::CreateFileW(Widen(path).c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr));
        return file.Valid() ? IdentityOf(file.Get()) : FileIdentity{};
    }

    ReadResult Read(const std::string& path) override {
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
            if (!::ReadFile(file.Get(), text.data() + used, room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room),
                            &got, nullptr)) {
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
    std::string ResolveTarget(const std::string& path) override { return path; }

    std::string CheckReplaceable(const std::string& path) override {
        const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD code = ::GetLastError();
            return IsMissing(code) ? std::string() : Reason(code);
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "Is a directory";
        if (attributes & FILE_ATTRIBUTE_READONLY) return Reason(ERROR_ACCESS_DENIED);
        return std::string();
    }

    bool MakeDirectories(const std::string& directory, std::string& error) override {
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

    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& /*replaced*/,
                                        std::string& error) override {
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

    bool Rename(const std::string& from, const std::string& to, std::string& error) override {
        if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        error = LastReason();
        return false;
    }

    // MOVEFILE_WRITE_THROUGH has made the rename durable already.
    void SyncDirectory(const std::string& /*directory*/) override {}

    bool Remove(const std::string& path) override { return ::DeleteFileW(Widen(path).c_str()) != 0; }

    std::vector<std::string> ListDirectory(const std::string& directory) override {
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

    std::uint64_t ProcessId() override { return ::GetCurrentProcessId(); }

    bool ProcessIsRunning(std::uint64_t id) override {
        if (id == 0 || id > 0xFFFFFFFFu) return false;
        Handle process(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
        if (!process.Valid()) return ::GetLastError() != ERROR_INVALID_PARAMETER;  // denied: someone's, running
        return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
    }

    ReadResult ReadTail(const std::string& path, std::uint64_t maxBytes) override {
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

    bool AppendLine(const std::string& path, std::string_view line, std::string& error) override {
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
    bool MakePrivateDirectory(const std::string& directory, std::string& error) override {
        return MakeDirectories(directory, error);
    }

    std::unique_ptr<FileLock> LockFile(const std::string& path, std::string& error) override {
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

    bool CutFile(const std::string& path, std::string& error) override {
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
};

}  // namespace

// Both the backslash and the slash separate folders.
std::string_view PathSeparators() { return "\\/"; }

std::unique_ptr<FileSystem> MakeSystemFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace tikr
