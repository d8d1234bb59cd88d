#pragma once
// The store's port to the operating system's files: the few primitive
// operations that reading the profile file and replacing it atomically
// need, in standard C++ types. One implementation per operating system
// lives under platform/ (MakeSystemFileSystem); tests wrap or fake it.
//
// Errors come back as reason texts ("Permission denied"); no operation
// throws.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tikr {

// What identifies one version of a file on disk: a rewrite changes at
// least one of these (a replacement always brings a new file number).
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;  // device, or volume serial number
    std::uint64_t inode = 0;   // inode, or file index
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // last write time
    std::int64_t changedNs = 0;   // status change time where there is one
    bool operator==(const FileIdentity&) const = default;
};

// A file being written: the temporary file of a replacement.
class TempFile {
public:
    virtual ~TempFile() = default;  // closes the file if still open; never removes it
    virtual const std::string& Path() const = 0;
    virtual bool Write(std::string_view data, std::string& error) = 0;
    // Forces the written data to the disk.
    virtual bool Flush(std::string& error) = 0;
    // The identity of the written file; exists is false when unknown.
    virtual FileIdentity Identity() = 0;
    virtual bool Close(std::string& error) = 0;
};

// A lock held on a file until this goes.
class FileLock {
public:
    virtual ~FileLock() = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    enum class ReadStatus { ok, missing, failed };
    struct ReadResult {
        ReadStatus status = ReadStatus::missing;
        std::string text;       // the whole content when ok
        std::string error;      // why, when failed
        FileIdentity identity;  // of the file read (or found) when known
    };

    // The identity of the file at path; exists is false when there is none
    // or it cannot be examined.
    virtual FileIdentity Identify(const std::string& path) = 0;

    // Reads a whole regular file. A missing file (or missing directory on
    // the path) is missing; a directory, a special file (which is never
    // opened in a way that could block) or a read error is failed.
    virtual ReadResult Read(const std::string& path) = 0;

    // The file a write to path must replace: a symbolic link is followed
    // to its target, even when the target does not exist yet.
    virtual std::string ResolveTarget(const std::string& path) = 0;

    // Empty when a write may replace the file at path (or there is none);
    // else the reason: a directory, a special file, or a file that cannot
    // be written (no write permission, marked read-only).
    virtual std::string CheckReplaceable(const std::string& path) = 0;

    // Creates the directory and its missing parents.
    virtual bool MakeDirectories(const std::string& directory, std::string& error) = 0;

    // Creates and opens a new file named path that no other file has,
    // with the permissions of the file it will replace (replaced), or
    // those of a new file when there is none. Null and error set when it
    // cannot be made, also when path is taken.
    virtual std::unique_ptr<TempFile> CreateNew(const std::string& path, const std::string& replaced,
                                                std::string& error) = 0;

    // Puts the file from over the file to in one step: a reader sees the
    // old or the new file, never neither.
    virtual bool Rename(const std::string& from, const std::string& to, std::string& error) = 0;

    // Makes a finished rename in the directory durable where the system
    // needs that separately.
    virtual void SyncDirectory(const std::string& directory) = 0;

    virtual bool Remove(const std::string& path) = 0;

    // The names (without directory) of the entries of a directory.
    virtual std::vector<std::string> ListDirectory(const std::string& directory) = 0;

    // This process's id, and whether a process with the id is running
    // (true when that cannot be found out).
    virtual std::uint64_t ProcessId() = 0;
    virtual bool ProcessIsRunning(std::uint64_t id) = 0;

    // The records of runs: files of the program's own that grow by whole
    // lines and are private to the user. None of these follows a link in
    // the file's own place, or opens a FIFO or a device in a way that could
    // block; such a file is failed. The defaults refuse everything, for a
    // view of the files that keeps no records.

    // The last maxBytes (at most) of a regular file; identity.size is the
    // whole file's size. Missing as Read.
    virtual ReadResult ReadTail(const std::string& /*path*/, std::uint64_t /*maxBytes*/) {
        return ReadResult{ReadStatus::failed, {}, NOT_SUPPORTED, {}};
    }
    // Adds line to the end of the regular file at path (made, for the user
    // only, when missing) in one write: whole or not at all. When the file
    // does not end in a line end, one goes first, so the line is one of
    // its own.
    virtual bool AppendLine(const std::string& /*path*/, std::string_view /*line*/, std::string& error) {
        return Refuse(error);
    }
    // Makes the directory and its missing parents for the user only; the
    // directory itself loses any access of others it had.
    virtual bool MakePrivateDirectory(const std::string& /*directory*/, std::string& error) { return Refuse(error); }
    // An exclusive lock on the file at path (made, for the user only, when
    // missing), between processes. Waits a little while another holds it;
    // null and error set when it cannot be had.
    virtual std::unique_ptr<FileLock> LockFile(const std::string& /*path*/, std::string& error) {
        Refuse(error);
        return nullptr;
    }
    // Cuts the regular file at path to nothing; a program appending to it
    // goes on writing from its new end.
    virtual bool CutFile(const std::string& /*path*/, std::string& error) { return Refuse(error); }
    // Whether path itself is a regular file: not a link, a folder, a FIFO
    // or a device.
    virtual bool IsRegularFile(const std::string& /*path*/) { return false; }
    // path with every link, "." and ".." on the way resolved, as the system
    // opens it; empty when it cannot be resolved.
    virtual std::string CanonicalPath(const std::string& /*path*/) { return {}; }

private:
    static constexpr const char* NOT_SUPPORTED = "not supported";
    static bool Refuse(std::string& error) {
        error = NOT_SUPPORTED;
        return false;
    }
};

// The characters that separate a path's folders on this operating system,
// the usual one first.
std::string_view PathSeparators();

// The operating system's files, as the build chose them.
std::unique_ptr<FileSystem> MakeSystemFileSystem();

}  // namespace tikr
