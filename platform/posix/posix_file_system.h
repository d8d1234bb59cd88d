#pragma once
// The store's files on POSIX systems: the file-system port's implementation,
// in two files: the profile's (posix_file_system.cpp) and the records'
// (posix_record_files.cpp).
#include <sys/stat.h>

#include <string>

#include "store/file_system.h"

namespace tikr {

namespace posix_files {

// The system's words for an error number.
std::string FileErrorText(int error);

FileIdentity IdentityOf(const struct stat& st);

}  // namespace posix_files

class PosixFileSystem : public FileSystem {
public:
    FileIdentity Identify(const std::string& path) override;
    ReadResult Read(const std::string& path) override;
    std::string ResolveTarget(const std::string& path) override;
    std::string CheckReplaceable(const std::string& path) override;
    bool MakeDirectories(const std::string& directory, std::string& error) override;
    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& replaced,
                                        std::string& error) override;
    bool Rename(const std::string& from, const std::string& to, std::string& error) override;
    void SyncDirectory(const std::string& directory) override;
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
