#include "platform/posix/posix_open_file_limit.h"

#include <limits>

namespace tikr {

OpenFileLimit::OpenFileLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    given = limit;
    if (limit.rlim_cur < limit.rlim_max) {
        struct rlimit higher = limit;
        higher.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &higher) == 0) {
            raised = true;
            limit = higher;
        }
    }
    const rlim_t most = std::numeric_limits<int>::max();
    current = static_cast<int>(limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > most ? most : limit.rlim_cur);
}

OpenFileLimit::~OpenFileLimit() {
    if (raised) setrlimit(RLIMIT_NOFILE, &given);
}

}  // namespace tikr
