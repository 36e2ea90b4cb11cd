// Reading one response message: the status line and header parser, the header hook that captures a
// "www-authenticate" challenge, and `mgmt_read_response`, which sends the body to a file, a standard
// stream and a caller's buffer.
//
// The response buffer, the header line buffer and the challenge buffer are single process-wide areas
// (see response_shared.cpp): only one response may be read at a time in the process. The parser
// itself (`ResponseParser`) is a value that works byte by byte on any buffer, for tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lib/fwall/stream.h"

namespace fwall {

inline constexpr std::size_t kResponseBufferSize = 8192;
inline constexpr std::size_t kHeaderLineMax = 8190;

// Status line and header parser (states 0-8). Feed bytes until it reports Finished or Error.
class ResponseParser {
public:
    enum class Step { More, Finished, Error };
    // `on_header_line` receives every complete header line without its line end (may be null).
    using HeaderHook = void (*)(const char* line, std::size_t length, void* context);
    explicit ResponseParser(HeaderHook hook = nullptr, void* context = nullptr, char* line_buffer = nullptr,
                            std::size_t line_capacity = 0);

    // One byte; `position` counts the bytes of the response fed so far, this one included.
    Step feed(std::uint8_t byte, std::size_t position);

    int status() const { return status_; }
    int state() const { return state_; }
    // The state text of the last error ("state 0" ...), null when none.
    const char* error_text() const { return error_; }

private:
    HeaderHook hook_;
    void* context_;
    char* line_;
    std::size_t line_capacity_;
    std::size_t line_length_ = 0;
    int state_ = 0;
    int status_ = 499;
    const char* error_ = nullptr;
};

// The header hook of the library: stores the value of a lower-case "www-authenticate" line.
void capture_challenge(const char* line, std::size_t length, void* context);

}  // namespace fwall

// Reads exactly one response message. Returns the status number, or -1 when the connection failed
// (an output file this call opened is then removed, never left half-written). `path` null: the body
// goes to standard output; otherwise to that file when the status is 200 (created only then, owner-only,
// replacing the file there only once the whole body has arrived), else to standard error. `buffer` (8192 bytes, may be
// null) receives each piece of body at its start. The command-shell copy ignores `buffer` and writes the body only to
// an opened file.
int mgmt_read_response(MgmtReader* reader, const char* path, char* buffer, int binary);

// The value of the last "www-authenticate" header line (empty when none was seen).
const char* mgmt_challenge();
void mgmt_clear_challenge();
