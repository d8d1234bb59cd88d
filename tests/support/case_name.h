#pragma once
// Names a case of a parameterised suite after what it checks, so that a
// failure listed by CTest says which case failed. GoogleTest allows only
// letters, digits and underscores; the case's index keeps names unique,
// and a long text is cut so that a name stays readable in a listing.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace tikr {

inline std::string CaseName(std::size_t index, const std::string& text) {
    std::string name = std::to_string(index);
    bool gap = true;
    for (unsigned char c : text) {
        if (name.size() >= 64) break;
        if (std::isalnum(c)) {
            if (gap) name += '_';
            name += static_cast<char>(c);
            gap = false;
        } else {
            gap = true;
        }
    }
    return name;
}

// A name generator for INSTANTIATE_TEST_SUITE_P from a function that
// describes one case.
template <typename Param, typename Describe>
auto NamedBy(Describe describe) {
    return
        [describe](const ::testing::TestParamInfo<Param>& info) { return CaseName(info.index, describe(info.param)); };
}

}  // namespace tikr
