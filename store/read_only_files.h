#pragma once
// A view of the files that reads and never changes anything: every write,
// removal or new directory is refused. A store opened through it shows the
// profile file as it is and leaves it alone, so it can be read while a
// scheduler that writes it runs.
#include "store/file_system.h"

namespace tikr {

class ReadOnlyFiles : public FileSystem {
public:
    explicit ReadOnlyFiles(FileSystem& files) : files(files) {}

    FileIdentity Identify(const std::string& path) override { return files.Identify(path); }
    ReadResult Read(const std::string& path) override { return files.Read(path); }
    std::string ResolveTarget(const std::string& path) override { return files.ResolveTarget(path); }
    std::string CheckReplaceable(const std::string& /*path*/) override { return "opened for reading only"; }
    bool MakeDirectories(const std::string& /*directory*/, std::string& error) override {
        error = "opened for reading only";
        return false;
    }
    std::unique_ptr<TempFile> CreateNew(const std::string& /*path*/, const std::string& /*replaced*/,
                                        std::string& error) override {
        error = "opened for reading only";
        return nullptr;
    }
    bool Rename(const std::string& /*from*/, const std::string& /*to*/, std::string& error) override {
        error = "opened for reading only";
        return false;
    }
    void SyncDirectory(const std::string& /*directory*/) override {}
    bool Remove(const std::string& /*path*/) override { return false; }
    std::vector<std::string> ListDirectory(const std::string& directory) override {
        return files.ListDirectory(directory);
    }
    std::uint64_t ProcessId() override { return files.ProcessId(); }
    bool ProcessIsRunning(std::uint64_t id) override { return files.ProcessIsRunning(id); }

private:
    FileSystem& files;
};

}  // namespace tikr
