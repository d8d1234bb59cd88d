#pragma once
// A profile store on a file in a fresh directory that records every
// failed write it reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/profile_store.h"
#include "temp_dir.h"

namespace tikr::test {

// Installs a handler on the store that keeps every reported failure.
inline void RecordFailures(ProfileStore& store, std::vector<WriteFailure>& failures) {
    store.SetWriteFailureHandler([&failures](const WriteFailure& failure) { failures.push_back(failure); });
}

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() { RecordFailures(store, failures); }

    std::string FileText() const { return TempDir::ReadFile(path); }

    TempDir dir;
    std::string path = dir.File("tikr.INI");
    ProfileStore store{path};
    std::vector<WriteFailure> failures;
};

}  // namespace tikr::test
