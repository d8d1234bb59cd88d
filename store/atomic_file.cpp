#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tikr {

namespace {

namespace fs = std::filesystem;

std::string Reason(int error) { return std::strerror(error); }


// Follows a symbolic link at path, so that its target is what gets
// replaced rather than the link.
std::string ResolveLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(fs::path(path), ec);
    return ec ? path : resolved.string();
}

// Permission bits for a new file: read and write for all, less the umask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

bool WriteAll(int fd, std::string_view content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

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

bool ReplaceFileAtomically(const std::string& path, std::string_view content, std::string& error,
                           FileIdentity* written) {
    const std::string target = ResolveLink(path);
    fs::path directory = fs::path(target).parent_path();
    if (directory.empty()) directory = ".";

    std::error_code ec;
    if (!fs::is_directory(directory, ec)) {
        fs::create_directories(directory, ec);
        if (ec) {
            error = "cannot create the directory " + directory.string() + ": " + ec.message();
            return false;
        }
    }

    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            error = Reason(EISDIR);
            return false;
        }
        mode = old.st_mode & 07777;
    } else {
        mode = NewFileMode();
    }

    std::string templ = (directory / ("." + fs::path(target).filename().string() + ".XXXXXX")).string();
    std::vector<char> tempName(templ.begin(), templ.end());
    tempName.push_back('\0');
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        error = "cannot create a temporary file in " + directory.string() + ": " + Reason(errno);
        return false;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const std::string temp(tempName.data());

    auto fail = [&](const std::string& what, int err, bool open) {
        if (open) ::close(fd);
        ::unlink(temp.c_str());
        error = what + ": " + Reason(err);
        return false;
    };

    // The mode is only a nicety; a file system without modes still takes
    // the content.
    (void)::fchmod(fd, mode);
    if (!WriteAll(fd, content)) return fail("cannot write " + temp, errno, true);
    if (::fsync(fd) != 0) return fail("cannot flush " + temp, errno, true);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail("cannot examine " + temp, errno, true);
    if (::close(fd) != 0) return fail("cannot close " + temp, errno, false);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail("cannot replace the file", errno, false);

    // Make the rename itself durable. The new file is in place whatever
    // happens here, so a failure no longer counts as a failed write.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    if (written != nullptr) {
        // A rename may touch the change time; take the identity as it is
        // now, unless someone else's file has already taken the place.
        struct stat now {};
        const bool same = ::stat(target.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev;
        *written = IdentityOf(same ? now : st);
    }
    return true;
}

}  // namespace tikr
