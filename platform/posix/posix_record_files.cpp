// The store's files on POSIX systems: the operations on the records of
// runs.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/posix/posix_file_system.h"

namespace tikr {

using namespace posix_files;

namespace {

namespace fs = std::filesystem;

// Opens a record file: never through a link in its own place, never
// waiting on a FIFO, and only a regular file is kept open. -1 and error set
// otherwise; a missing file sets missing when asked to tell.
int OpenRecord(const std::string& path, int flags, std::string& error, struct stat& st, bool* missing = nullptr) {
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        if (missing != nullptr) *missing = errno == ENOENT || errno == ENOTDIR;
        error = errno == ELOOP ? "a link, not a regular file" : FileErrorText(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? FileErrorText(EISDIR) : "not a regular file";
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
            error = FileErrorText(n < 0 ? errno : ENOSPC);
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

}  // namespace

FileSystem::ReadResult PosixFileSystem::ReadTail(const std::string& path, std::uint64_t maxBytes) {
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
            result.error = FileErrorText(errno);
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

bool PosixFileSystem::AppendLine(const std::string& path, std::string_view line, std::string& error) {
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

bool PosixFileSystem::MakePrivateDirectory(const std::string& directory, std::string& error) {
    std::error_code ec;
    const fs::path dir(directory);
    if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        error = FileErrorText(errno);
        return false;
    }
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = FileErrorText(ENOTDIR);
        return false;
    }
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) (void)::chmod(directory.c_str(), st.st_mode & 07700);
    return true;
}

std::unique_ptr<FileLock> PosixFileSystem::LockFile(const std::string& path, std::string& error) {
    struct stat st {};
    const int fd = OpenRecord(path, O_RDWR | O_CREAT, error, st);
    if (fd < 0) return nullptr;
    // Another scheduler holds it for one append or one trim: a moment.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        if ((why != EWOULDBLOCK && why != EINTR) || std::chrono::steady_clock::now() >= until) {
            error = why == EWOULDBLOCK ? "held by another program" : FileErrorText(why);
            ::close(fd);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::make_unique<PosixFileLock>(fd);
}

bool PosixFileSystem::CutFile(const std::string& path, std::string& error) {
    struct stat st {};
    const int fd = OpenRecord(path, O_WRONLY, error, st);
    if (fd < 0) return false;
    const bool cut = ::ftruncate(fd, 0) == 0;
    if (!cut) error = FileErrorText(errno);
    ::close(fd);
    return cut;
}

bool PosixFileSystem::IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string PosixFileSystem::CanonicalPath(const std::string& path) {
    char* const resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string text = resolved;
    std::free(resolved);
    return text;
}

}  // namespace tikr
