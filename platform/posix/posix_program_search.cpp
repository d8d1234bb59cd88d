#include "platform/posix/posix_program_search.h"

#include <cstdlib>

namespace tikr {

std::vector<std::string> ProgramFiles(const std::string& program) {
    if (program.find('/') != std::string::npos) return {program};
    const char* const pathVariable = std::getenv("PATH");
    const std::string path = pathVariable != nullptr ? pathVariable : "/bin:/usr/bin";
    std::vector<std::string> files;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(':', start);
        const std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        files.push_back(dir.empty() ? program : dir + "/" + program);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return files;
}

}  // namespace tikr
