#include "platform/executable_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tikr {
namespace {

TEST(ExecutablePath, NamesThisProgram) {
    const std::filesystem::path path = ExecutablePath("somewhere/else");
    EXPECT_TRUE(path.is_absolute()) << path;
    EXPECT_EQ(path.filename(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_EQ(ExecutablePath(nullptr), path.string());
}

}  // namespace
}  // namespace tikr
