#pragma once
// The store's files on Windows: the file-system port's implementation, in
// two files: the profile's (win32_file_system.cpp) and the records'
// (win32_record_files.cpp).
#include <windows.h>

#include <string>

#include "store/file_system.h"

namespace tikr {

namespace win32_files {

std::string Reason(DWORD code);
std::string LastReason();
bool IsMissing(DWORD code);
FileIdentity IdentityOf(HANDLE file);

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

}  // namespace win32_files

class Win32FileSystem : public FileSystem {
public:
    FileIdentity Identify(const std::string& path) override;
    ReadResult Read(const std::string& path) override;
    std::string ResolveTarget(const std::string& path) override;
    std::string CheckReplaceable(const std::string& path) override;
    bool MakeDirectories(const std::string& directory, std::string& error) override;
    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& /*replaced*/,
                                        std::string& error) override;
    bool Rename(const std::string& from, const std::string& to, std::string& error) override;
    void SyncDirectory(const std::string& /*directory*/) override;
    bool Remove(const std::string& path) override;
    std::vector<std::string> ListDirectory(const std::string& directory) override;
    std::uint64_t ProcessId() override;
    bool ProcessIsRunning(std::uint64_t id) override;
    ReadResult ReadTail(const std::string& path, std::uint64_t maxBytes) override;
    bool AppendLine(const std::string& path, std::string_view line, std::string& error) override;
    bool MakePrivateDirectory(const std::string& directory, std::string& error) override;
    std::unique_ptr<FileLock> LockFile(const std::string& path, std::string& error) override;
    bool CutFile(const std::string& path, std::string& error) override;
    bool IsRegularFile(const std::string& path) override;
    std::string CanonicalPath(const std::string& path) override;
};

}  // namespace tikr
