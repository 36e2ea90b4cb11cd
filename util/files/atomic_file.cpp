// AtomicFile: a temporary file beside the target, renamed over it once complete.
#include "util/files/atomic_file.h"

#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <random>
#include <streambuf>
#include <system_error>
#include <vector>

#include "util/files/block_buffer.h"
#include "util/files/system_calls.h"

namespace files {

WriteResult WriteResult::failure(Step step, int error) {
    WriteResult result;
    result.step_ = step;
    result.error_ = error;
    result.message_ = std::system_category().message(error);
    return result;
}

namespace {

constexpr int kNameAttempts = 100;
constexpr std::size_t kSuffixLength = 12;
// Room for the dot, the separator and the suffix within the usual 255-byte limit of a file name.
constexpr std::size_t kMaxBaseLength = 200;

// Random letters and digits for a temporary name nobody can guess ahead of time.
std::string randomSuffix() {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[kSuffixLength];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        std::random_device device;
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
    }
    std::string suffix;
    for (unsigned char byte : bytes) suffix += kAlphabet[byte % (sizeof kAlphabet - 1)];
    return suffix;
}

// The directory part of a path with its separator ("" for a bare name), and the name.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

// The stream's buffer: collects small writes and hands them to the file in large pieces.
class AtomicFile::Buffer : public BlockBuffer {
public:
    explicit Buffer(AtomicFile& file) : BlockBuffer(kSize), file_(file) {}

protected:
    bool deliver(const char* data, std::size_t size) override { return file_.writeAll(data, size).ok(); }

private:
    static constexpr std::size_t kSize = 1 << 16;
    AtomicFile& file_;
};

AtomicFile::AtomicFile() = default;

AtomicFile::~AtomicFile() { abandon(); }

WriteResult AtomicFile::open(const std::string& target, const AtomicFileOptions& options) {
    abandon();
    failure_ = WriteResult();
    target_ = target;
    mode_ = options.mode;
    if (stream_) stream_->clear();

    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) return fail(Step::Create, EISDIR);
        if (!S_ISREG(status.st_mode) && options.special == SpecialTarget::WriteInPlace) {
            fd_ = detail::openInPlace(target.c_str());
            if (fd_ < 0) return fail(Step::Create, errno);
            return WriteResult();
        }
    }
    auto [directory, name] = splitPath(target);
    if (name.empty()) return fail(Step::Create, EISDIR);  // "dir/" can only name a directory
    if (name.size() > kMaxBaseLength) name.resize(kMaxBaseLength);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string candidate = directory + "." + name + "." + randomSuffix();
        fd_ = detail::createExclusive(candidate.c_str());
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
            return WriteResult();
        }
        if (errno != EEXIST) return fail(Step::Create, errno);
    }
    return fail(Step::Create, EEXIST);
}

WriteResult AtomicFile::append(const void* data, std::size_t size) {
    if (buffer_ && !buffer_->flushPending()) return failure_;
    return writeAll(static_cast<const char*>(data), size);
}

std::ostream& AtomicFile::stream() {
    if (!stream_) {
        buffer_ = std::make_unique<Buffer>(*this);
        stream_ = std::make_unique<std::ostream>(buffer_.get());
    }
    if (!isOpen()) stream_->setstate(std::ios::badbit);
    return *stream_;
}

WriteResult AtomicFile::commit() {
    if (buffer_ && isOpen()) (void)buffer_->flushPending();
    if (!failure_.ok()) {
        closeAndRemove();
        return failure_;
    }
    if (!isOpen()) return WriteResult::failure(Step::Sync, EBADF);
    return finish();
}

void AtomicFile::abandon() { closeAndRemove(); }

WriteResult AtomicFile::writeAll(const char* data, std::size_t size) {
    if (!failure_.ok()) return failure_;
    if (!isOpen()) return WriteResult::failure(Step::Write, EBADF);
    while (size > 0) {
        const ssize_t written = detail::writeSome(fd_, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return fail(Step::Write, errno);
        }
        if (written == 0) return fail(Step::Write, EIO);
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return WriteResult();
}

WriteResult AtomicFile::finish() {
    const int fd = fd_;
    fd_ = -1;
    if (stream_) stream_->setstate(std::ios::badbit);
    if (temporary_.empty()) {
        if (detail::closeInPlace(fd) != 0) return fail(Step::Sync, errno);
        return WriteResult();
    }
    if (detail::finishFile(fd, mode_) != 0) return fail(Step::Sync, errno);
    if (detail::renameFile(temporary_.c_str(), target_.c_str()) != 0) return fail(Step::Rename, errno);
    temporary_.clear();
    const std::string directory = splitPath(target_).first;
    detail::syncDirectory(directory.empty() ? "." : directory.c_str());
    return WriteResult();
}

// Records the first failure and drops everything open.
WriteResult AtomicFile::fail(Step step, int error) {
    if (failure_.ok()) failure_ = WriteResult::failure(step, error);
    closeAndRemove();
    return failure_;
}

void AtomicFile::closeAndRemove() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    if (buffer_) buffer_->discard();
    if (stream_) stream_->setstate(std::ios::badbit);
}

WriteResult writeFileAtomically(const std::string& target, const std::function<bool(std::ostream&)>& write,
                                const AtomicFileOptions& options) {
    AtomicFile file;
    WriteResult opened = file.open(target, options);
    if (!opened) return opened;
    std::ostream& out = file.stream();
    const bool written = write(out);
    if (written && out.flush()) return file.commit();
    // Given up, or the stream failed: the file's own failure when it had one, else the refusal.
    WriteResult failure = file.status();
    file.abandon();
    return failure.ok() ? WriteResult::failure(Step::Write, ECANCELED) : failure;
}

}  // namespace files
