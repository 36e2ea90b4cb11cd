// Reading one response message: the status line and header parser and mgmt_read_response.
#include "lib/fwall/response.h"

#include <cstdio>
#include <cstring>

#include "lib/fwall/response_shared.h"
#include "util/files/atomic_file.h"

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

// Where the body of one response goes. A regular output file is written through the atomic writer
// (a temporary file beside it, renamed into place only when the whole body has arrived), so a failed
// exchange never leaves a half-written file and never destroys the file that was there before; the
// file is owner-only (a configuration holds password hashes, a certificate directory holds keys).
// Special files (a device, a pipe) are written directly and never removed.
class BodySink {
public:
    BodySink(const char* path, char* buffer) : path_(path), buffer_(buffer) {}
    BodySink(const BodySink&) = delete;
    BodySink& operator=(const BodySink&) = delete;

    // Picks the output once the status is known. False when the output file cannot be opened.
    bool choose(int status) {
        chosen_ = true;
        if (path_ != nullptr && status == 200) {
            if (!file_.open(path_, {0600, files::SpecialTarget::WriteInPlace})) {
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

    // False when the output file could not take the bytes (it is then abandoned).
    bool write(const unsigned char* data, std::size_t length) {
        if (length == 0) return true;
        if (file_.isOpen()) {
            if (!file_.append(data, length)) return false;
        } else if (stream_ != nullptr) {
            std::fwrite(data, 1, length, stream_);
        }
        if (buffer_ != nullptr && !fwall::kTovacBuild) {
            std::memcpy(buffer_, data, length);
            if (length < fwall::kResponseBufferSize) buffer_[length] = '\0';
        }
        return true;
    }

    // Puts the output file in place; false when the body could not be written out whole.
    bool finish() {
        if (!file_.isOpen()) return true;
        return file_.commit().ok();
    }

    // The exchange failed: the partial body is dropped; the output path keeps what it held before.
    void abandon() { file_.abandon(); }

private:
    const char* path_;
    char* buffer_;
    bool chosen_ = false;
    files::AtomicFile file_;  // abandoned on destruction unless finished
    FILE* stream_ = nullptr;
};

}  // namespace

// `binary` chose between text and binary output modes, which are the same here: the bytes are written
// as they arrive.
int mgmt_read_response(MgmtReader* reader, const char* path, char* buffer, int /*binary*/) {
    if (reader == nullptr || reader->conn == nullptr) return -1;
    fwall::ResponseParser parser(fwall::capture_challenge, nullptr, fwall::response_shared::header_line,
                                 fwall::kHeaderLineMax);
    BodySink sink(path, buffer);
    int status = 499;
    std::size_t position = 0;  // where the next read goes in the response buffer
    bool header_done = false;
    bool discard = false;  // parse error or unusable output: the rest of the message is read unwritten
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
        if (position + used >= fwall::kResponseBufferSize)
            position = 0;
        else
            position += used;
    }
    if (!sink.finish()) {
        std::fprintf(stderr, "failed to write %s\n", path ? path : "output");
        return 401;
    }
    return status;
}
