// LineReader: buffered reading of LF or CR LF terminated lines with a length limit.
#include "conftree/line_reader.h"

#include <cstring>
#include <filesystem>
#include <istream>
#include <system_error>

namespace {
constexpr std::size_t kBufferSize = 1 << 16;  // well above one longest allowed line
}

LineReader::LineReader(const std::string& path) {
    // A directory opens like a file on some systems but holds no lines: it cannot be opened for
    // reading as a text file, and is reported as such rather than as a failed read.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ != nullptr) buffer_.resize(kBufferSize);
}

LineReader::LineReader(std::istream& stream) {
    if (stream.fail()) return;
    stream_ = &stream;
    buffer_.resize(kBufferSize);
}

LineReader::~LineReader() {
    if (file_ != nullptr) std::fclose(file_);
}

// Moves the unread rest to the front of the buffer and reads more behind it. False when nothing
// more could be read (end of file or a read error; eof_/error_ tell which).
bool LineReader::fill() {
    if (eof_ || error_ || !isOpen()) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    std::size_t got = readSome(buffer_.data() + end_, buffer_.size() - end_);
    end_ += got;
    if (got == 0) {
        if (file_ != nullptr ? std::ferror(file_) != 0 : stream_->bad())
            error_ = true;
        else
            eof_ = true;
        return false;
    }
    return true;
}

std::size_t LineReader::readSome(char* into, std::size_t room) {
    if (file_ != nullptr) return std::fread(into, 1, room, file_);
    // A short read at the end sets failbit with eofbit; the next read then returns nothing, which
    // is the end unless the stream went bad.
    stream_->read(into, static_cast<std::streamsize>(room));
    return static_cast<std::size_t>(stream_->gcount());
}

LineReader::Status LineReader::next(std::string_view& line) {
    line = std::string_view();
    if (!isOpen()) return Status::Error;
    for (;;) {
        const char* start = buffer_.data() + begin_;
        std::size_t available = end_ - begin_;
        const void* found = std::memchr(start, '\n', available);
        if (found != nullptr || ((eof_ || error_) && available > 0)) {
            std::size_t length = found != nullptr ? static_cast<const char*>(found) - start : available;
            begin_ += found != nullptr ? length + 1 : length;
            if (length > 0 && start[length - 1] == '\r') --length;
            line = std::string_view(start, length);
            if (length > kMaxLineLength) {
                line = line.substr(0, kMaxLineLength);
                return Status::TooLong;
            }
            return Status::Line;
        }
        if (available > kMaxLineLength + 1) break;  // no line feed in reach: the line is too long
        if (!fill()) {
            if (error_) return Status::Error;
            if (end_ == begin_) return Status::End;
        }
    }

    // An over-long line: keep its first part for the caller, then skip to its line feed.
    longLine_.assign(buffer_.data() + begin_, kMaxLineLength);
    for (;;) {
        const char* start = buffer_.data() + begin_;
        std::size_t available = end_ - begin_;
        const void* found = std::memchr(start, '\n', available);
        if (found != nullptr) {
            begin_ += static_cast<const char*>(found) - start + 1;
            break;
        }
        begin_ = end_;
        if (!fill()) break;
    }
    line = longLine_;
    return Status::TooLong;
}
