#pragma once
// A profile store on a file in a fresh directory that records every
// failed write it reports.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace tikr::test {

// Installs a handler on the store that keeps every reported failure.
inline void RecordFailures(ProfileStore& store, std::vector<WriteFailure>& failures) {
    store.SetWriteFailureHandler([&failures](const WriteFailure& failure) { failures.push_back(failure); });
}

// The system's files, with a log of the operations of each replacement
// ("create", "write", "flush", "close", "rename", "sync-directory",
// "remove") and a replaceable answer to whether a process runs.
class RecordingFileSystem : public FileSystem {
public:
    std::vector<std::string> log;
    std::function<bool(std::uint64_t)> isRunning;  // when set, answers ProcessIsRunning

    FileIdentity Identify(const std::string& path) override { return real_->Identify(path); }
    ReadResult Read(const std::string& path) override { return real_->Read(path); }
    std::string ResolveTarget(const std::string& path) override { return real_->ResolveTarget(path); }
    std::string CheckReplaceable(const std::string& path) override { return real_->CheckReplaceable(path); }
    bool MakeDirectories(const std::string& directory, std::string& error) override {
        return real_->MakeDirectories(directory, error);
    }
    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& replaced,
                                        std::string& error) override {
        log.push_back("create");
        std::unique_ptr<TempFile> file = real_->CreateNew(path, replaced, error);
        if (!file) return nullptr;
        return std::make_unique<RecordingTempFile>(std::move(file), log);
    }
    bool Rename(const std::string& from, const std::string& to, std::string& error) override {
        log.push_back("rename");
        return real_->Rename(from, to, error);
    }
    void SyncDirectory(const std::string& directory) override {
        log.push_back("sync-directory");
        real_->SyncDirectory(directory);
    }
    bool Remove(const std::string& path) override {
        log.push_back("remove");
        return real_->Remove(path);
    }
    std::vector<std::string> ListDirectory(const std::string& directory) override {
        return real_->ListDirectory(directory);
    }
    std::uint64_t ProcessId() override { return real_->ProcessId(); }
    bool ProcessIsRunning(std::uint64_t id) override { return isRunning ? isRunning(id) : real_->ProcessIsRunning(id); }

private:
    class RecordingTempFile : public TempFile {
    public:
        RecordingTempFile(std::unique_ptr<TempFile> real, std::vector<std::string>& log)
            : real_(std::move(real)), log_(log) {}
        const std::string& Path() const override { return real_->Path(); }
        bool Write(std::string_view data, std::string& error) override {
            log_.push_back("write");
            return real_->Write(data, error);
        }
        bool Flush(std::string& error) override {
            log_.push_back("flush");
            return real_->Flush(error);
        }
        FileIdentity Identity() override { return real_->Identity(); }
        bool Close(std::string& error) override {
            log_.push_back("close");
            return real_->Close(error);
        }

    private:
        std::unique_ptr<TempFile> real_;
        std::vector<std::string>& log_;
    };

    std::unique_ptr<FileSystem> real_ = MakeSystemFileSystem();
};

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() { RecordFailures(store, failures); }

    std::string FileText() const { return TempDir::ReadFile(path); }

    TempDir dir;
    std::string path = dir.File("tikr.INI");
    ProfileStore store{path};
    std::vector<WriteFailure> failures;
};

}  // namespace tikr::test
