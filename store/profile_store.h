#pragma once
// The keyed profile store: sections of keys with text values, kept in one
// INI file. Section and key names match without regard to letter case.
//
// Every read sees the file as it is on disk (another process may have
// changed it); the parsed file is kept and revalidated by one look at the
// file's identity (size, modification and change times, file number), so
// an unchanged file is not parsed again. Inside a batch the file is looked at once, when the
// batch begins. An
// existing file that cannot be read reads as empty, and writes to it fail
// rather than replace its unread content.
// Every write that changes the file replaces it whole, atomically
// (temporary file in the same directory, flushed, renamed over the old
// one); a write of the value a key already holds replaces nothing. Inside a batch the
// writes collect in memory and the batch's end writes them in one
// replacement, so a group of writes lands whole or not at all. The first
// write of a store also removes temporary files that killed writers left
// beside the file. An existing file that cannot be written is not
// replaced: the write fails.
//
// Failed writes: the store prints nothing itself. Every write that fails
// (the file cannot be written, or a section or key name cannot be stored)
// returns false, leaves the file as it was and is passed to the owner's
// write-failure handler, when one is installed, as a WriteFailure. Its
// firstSinceSuccess is true for the first failure after a successful write
// (or after construction): a front end that tells the user only then says
// it once per run of failures, and again after a write succeeded in
// between. LastWriteError() gives the same state to callers that poll.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "store/file_system.h"
#include "store/stored_section.h"

namespace tikr {

class IniDocument;

// One failed write, as the write-failure handler receives it.
struct WriteFailure {
    std::string path;    // the profile file
    std::string reason;  // what failed and why, e.g. "Permission denied"
    // No write failed since the last successful one (or since the store
    // was made): the failure is news to whoever reports failures once.
    bool firstSinceSuccess = true;
};

using WriteFailureHandler = std::function<void(const WriteFailure&)>;

class ProfileStore {
public:
    // The longest text a read returns (stored_section.h).
    static constexpr std::size_t MAX_READ_LENGTH = tikr::MAX_READ_LENGTH;

    // A store on the file at filePath through the operating system's files.
    explicit ProfileStore(std::string filePath);
    // The same through the given files, which must outlive the store.
    ProfileStore(std::string filePath, FileSystem& files);
    ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // The key's value read as a decimal integer (leading blanks, optional
    // sign, digits up to the first non-digit; no digits give 0; values
    // beyond 32 bits are clamped). The default when the key is missing.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue);

    // The key's value, at most MAX_READ_LENGTH characters; the default
    // when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue = {});

    // Writes "%d" of the value. False when the file could not be written
    // (passed to the write-failure handler); the file then keeps its old
    // content.
    bool WriteInt(std::string_view section, std::string_view key, int value);

    // Writes the value so that it reads back unchanged; see IniDocument
    // for how blanks, quotes and line breaks are kept on one line.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Sets the value without a replacement of its own: it lands with the
    // file's next replacement that succeeds (the next write or batch), or at
    // SaveDeferred. It waits without a look at the file; like every write
    // it is then applied to the file as it is on disk at that moment, so a
    // change another program made meanwhile stays. False when the names
    // cannot be stored.
    bool WriteStringDeferred(std::string_view section, std::string_view key, std::string_view value);
    // Writes the file now, as it is on disk with the deferred values set,
    // when deferred values are waiting; true when none are left.
    bool SaveDeferred();
    bool HasDeferredWrites() const { return !deferred_.empty(); }

    // Every key of the section as the reads above would give them now, in
    // one look: a section that is missing holds none.
    StoredSection ReadSection(const std::string& section);

    // Whether the section holds the key.
    bool HasKey(std::string_view section, std::string_view key);

    // Batches nest; only the outermost end writes the file. Inside a batch
    // writes return true once recorded; EndBatch reports whether the file
    // was written. A failed batch leaves the file as it was and drops the
    // unsaved values (not the deferred ones, which wait on), so the next
    // read shows the file again.
    void BeginBatch();
    bool EndBatch();

    // Scoped batch: begins on construction, ends on Commit or destruction.
    class Batch {
    public:
        explicit Batch(ProfileStore& store) : store_(&store) { store_->BeginBatch(); }
        ~Batch() {
            if (store_ != nullptr) store_->EndBatch();
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        bool Commit() {
            ProfileStore* s = store_;
            store_ = nullptr;
            return s->EndBatch();
        }

    private:
        ProfileStore* store_;
    };

    const std::string& GetFilePath() const { return filePath_; }

    // Installs the handler that hears of every failed write (replacing any
    // earlier one; an empty function removes it). It is called after the
    // failure, before the failing write returns false.
    void SetWriteFailureHandler(WriteFailureHandler handler) { onWriteFailure_ = std::move(handler); }

    // The reason of the latest failed write when no write has succeeded
    // since; empty otherwise.
    const std::string& LastWriteError() const { return lastWriteError_; }

    // Why the file, as last looked at, exists but could not be read (no
    // permission, a folder, held open by another program); empty when it
    // was read or is missing. A file that could not be read is read again
    // at the next look, changed or not.
    const std::string& ReadError() const { return readError_; }

    // While writes are held no replacement of the file is made: each fails
    // with the reason given, as a failed write does. The owner holds them
    // while what it would write must not land (tasks loaded from a file
    // that could not be read). Releasing also drops the deferred values
    // set meanwhile: the owner writes what it holds afresh.
    void HoldWrites(std::string reason) { holdReason_ = std::move(reason); }
    void ReleaseWrites() {
        holdReason_.clear();
        deferred_.clear();
    }

private:
    void Revalidate();
    void Load();
    void Drop();
    bool Flush();
    void SweepTempFilesOnce();
    bool WriteValue(std::string_view section, std::string_view key, std::string_view text);
    void Report(const std::string& reason);

    std::string filePath_;
    std::unique_ptr<FileSystem> ownFiles_;  // when none was given
    FileSystem* files_;
    std::unique_ptr<IniDocument> document_;
    FileIdentity stamp_;     // the file version the document was read from
    std::string readError_;  // why an existing file could not be read
    bool loaded_ = false;
    int batchDepth_ = 0;
    bool dirty_ = false;
    // Values set by WriteStringDeferred and not yet written, by section and
    // key in lower case; set again on every fresh read of the file.
    struct DeferredValue {
        std::string section;
        std::string key;
        std::string value;
    };
    std::map<std::string, DeferredValue> deferred_;
    bool sweptTempFiles_ = false;  // leftovers of killed writers removed
    WriteFailureHandler onWriteFailure_;
    std::string lastWriteError_;  // empty after a successful write
    std::string holdReason_;      // writes are held when not empty
};

}  // namespace tikr
