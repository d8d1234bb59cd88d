// The store's files on POSIX systems: the profile's operations.
#include "platform/posix/posix_file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tikr {

namespace posix_files {

std::string FileErrorText(int error) { return std::strerror(error); }

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.changedNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
}

}  // namespace posix_files

using namespace posix_files;

namespace {

namespace fs = std::filesystem;

bool InGroup(gid_t group) {
    if (::getegid() == group) return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) return false;
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

// Whether the file's mode bits deny this process writing it: the owner's
// bit for its owner, the group's for a member, the others' for the rest.
// Decided from the bits alone, also for root, whom the system would let
// write anything: a file its user marked read-only stays so, and a profile
// of another user is not replaced by a file of root's.
bool ModeDeniesWrite(const struct stat& st) {
    if (::geteuid() == st.st_uid) return (st.st_mode & S_IWUSR) == 0;
    if (InGroup(st.st_gid)) return (st.st_mode & S_IWGRP) == 0;
    return (st.st_mode & S_IWOTH) == 0;
}

class PosixTempFile : public TempFile {
public:
    PosixTempFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
    ~PosixTempFile() override {
        if (fd_ >= 0) ::close(fd_);
    }
    const std::string& Path() const override { return path_; }

    bool Write(std::string_view data, std::string& error) override {
        const char* next = data.data();
        std::size_t left = data.size();
        while (left > 0) {
            const ssize_t n = ::write(fd_, next, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                error = FileErrorText(errno);
                return false;
            }
            if (n == 0) {
                error = FileErrorText(EIO);
                return false;
            }
            next += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Flush(std::string& error) override {
        if (::fsync(fd_) == 0) return true;
        error = FileErrorText(errno);
        return false;
    }

    FileIdentity Identity() override {
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? IdentityOf(st) : FileIdentity{};
    }

    bool Close(std::string& error) override {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) == 0) return true;
        error = FileErrorText(errno);
        return false;
    }

private:
    std::string path_;
    int fd_;
};

}  // namespace

FileIdentity PosixFileSystem::Identify(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{};
}

FileSystem::ReadResult PosixFileSystem::Read(const std::string& path) {
    ReadResult result;
    // Non-blocking, so that a FIFO in the file's place cannot hang the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        // A missing file (or a missing directory on its path) is an
        // empty store; anything else is a file we could not read.
        if (errno == ENOENT || errno == ENOTDIR) {
            result.status = ReadStatus::missing;
        } else {
            result.status = ReadStatus::failed;
            result.error = FileErrorText(errno);
        }
        result.identity = Identify(path);
        return result;
    }
    result.status = ReadStatus::failed;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.error = FileErrorText(errno);
        ::close(fd);
        return result;
    }
    result.identity = IdentityOf(st);
    if (!S_ISREG(st.st_mode)) {
        result.error = S_ISDIR(st.st_mode) ? FileErrorText(EISDIR) : "not a regular file";
        ::close(fd);
        return result;
    }
    std::string& text = result.text;
    text.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == text.size()) text.resize(text.size() * 2);
        const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = FileErrorText(errno);
            result.text.clear();
            ::close(fd);
            return result;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(used);
    result.status = ReadStatus::ok;
    return result;
}

std::string PosixFileSystem::ResolveTarget(const std::string& path) {
    // Follows links one by one, so that a link whose target does not
    // exist yet still names that target. A loop of links is left to
    // CheckReplaceable, which then finds the path unusable.
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return current;
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::size_t slash = current.rfind('/');
            if (slash != std::string::npos) target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    return current;
}

std::string PosixFileSystem::CheckReplaceable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::string() : FileErrorText(errno);
    if (S_ISDIR(st.st_mode)) return FileErrorText(EISDIR);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (ModeDeniesWrite(st)) return FileErrorText(EACCES);
    return std::string();
}

bool PosixFileSystem::MakeDirectories(const std::string& directory, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(directory, ec)) return true;
    fs::create_directories(directory, ec);
    if (!ec) return true;
    error = ec.message();
    return false;
}

std::unique_ptr<TempFile> PosixFileSystem::CreateNew(const std::string& path, const std::string& replaced,
                                                     std::string& error) {
    // A new file gets read and write for all less the umask, as the
    // kernel applies it; a replacement keeps the old file's mode.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = FileErrorText(errno);
        return nullptr;
    }
    struct stat old {};
    // The mode is only a nicety; a file system without modes still
    // takes the content.
    if (::stat(replaced.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 07777);
    return std::make_unique<PosixTempFile>(path, fd);
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to, std::string& error) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    error = FileErrorText(errno);
    return false;
}

void PosixFileSystem::SyncDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

bool PosixFileSystem::Remove(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::vector<std::string> PosixFileSystem::ListDirectory(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

std::uint64_t PosixFileSystem::ProcessId() { return static_cast<std::uint64_t>(::getpid()); }

bool PosixFileSystem::ProcessIsRunning(std::uint64_t id) {
    const pid_t pid = static_cast<pid_t>(id);
    if (pid <= 0 || static_cast<std::uint64_t>(pid) != id) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string_view PathSeparators() { return "/"; }

std::unique_ptr<FileSystem> MakeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace tikr
