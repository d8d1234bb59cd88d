#pragma once
// Whole-file replacement that never leaves a half-written file behind.
#include <cstdint>
#include <string>
#include <string_view>

struct stat;

namespace tikr {

// What identifies one version of a file on disk: a rewrite changes at
// least one of these (a replacement always brings a new inode).
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file that st describes.
FileIdentity IdentityOf(const struct stat& st);

// Replaces the file at path with content: the text goes to a new
// temporary file in the same directory, which is flushed to disk and then
// renamed over the old file; the directory is flushed last. A reader sees
// either the old or the new file, never a mix, and a crash at any moment
// leaves one of the two. The directory is created when missing; the mode
// of an existing file is kept; a symbolic link is followed, so its target
// is replaced. On failure the old file is untouched, the temporary file
// is removed, false is returned and error says what failed and why. On
// success written (when given) identifies the new file.
bool ReplaceFileAtomically(const std::string& path, std::string_view content, std::string& error,
                           FileIdentity* written = nullptr);

}  // namespace tikr
