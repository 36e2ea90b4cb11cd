// OutputFile: non-blocking, owner-only opening and a write-through buffer that remembers failures.
#include "upgrade/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t kBufferSize = 1 << 14;
}

OutputFile::Buffer::Buffer() : BlockBuffer(kBufferSize) {}

bool OutputFile::Buffer::deliver(const char* data, std::size_t size) {
    if (fd_ < 0) {
        if (error_ == 0) error_ = EBADF;
        return false;
    }
    while (size > 0) {
        const ssize_t written = ::write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (error_ == 0) error_ = written < 0 ? errno : EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputFile::Buffer::closeFile() {
    if (fd_ < 0) return true;
    bool ok = flushPending();
    if (::close(fd_) != 0 && ok) {
        if (error_ == 0) error_ = errno;
        ok = false;
    }
    fd_ = -1;
    return ok;
}

OutputFile::OutputFile() : std::ostream(nullptr) { rdbuf(&buffer_); }

OutputFile::~OutputFile() { buffer_.closeFile(); }

int OutputFile::openDescriptor(const std::string& path, const OutputOpenOptions& options) {
    int flags = O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    flags |= options.mode == OutputMode::Append ? O_APPEND : O_TRUNC;
    if (options.noFollow) flags |= O_NOFOLLOW;
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) return -errno;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    if (S_ISDIR(status.st_mode)) {
        ::close(fd);
        return -EISDIR;
    }
    // Only the open was to be non-blocking: a pipe whose reader is slow is waited for.
    const int statusFlags = ::fcntl(fd, F_GETFL);
    if (statusFlags != -1) (void)::fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK);
    // A file of someone else's that this user may write (a shared log) keeps its permissions.
    if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && (status.st_mode & 07777) != 0600 &&
        ::fchmod(fd, 0600) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    return fd;
}

int OutputFile::open(const std::string& path, const OutputOpenOptions& options) {
    close();
    const int fd = openDescriptor(path, options);
    if (fd < 0) return -fd;
    adopt(fd);
    return 0;
}

void OutputFile::adopt(int fd) {
    close();
    buffer_.attach(fd);
    std::ostream::clear(error() != 0 ? std::ios::badbit : std::ios::goodbit);
}

void OutputFile::close() {
    if (!is_open()) return;
    if (!buffer_.closeFile()) setstate(std::ios::badbit);
}

void OutputFile::clearError() {
    buffer_.clearError();
    std::ostream::clear();
}
