#include "support/scratch_dir.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace testsupport {

ScratchDir::ScratchDir(std::string_view prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = (base != nullptr && *base != '\0') ? base : "/tmp";
    pattern += "/";
    pattern += prefix;
    pattern += "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        // Nothing a test does can go on without its directory; a path in the current directory
        // would put its files where they do not belong.
        std::perror(pattern.c_str());
        std::abort();
    }
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
