// The store's files on POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "store/file_system.h"

namespace tikr {

namespace {

namespace fs = std::filesystem;

std::string Reason(int error) { return std::strerror(error); }

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

// Opens a record file: never through a link in its own place, never
// waiting on a FIFO, and only a regular file is kept open. -1 and error set
// otherwise; a missing file sets missing when asked to tell.
int OpenRecord(const std::string& path, int flags, std::string& error, struct stat& st, bool* missing = nullptr) {
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        if (missing != nullptr) *missing = errno == ENOENT || errno == ENOTDIR;
        error = errno == ELOOP ? "a link, not a regular file" : Reason(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? Reason(EISDIR) : "not a regular file";
        ::close(fd);
        return -1;
    }
    // Ours, so the user's only: an older file that others could read is
    // made private.
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) (void)::fchmod(fd, st.st_mode & 07700);
    return fd;
}

// Writes all of data at the end; on a failure part way the file is cut back
// to its old size, so nothing of it stays.
bool WriteWhole(int fd, std::string_view data, off_t oldSize, std::string& error) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = Reason(n < 0 ? errno : ENOSPC);
            if (done > 0) (void)::ftruncate(fd, oldSize);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

class PosixFileLock : public FileLock {
public:
    explicit PosixFileLock(int fd) : fd(fd) {}
    ~PosixFileLock() override { ::close(fd); }  // the lock goes with it
    PosixFileLock(const PosixFileLock&) = delete;
    PosixFileLock& operator=(const PosixFileLock&) = delete;

private:
    int fd;
};

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
                error = Reason(errno);
                return false;
            }
            if (n == 0) {
                error = Reason(EIO);
                return false;
            }
            next += n;
            left -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Flush(std::string& error) override {
        if (::fsync(fd_) == 0) return true;
        error = Reason(errno);
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
        error = Reason(errno);
        return false;
    }

private:
    std::string path_;
    int fd_;
};

class PosixFileSystem : public FileSystem {
public:
    FileIdentity Identify(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? IdentityOf(st) : FileIdentity{};
    }

    ReadResult Read(const std::string& path) override {
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
                result.error = Reason(errno);
            }
            result.identity = Identify(path);
            return result;
        }
        result.status = ReadStatus::failed;
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            result.error = Reason(errno);
            ::close(fd);
            return result;
        }
        result.identity = IdentityOf(st);
        if (!S_ISREG(st.st_mode)) {
            result.error = S_ISDIR(st.st_mode) ? Reason(EISDIR) : "not a regular file";
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
                result.error = Reason(errno);
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

    std::string ResolveTarget(const std::string& path) override {
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

    std::string CheckReplaceable(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::string() : Reason(errno);
        if (S_ISDIR(st.st_mode)) return Reason(EISDIR);
        if (!S_ISREG(st.st_mode)) return "not a regular file";
        if (ModeDeniesWrite(st)) return Reason(EACCES);
        return std::string();
    }

    bool MakeDirectories(const std::string& directory, std::string& error) override {
        std::error_code ec;
        if (fs::is_directory(directory, ec)) return true;
        fs::create_directories(directory, ec);
        if (!ec) return true;
        error = ec.message();
        return false;
    }

    std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& replaced,
                                        std::string& error) override {
        // A new file gets read and write for all less the umask, as the
        // kernel applies it; a replacement keeps the old file's mode.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            error = Reason(errno);
            return nullptr;
        }
        struct stat old {};
        // The mode is only a nicety; a file system without modes still
        // takes the content.
        if (::stat(replaced.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 07777);
        return std::make_unique<PosixTempFile>(path, fd);
    }

    bool Rename(const std::string& from, const std::string& to, std::string& error) override {
        if (::rename(from.c_str(), to.c_str()) == 0) return true;
        error = Reason(errno);
        return false;
    }

    void SyncDirectory(const std::string& directory) override {
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        (void)::fsync(fd);
        ::close(fd);
    }

    bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

    std::vector<std::string> ListDirectory(const std::string& directory) override {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        return names;
    }

    std::uint64_t ProcessId() override { return static_cast<std::uint64_t>(::getpid()); }

    bool ProcessIsRunning(std::uint64_t id) override {
        const pid_t pid = static_cast<pid_t>(id);
        if (pid <= 0 || static_cast<std::uint64_t>(pid) != id) return false;
        return ::kill(pid, 0) == 0 || errno == EPERM;
    }

    ReadResult ReadTail(const std::string& path, std::uint64_t maxBytes) override {
        ReadResult result;
        struct stat st {};
        bool missing = false;
        const int fd = OpenRecord(path, O_RDONLY, result.error, st, &missing);
        if (fd < 0) {
            result.status = missing ? ReadStatus::missing : ReadStatus::failed;
            if (missing) result.error.clear();
            return result;
        }
        result.identity = IdentityOf(st);
        const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
        const std::uint64_t want = std::min(size, maxBytes);
        off_t at = static_cast<off_t>(size - want);
        result.text.resize(static_cast<std::size_t>(want));
        std::size_t used = 0;
        while (used < result.text.size()) {
            const ssize_t n = ::pread(fd, result.text.data() + used, result.text.size() - used, at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result.status = ReadStatus::failed;
                result.error = Reason(errno);
                result.text.clear();
                ::close(fd);
                return result;
            }
            if (n == 0) break;  // cut meanwhile
            used += static_cast<std::size_t>(n);
            at += n;
        }
        ::close(fd);
        result.text.resize(used);
        result.status = ReadStatus::ok;
        return result;
    }

    bool AppendLine(const std::string& path, std::string_view line, std::string& error) override {
        struct stat st {};
        const int fd = OpenRecord(path, O_RDWR | O_APPEND | O_CREAT, error, st);
        if (fd < 0) return false;
        char last = '\n';
        if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
        std::string data;
        data.reserve(line.size() + 2);
        if (last != '\n') data += '\n';
        data += line;
        data += '\n';
        const bool written = WriteWhole(fd, data, st.st_size, error);
        ::close(fd);
        return written;
    }

    bool MakePrivateDirectory(const std::string& directory, std::string& error) override {
        std::error_code ec;
        const fs::path dir(directory);
        if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
        if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
            error = Reason(errno);
            return false;
        }
        struct stat st {};
        if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            error = Reason(ENOTDIR);
            return false;
        }
        if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) (void)::chmod(directory.c_str(), st.st_mode & 07700);
        return true;
    }

    std::unique_ptr<FileLock> LockFile(const std::string& path, std::string& error) override {
        struct stat st {};
        const int fd = OpenRecord(path, O_RDWR | O_CREAT, error, st);
        if (fd < 0) return nullptr;
        // Another scheduler holds it for one append or one trim: a moment.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int why = errno;
            if ((why != EWOULDBLOCK && why != EINTR) || std::chrono::steady_clock::now() >= until) {
                error = why == EWOULDBLOCK ? "held by another program" : Reason(why);
                ::close(fd);
                return nullptr;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::make_unique<PosixFileLock>(fd);
    }

    bool CutFile(const std::string& path, std::string& error) override {
        struct stat st {};
        const int fd = OpenRecord(path, O_WRONLY, error, st);
        if (fd < 0) return false;
        const bool cut = ::ftruncate(fd, 0) == 0;
        if (!cut) error = Reason(errno);
        ::close(fd);
        return cut;
    }
};

}  // namespace

std::string_view PathSeparators() { return "/"; }

std::unique_ptr<FileSystem> MakeSystemFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace tikr
