#include "store/atomic_file.h"

#include <memory>

#include "store/file_system.h"

namespace tikr {

namespace {

// The directory part (empty for a bare name) and the file name.
void SplitPath(const std::string& path, std::string& directory, std::string& name) {
    const std::size_t last = path.find_last_of(PathSeparators());
    if (last == std::string::npos) {
        directory.clear();
        name = path;
        return;
    }
    // A file at the root keeps its separator as the directory.
    directory = path.substr(0, last == 0 ? 1 : last);
    name = path.substr(last + 1);
}

std::string Join(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    const std::string_view separators = PathSeparators();
    if (separators.find(directory.back()) != std::string_view::npos) return directory + name;
    return directory + separators.front() + name;
}

// Tries a few numbers, in case a leftover of an earlier process with the
// same id holds one.
constexpr unsigned TEMP_NAME_TRIES = 16;

constexpr std::string_view TEMP_SUFFIX = ".tmp";

}  // namespace

std::string TempFileName(std::string_view fileName, std::uint64_t processId, unsigned number) {
    std::string name = ".";
    name.append(fileName).append(".").append(std::to_string(processId)).append(".");
    name.append(std::to_string(number)).append(TEMP_SUFFIX);
    return name;
}

bool ParseTempFileName(std::string_view name, std::string_view fileName, std::uint64_t& processId) {
    // "." fileName "." digits "." digits ".tmp"
    if (name.size() < fileName.size() + 2 || name[0] != '.' || name.substr(1, fileName.size()) != fileName ||
        name[fileName.size() + 1] != '.')
        return false;
    std::string_view rest = name.substr(fileName.size() + 2);
    if (rest.size() < TEMP_SUFFIX.size() || rest.substr(rest.size() - TEMP_SUFFIX.size()) != TEMP_SUFFIX) return false;
    rest.remove_suffix(TEMP_SUFFIX.size());
    const std::size_t dot = rest.find('.');
    // At most 19 digits of id, which cannot overflow 64 bits.
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == rest.size() || dot > 19) return false;
    std::uint64_t id = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (i == dot) continue;
        if (rest[i] < '0' || rest[i] > '9') return false;
        if (i < dot) id = id * 10 + static_cast<std::uint64_t>(rest[i] - '0');
    }
    processId = id;
    return true;
}

std::size_t RemoveStaleTempFiles(FileSystem& files, const std::string& path) {
    std::string directory;
    std::string name;
    SplitPath(files.ResolveTarget(path), directory, name);
    const std::uint64_t self = files.ProcessId();
    std::size_t removed = 0;
    for (const std::string& entry : files.ListDirectory(directory.empty() ? "." : directory)) {
        std::uint64_t writer = 0;
        if (!ParseTempFileName(entry, name, writer) || writer == self || files.ProcessIsRunning(writer)) continue;
        if (files.Remove(Join(directory, entry))) ++removed;
    }
    return removed;
}

bool ReplaceFileAtomically(FileSystem& files, const std::string& path, std::string_view content, std::string& error,
                           FileIdentity* written) {
    const std::string target = files.ResolveTarget(path);
    std::string directory;
    std::string name;
    SplitPath(target, directory, name);

    error = files.CheckReplaceable(target);
    if (!error.empty()) return false;
    if (!directory.empty() && !files.MakeDirectories(directory, error)) {
        error = "cannot create the directory " + directory + ": " + error;
        return false;
    }

    std::unique_ptr<TempFile> file;
    std::string createError;
    const std::uint64_t self = files.ProcessId();
    for (unsigned n = 0; n < TEMP_NAME_TRIES && !file; ++n) {
        file = files.CreateNew(Join(directory, TempFileName(name, self, n)), target, createError);
    }
    if (!file) {
        error = "cannot create a temporary file in " + (directory.empty() ? std::string(".") : directory) + ": " +
                createError;
        return false;
    }
    const std::string temp = file->Path();

    std::string why;
    auto fail = [&](const std::string& what) {
        std::string ignored;
        file->Close(ignored);
        files.Remove(temp);
        error = what + ": " + why;
        return false;
    };
    if (!file->Write(content, why)) return fail("cannot write " + temp);
    if (!file->Flush(why)) return fail("cannot flush " + temp);
    const FileIdentity tempIdentity = file->Identity();
    if (!file->Close(why)) return fail("cannot close " + temp);
    if (!files.Rename(temp, target, why)) return fail("cannot replace the file");

    // Make the rename itself durable. The new file is in place whatever
    // happens here, so this cannot fail the write any more.
    files.SyncDirectory(directory.empty() ? "." : directory);
    if (written != nullptr) {
        // A rename may touch the change time; take the identity as it is
        // now, unless someone else's file has already taken the place.
        const FileIdentity now = files.Identify(target);
        const bool same = now.exists && now.device == tempIdentity.device && now.inode == tempIdentity.inode;
        *written = same ? now : tempIdentity;
    }
    return true;
}

}  // namespace tikr
