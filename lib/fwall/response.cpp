// Reading one response message: the status line and header parser and mgmt_read_response.
#include "lib/fwall/response.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "lib/fwall/response_shared.h"

namespace fwall {

namespace {

constexpr int kStatusCap = 999999999;  // more digits than any status: the value stops growing

}  // namespace

ResponseParser::ResponseParser(HeaderHook hook, void* context, char* line_buffer, std::size_t line_capacity)
    : hook_(hook), context_(context), line_(line_buffer), line_capacity_(line_buffer ? line_capacity : 0) {}

ResponseParser::Step ResponseParser::feed(std::uint8_t byte, std::size_t position) {
  const auto fail = [this](const char* text) {
    error_ = text;
    status_ = 401;
    return Step::Error;
  };
  const auto line_done = [this]() {
    if (line_ != nullptr) line_[line_length_] = '\0';
    if (hook_ != nullptr) hook_(line_ ? line_ : "", line_length_, context_);
    line_length_ = 0;
    state_ = 5;
  };
  const auto append = [this](std::uint8_t c) {
    if (line_length_ < line_capacity_) line_[line_length_++] = static_cast<char>(c);
  };
  const bool digit = byte >= '0' && byte <= '9';
  switch (state_) {
    case 0:
      if (byte == ' ') {
        state_ = 1;
      } else if (position > 9) {
        return fail("state 0");
      }
      return Step::More;
    case 1:
      if (byte == ' ') return Step::More;
      if (!digit) return fail("state 1");
      status_ = byte - '0';
      state_ = 2;
      return Step::More;
    case 2:
      if (digit) {
        if (status_ <= (kStatusCap - 9) / 10) status_ = status_ * 10 + (byte - '0');
        return Step::More;
      }
      state_ = 3;
      [[fallthrough]];
    case 3:
      if (byte == '\r') {
        state_ = 4;
      } else if (byte == '\n') {
        state_ = 5;
      } else if (position > 128) {
        return fail("state 3");
      }
      return Step::More;
    case 4:
      if (byte != '\n') return fail("state 4");
      state_ = 5;
      return Step::More;
    case 5:
      if (byte == '\r') {
        state_ = 6;
      } else if (byte == '\n') {
        return Step::Finished;
      } else {
        line_length_ = 0;
        append(byte);
        state_ = 7;
      }
      return Step::More;
    case 6:
      if (byte != '\n') return fail("state 6");
      return Step::Finished;
    case 7:
      if (byte == '\n') {
        line_done();
      } else if (byte == '\r') {
        state_ = 8;
      } else {
        append(byte);
      }
      return Step::More;
    case 8:
      if (byte != '\n') return fail("state 8");
      line_done();
      return Step::More;
    default:
      return fail("state 0");
  }
}

}  // namespace fwall

namespace {

using fwall::response_shared::response_buffer;

// Where the body of one response goes. A regular output file is written under a temporary name beside
// it and renamed into place only when the whole body has arrived, so a failed exchange never leaves a
// half-written file and never destroys the file that was there before. Special files (a device, a pipe)
// are written directly and never removed.
class BodySink {
 public:
  BodySink(const char* path, char* buffer, int binary) : path_(path), buffer_(buffer), binary_(binary) {}
  BodySink(const BodySink&) = delete;
  BodySink& operator=(const BodySink&) = delete;
  ~BodySink() { abandon(); }

  // Picks the output once the status is known. False when the output file cannot be opened.
  bool choose(int status) {
    chosen_ = true;
    if (path_ != nullptr && status == 200) {
      file_ = open_output();
      if (file_ == nullptr) {
        std::fprintf(stderr, "failed to open %s for output\n", path_);
        return false;
      }
      return true;
    }
    if (fwall::kTovacBuild) return true;  // the shell library writes bodies only to an opened file
    stream_ = path_ == nullptr ? stdout : stderr;
    return true;
  }
  bool chosen() const { return chosen_; }

  // False when the output file could not take the bytes.
  bool write(const unsigned char* data, std::size_t length) {
    if (length == 0) return true;
    FILE* out = file_ != nullptr ? file_ : stream_;
    if (out != nullptr && std::fwrite(data, 1, length, out) != length && out == file_) return false;
    if (buffer_ != nullptr && !fwall::kTovacBuild) {
      std::memcpy(buffer_, data, length);
      if (length < fwall::kResponseBufferSize) buffer_[length] = '\0';
    }
    return true;
  }

  // Closes the output file and puts it in place; false when the body could not be written out whole.
  bool finish() {
    if (file_ == nullptr) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!temp_.empty()) {
      if (ok) ok = std::rename(temp_.c_str(), path_) == 0;
      if (!ok) std::remove(temp_.c_str());
      temp_.clear();
    }
    return ok;
  }

  // The exchange failed: the partial body is dropped; the output path keeps what it held before.
  void abandon() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) std::remove(temp_.c_str());
    temp_.clear();
  }

 private:
  FILE* open_output() {
    const char* mode = (binary_ && !fwall::kTovacBuild) ? "wb" : "w";
    struct stat st {};
    if (::stat(path_, &st) == 0 && !S_ISREG(st.st_mode)) return std::fopen(path_, mode);
    // A fresh name beside the target (same file system, so the rename is atomic). O_EXCL never opens a
    // file someone else made; the mode follows the umask like a plain fopen, or copies an existing file's.
    static std::atomic<unsigned> counter{0};
    const mode_t perms = ::stat(path_, &st) == 0 ? (st.st_mode & 07777) : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = std::string(path_) + ".part-" + std::to_string(::getpid()) + "-" +
                         std::to_string(++counter);
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, perms);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return nullptr;
      }
      if (perms != 0666) (void)::fchmod(fd, perms);
      FILE* file = ::fdopen(fd, mode);
      if (file == nullptr) {
        ::close(fd);
        std::remove(name.c_str());
        return nullptr;
      }
      temp_ = std::move(name);
      return file;
    }
    return nullptr;
  }

  const char* path_;
  char* buffer_;
  int binary_;
  bool chosen_ = false;
  FILE* file_ = nullptr;
  FILE* stream_ = nullptr;
  std::string temp_;  // the temporary name while a regular file is being written
};

}  // namespace

int mgmt_read_response(MgmtReader* reader, const char* path, char* buffer, int binary) {
  if (reader == nullptr || reader->conn == nullptr) return -1;
  fwall::ResponseParser parser(fwall::capture_challenge, nullptr, fwall::response_shared::header_line,
                               fwall::kHeaderLineMax);
  BodySink sink(path, buffer, binary);
  int status = 499;
  std::size_t position = 0;   // where the next read goes in the response buffer
  bool header_done = false;
  bool discard = false;       // parse error or unusable output: the rest of the message is read unwritten
  for (;;) {
    const std::size_t room = fwall::kResponseBufferSize - position;
    const int n = mgmt_read(reader, response_buffer + position, static_cast<int>(room));
    if (n < 0) {
      if (discard) break;  // a failure while draining keeps the status found so far
      sink.abandon();
      return -1;
    }
    if (n == 0) break;
    if (discard) continue;
    std::size_t used = 0;
    if (!header_done) {
      fwall::ResponseParser::Step step = fwall::ResponseParser::Step::More;
      while (used < static_cast<std::size_t>(n) && step == fwall::ResponseParser::Step::More) {
        step = parser.feed(response_buffer[position + used], position + used + 1);
        ++used;
      }
      status = parser.status();
      if (step == fwall::ResponseParser::Step::Error) {
        std::fprintf(stderr, "%s\n", parser.error_text());
        discard = true;
        continue;
      }
      if (step == fwall::ResponseParser::Step::More) {
        // The header goes on in the next block, as long as it fits the response buffer.
        position += used;
        if (position >= fwall::kResponseBufferSize) {
          std::fprintf(stderr, "state %d\n", parser.state());
          status = 401;
          discard = true;
        }
        continue;
      }
      header_done = true;
      if (status != 401 && status != 407 && !sink.choose(status)) {
        status = 401;
        discard = true;
        continue;
      }
    }
    if (status == 401 || status == 407) continue;
    if (!sink.write(response_buffer + position + used, static_cast<std::size_t>(n) - used)) {
      std::fprintf(stderr, "failed to write %s\n", path ? path : "output");
      sink.abandon();
      status = 401;
      discard = true;
      continue;
    }
    // Later reads go to where the header ended; a header that filled the buffer leaves it all to them.
    if (position + used >= fwall::kResponseBufferSize) position = 0;
    else position += used;
  }
  if (!sink.finish()) {
    std::fprintf(stderr, "failed to write %s\n", path ? path : "output");
    return 401;
  }
  return status;
}
