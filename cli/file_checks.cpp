// The input and output checks of upgrade-cli.
#include "cli/file_checks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cli {

InputCheck checkInput(const std::string& path) {
    InputCheck check;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        check.problem = std::strerror(errno);
        return check;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        check.problem = std::strerror(errno);
    else if (S_ISDIR(status.st_mode))
        check.problem = "it is a directory";
    else if (!S_ISREG(status.st_mode))
        check.problem = "not a regular file";
    else
        check.id = FileId{status.st_dev, status.st_ino};
    ::close(fd);
    return check;
}

std::optional<FileId> existingFile(const std::string& path, bool* regular) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    if (regular != nullptr) *regular = S_ISREG(status.st_mode);
    return FileId{status.st_dev, status.st_ino};
}

}  // namespace cli
