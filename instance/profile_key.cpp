#include "instance/profile_key.h"

#include <cstdint>

namespace tikr {

std::string ProfileKey(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) out[static_cast<std::size_t>(i)] = DIGITS[hash & 0xf];
    return out;
}

}  // namespace tikr
