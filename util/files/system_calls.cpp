// The writer's system calls and the failure-injection seam in front of them.
#include "util/files/system_calls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "util/files/failure_injection.h"

namespace files {

namespace {

struct ArmedFailure {
    Step step = Step::None;
    int remaining = 0;
    int error = 0;
};

std::atomic<bool> armed{false};
std::mutex armedLock;
ArmedFailure armedFailure;

// True (with errno set) when this operation is the one a test chose to fail.
bool injected(Step step) {
    if (!armed.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> hold(armedLock);
    if (armedFailure.step != step || armedFailure.remaining <= 0) return false;
    if (--armedFailure.remaining > 0) return false;
    armed.store(false, std::memory_order_release);
    errno = armedFailure.error;
    return true;
}

}  // namespace

namespace testing {

void failAt(Step step, int count, int error) {
    std::lock_guard<std::mutex> hold(armedLock);
    armedFailure = ArmedFailure{step, count, error};
    armed.store(count > 0 && step != Step::None, std::memory_order_release);
}

void clearFailure() {
    std::lock_guard<std::mutex> hold(armedLock);
    armedFailure = ArmedFailure{};
    armed.store(false, std::memory_order_release);
}

bool failurePending() { return armed.load(std::memory_order_acquire); }

}  // namespace testing

namespace detail {

int createExclusive(const char* path) {
    if (injected(Step::Create)) return -1;
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

int openInPlace(const char* path) {
    if (injected(Step::Create)) return -1;
    return ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
}

ssize_t writeSome(int fd, const void* data, std::size_t size) {
    if (injected(Step::Write)) {
        const int error = errno;
        if (size > 1) (void)::write(fd, data, size / 2);
        errno = error;
        return -1;
    }
    return ::write(fd, data, size);
}

int finishFile(int fd, unsigned mode) {
    int error = 0;
    if (injected(Step::Sync))
        error = errno;
    else if (::fchmod(fd, static_cast<mode_t>(mode)) != 0 || ::fsync(fd) != 0)
        error = errno;
    // A close that fails after a successful fsync has lost nothing, but report it all the same.
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0) return 0;
    errno = error;
    return -1;
}

int closeInPlace(int fd) {
    if (injected(Step::Sync)) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return ::close(fd);
}

int renameFile(const char* from, const char* to) {
    if (injected(Step::Rename)) return -1;
    return ::rename(from, to);
}

void syncDirectory(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace detail

}  // namespace files
