#include "platform/posix/runtime_dir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tikr {

std::string DefaultRuntimeDir(const char* xdgRuntimeDir, const std::string& tmpBase, uid_t uid) {
    if (xdgRuntimeDir != nullptr && xdgRuntimeDir[0] == '/') {
        struct stat st {};
        if (::lstat(xdgRuntimeDir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid) return xdgRuntimeDir;
    }
    return tmpBase + "/tikr-" + std::to_string(uid);
}

bool EnsurePrivateDirectory(const std::string& path, std::string& error) {
    auto failure = [&](const std::string& what, int err) {
        error = what + ": " + std::strerror(err);
        return false;
    };
    if (path.empty()) {
        error = "no runtime directory";
        return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return failure("cannot create " + path, errno);
    // Check and fix through a descriptor, so that what is checked is what
    // gets its mode changed. O_NOFOLLOW refuses a symbolic link.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ELOOP || err == ENOTDIR) {
            error = path + " is not a directory (or is a symbolic link)";
            return false;
        }
        return failure("cannot open " + path, err);
    }
    struct stat st {};
    bool ok = false;
    if (::fstat(fd, &st) != 0) {
        failure("cannot examine " + path, errno);
    } else if (!S_ISDIR(st.st_mode)) {
        error = path + " is not a directory";
    } else if (st.st_uid != ::geteuid()) {
        error = path + " belongs to another user";
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
        failure("cannot make " + path + " private", errno);
    } else {
        ok = true;
    }
    ::close(fd);
    return ok;
}

}  // namespace tikr
