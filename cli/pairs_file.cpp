// Reading --pairs-file (see pairs_file.h).
#include "cli/pairs_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::vector<DevicePair>> parsePairsText(std::string_view text, std::string& problem) {
    std::vector<DevicePair> pairs;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.find('\0') != std::string_view::npos) {
            problem = "line " + std::to_string(lineNumber) + ": not text";
            return std::nullopt;
        }
        std::optional<DevicePair> pair = parseDevicePair(line);
        if (!pair) {
            problem = "line " + std::to_string(lineNumber) + ": expected OLDDEV=NEWDEV, found \"" + std::string(line) + "\"";
            return std::nullopt;
        }
        pairs.push_back(std::move(*pair));
    }
    return pairs;
}

std::optional<std::vector<DevicePair>> readPairsFile(const std::string& path, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        problem = "not a regular file";
        return std::nullopt;
    }
    std::string text;
    char block[4096];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            problem = std::strerror(errno);
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        if (text.size() + static_cast<std::size_t>(got) > kPairsFileMax) {
            ::close(fd);
            problem = "larger than " + std::to_string(kPairsFileMax) + " bytes";
            return std::nullopt;
        }
        text.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return parsePairsText(text, problem);
}

}  // namespace cli
