#pragma once
// The system's files with a disk that can fill up: while `full` is set no
// new file can be made, so every replacement of the profile fails as on a
// full disk; reads go on. While `unreadable` is set every existing file
// fails to read, as one without permission or held open by another
// program does. Counts the replacements that succeeded.
#include <memory>
#include <string>
#include <vector>

#include "store/file_system.h"

namespace tikr::test {

class FullDiskFiles : public FileSystem {
public:
    bool full = false;
    bool unreadable = false;
    int replacements = 0;  // renames that put a new file in place

    FileIdentity Identify(const std::string& path) override { return real->Identify(path); }
    ReadResult Read(const std::string& path) override {
        ReadResult result = real->Read(path);
        if (unreadable && result.status == ReadStatus::ok) result = {ReadStatus::failed, {}, "Permission denied", {}};
        return result;
    }
    std::string ResolveTarget(const std::string& path) override { return real->ResolveTarget(path); }
    std::string CheckReplaceable(const std::string& path) override { return real->CheckReplaceable(path); }
    bool MakeDirectories(const std::string& directory, std::string& error) override {
        return real->MakeDirectories(directory, error);
    }
    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& replaced,
                                        std::string& error) override {
        if (full) {
            error = "No space left on device";
            return nullptr;
        }
        return real->CreateNew(path, replaced, error);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& error) override {
        const bool renamed = real->Rename(from, to, error);
        if (renamed) ++replacements;
        return renamed;
    }
    void SyncDirectory(const std::string& directory) override { real->SyncDirectory(directory); }
    bool Remove(const std::string& path) override { return real->Remove(path); }
    std::vector<std::string> ListDirectory(const std::string& directory) override {
        return real->ListDirectory(directory);
    }
    std::uint64_t ProcessId() override { return real->ProcessId(); }
    bool ProcessIsRunning(std::uint64_t id) override { return real->ProcessIsRunning(id); }

private:
    std::unique_ptr<FileSystem> real = MakeSystemFileSystem();
};

}  // namespace tikr::test
