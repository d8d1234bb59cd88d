#pragma once
// Whole-file replacement that never leaves a half-written file behind,
// built on the store's file-system port.
#include <cstdint>
#include <string>
#include <string_view>

#include "store/file_system.h"

namespace tikr {

// Replaces the file at path with content: the text goes to a new
// temporary file in the same directory, which is flushed to disk and then
// renamed over the old file; the directory is flushed last. A reader sees
// either the old or the new file, never a mix, and a crash at any moment
// leaves one of the two. The directory is created when missing; the mode
// of an existing file is kept; a symbolic link is followed, so its target
// is replaced (or created, when the link dangles). An existing file that
// cannot be written (no write permission, or no write bit for anyone) is
// not replaced. On failure the old file is untouched, the temporary file
// is removed, false is returned and error says what failed and why. On
// success written (when given) identifies the new file.
bool ReplaceFileAtomically(FileSystem& files, const std::string& path, std::string_view content, std::string& error,
                           FileIdentity* written = nullptr);

// The temporary file names of a replacement of fileName carry the
// writer's process id: "." fileName "." pid "." number ".tmp". A name of
// that form whose writer is not running is a leftover of a killed writer.
std::string TempFileName(std::string_view fileName, std::uint64_t processId, unsigned number);
// The process id in a temporary file name of fileName; false when the
// name is not one.
bool ParseTempFileName(std::string_view name, std::string_view fileName, std::uint64_t& processId);

// Removes the temporary files of path that writers which are no longer
// running left behind; files of running writers (this process included)
// and all other files stay. Returns how many were removed.
std::size_t RemoveStaleTempFiles(FileSystem& files, const std::string& path);

}  // namespace tikr
