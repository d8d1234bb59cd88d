#pragma once
// The system's files, in which the paths in `special` are no regular files
// (a FIFO or a device in their place, as far as anyone asking can tell).
// The records' operations reach the system's files.
#include <memory>
#include <set>
#include <string>

#include "full_disk.h"

namespace tikr::test {

class SpecialFiles : public FullDiskFiles {
public:
    std::set<std::string> special;

    bool IsRegularFile(const std::string& path) override {
        return special.count(path) == 0 && real->IsRegularFile(path);
    }
    ReadResult ReadTail(const std::string& path, std::uint64_t maxBytes) override {
        return real->ReadTail(path, maxBytes);
    }
    bool AppendLine(const std::string& path, std::string_view line, std::string& error) override {
        return real->AppendLine(path, line, error);
    }
    bool MakePrivateDirectory(const std::string& directory, std::string& error) override {
        return real->MakePrivateDirectory(directory, error);
    }
    std::unique_ptr<FileLock> LockFile(const std::string& path, std::string& error) override {
        return real->LockFile(path, error);
    }
    bool CutFile(const std::string& path, std::string& error) override { return real->CutFile(path, error); }
    std::string CanonicalPath(const std::string& path) override { return real->CanonicalPath(path); }

private:
    std::unique_ptr<FileSystem> real = MakeSystemFileSystem();
};

}  // namespace tikr::test
