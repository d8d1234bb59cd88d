#include "store/profile_store.h"

#include "store/ascii_text.h"
#include "store/atomic_file.h"
#include "store/ini_document.h"
#include "store/stored_section.h"

namespace tikr {

ProfileStore::ProfileStore(std::string filePath)
    : filePath_(std::move(filePath)),
      ownFiles_(MakeSystemFileSystem()),
      files_(ownFiles_.get()),
      document_(std::make_unique<IniDocument>()) {}

ProfileStore::ProfileStore(std::string filePath, FileSystem& files)
    : filePath_(std::move(filePath)), files_(&files), document_(std::make_unique<IniDocument>()) {}

ProfileStore::~ProfileStore() {
    // A batch left open still lands its writes.
    if (batchDepth_ > 0 && dirty_) Flush();
}

void ProfileStore::Report(const std::string& reason) {
    const bool first = lastWriteError_.empty();
    lastWriteError_ = reason.empty() ? std::string("unknown error") : reason;
    if (onWriteFailure_) onWriteFailure_(WriteFailure{filePath_, lastWriteError_, first});
}

void ProfileStore::Drop() {
    // The deferred values stay: they wait for a replacement that succeeds.
    document_->Clear();
    stamp_ = FileIdentity{};
    readError_.clear();
    loaded_ = false;
    dirty_ = false;
}

void ProfileStore::Load() {
    document_->Clear();
    readError_.clear();
    loaded_ = true;
    FileSystem::ReadResult read = files_->Read(filePath_);
    stamp_ = read.identity;
    if (read.status == FileSystem::ReadStatus::failed) readError_ = read.error.empty() ? "unreadable" : read.error;
    if (read.status == FileSystem::ReadStatus::ok) {
        if (read.text.size() > IniDocument::MAX_TEXT_SIZE) {
            readError_ = "too large to read";
        } else {
            document_->ParseOwned(std::move(read.text));
        }
    }
    for (const auto& [name, deferred] : deferred_) document_->Set(deferred.section, deferred.key, deferred.value);
}

void ProfileStore::Revalidate() {
    if (batchDepth_ > 0 && loaded_) return;
    if (loaded_ && readError_.empty() && files_->Identify(filePath_) == stamp_) return;
    Load();
}

int ProfileStore::ReadInt(std::string_view section, std::string_view key, int defaultValue) {
    Revalidate();
    const auto value = document_->Find(section, key);
    if (!value) return defaultValue;
    return ParseStoredInt(*value);
}

std::string ProfileStore::ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) {
    Revalidate();
    const auto value = document_->Find(section, key);
    return std::string(CutForRead(value ? *value : defaultValue));
}

bool ProfileStore::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteValue(section, key, std::to_string(value));
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    return WriteValue(section, key, value);
}

bool ProfileStore::WriteValue(std::string_view section, std::string_view key, std::string_view text) {
    Revalidate();
    const std::uint64_t before = document_->Revision();
    if (!document_->Set(section, key, text)) {
        Report("the section or key name \"" + std::string(section) + "\"/\"" + std::string(key) +
               "\" cannot be stored");
        return false;
    }
    // A write of the value already stored changes nothing, and nothing is
    // written: a save of an unchanged list or a load that recomputes the
    // stored next runs leaves the file alone. A file that could not be read
    // is refused all the same.
    // The leftovers of killed writers go at the first write all the same.
    if (document_->Revision() == before && readError_.empty()) {
        SweepTempFilesOnce();
        return true;
    }
    dirty_ = true;
    if (batchDepth_ > 0) return true;
    return Flush();
}

bool ProfileStore::WriteStringDeferred(std::string_view section, std::string_view key, std::string_view value) {
    // No look at the file: a pass records an outcome per started program.
    // The value is kept apart and set again whenever the file is read
    // afresh, so the write that lands it starts from the file on disk.
    if (!document_->Set(section, key, value)) return false;
    std::string name;
    for (char c : section) name += LowerAscii(c);
    name += '\n';  // never in a name that can be stored
    for (char c : key) name += LowerAscii(c);
    deferred_[name] = DeferredValue{std::string(section), std::string(key), std::string(value)};
    return true;
}

bool ProfileStore::SaveDeferred() {
    if (deferred_.empty()) return true;
    if (batchDepth_ > 0) {
        dirty_ = true;  // the batch's end writes them
        return true;
    }
    // Onto the file as it is now: a change made since the last look stays.
    Revalidate();
    return Flush();
}

StoredSection ProfileStore::ReadSection(const std::string& section) {
    Revalidate();
    StoredSection stored(section);
    document_->ReadSection(section, stored);
    return stored;
}

bool ProfileStore::HasKey(std::string_view section, std::string_view key) {
    Revalidate();
    return document_->Find(section, key).has_value();
}

void ProfileStore::BeginBatch() {
    if (batchDepth_ == 0) {
        Revalidate();
        dirty_ = false;
    }
    ++batchDepth_;
}

bool ProfileStore::EndBatch() {
    if (batchDepth_ == 0) return true;
    if (--batchDepth_ > 0) return true;
    if (!dirty_) return true;
    return Flush();
}

void ProfileStore::SweepTempFilesOnce() {
    if (sweptTempFiles_) return;
    sweptTempFiles_ = true;
    RemoveStaleTempFiles(*files_, filePath_);
}

bool ProfileStore::Flush() {
    if (!holdReason_.empty()) {
        Report(holdReason_);
        Drop();
        return false;
    }
    if (!readError_.empty()) {
        // The file exists but its content is unknown; replacing it with
        // only the new values would destroy it.
        Report("the existing file cannot be read (" + readError_ + ")");
        Drop();
        return false;
    }
    SweepTempFilesOnce();
    std::string error;
    FileIdentity written;
    if (!ReplaceFileAtomically(*files_, filePath_, document_->Serialize(), error, &written)) {
        Report(error);
        Drop();
        return false;
    }
    stamp_ = written;
    dirty_ = false;
    deferred_.clear();
    lastWriteError_.clear();
    return true;
}

}  // namespace tikr
