// The command interpreter.
#include "util/tovad/shell_commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "lib/fwall/response.h"
#include "lib/fwall/stream.h"

namespace tovac {

namespace {

constexpr std::size_t kPieceSize = 8192;  // standard input and input files are sent in these pieces

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A name goes into the request line as it is: a blank, a control character or DEL would end the line
// early or smuggle header lines into the request, so such names are refused, as is an empty name.
bool is_safe_name(const char* name) {
    if (*name == '\0') return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) {
        if (*p <= ' ' || *p == 0x7f) return false;
    }
    return true;
}

// A command that could not be carried out before anything was sent.
int failed_before_sending(ShellState& state, int name_position) { return state.error_on_exit ? -1 : name_position; }

// The outcome of a GET or PUT from the response status.
int from_status(ShellState& state, int status, int name_position) {
    if (status == 200) return name_position;
    if (status == 401 || status == 407) return status;
    // A negative status (the connection failed) must stop the run too, not turn into a word count.
    if (state.error_on_exit) return status > 0 ? -status : -1;
    std::fprintf(state.err, "Error %d\n", status);
    return name_position;
}

bool write_all(MgmtWriter* writer, const char* data, std::size_t length) {
    while (length > 0) {
        const int piece = static_cast<int>(length > kPieceSize ? kPieceSize : length);
        const int n = mgmt_write(writer, data, piece);
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

int no_connection(ShellState& state, int result) {
    std::fputs("No connection\n", state.err);
    return state.error_on_exit ? -1 : result;
}

int run_get(ShellState& state, int count, const char* const* words, int& name_position) {
    const char* outfile = nullptr;
    int position = 1;
    if (count > 1 && std::strcmp(words[1], "-o") == 0) {
        position = 3;
        if (count > 2) outfile = words[2];
    }
    name_position = position;
    if (position >= count) return 0;
    if (!state.connection) return no_connection(state, position);
    const char* name = words[position];
    if (!is_safe_name(name)) {
        std::fputs("Bad file name\n", state.err);
        return failed_before_sending(state, position);
    }
    MgmtConnection* conn = state.connection.get();
    const std::string request = std::string("GET ") + name + " HTTP/1.0\r\n\r\n";
    mgmt_clear_challenge();  // a challenge seen now belongs to this response
    int status = -1;
    if (write_all(mgmt_writer(conn), request.data(), request.size()) && mgmt_flush(mgmt_writer(conn)) >= 0) {
        status = mgmt_read_response(mgmt_reader(conn), outfile, nullptr, 0);
    }
    return from_status(state, status, position);
}

int run_put(ShellState& state, int count, const char* const* words, int& name_position) {
    name_position = count;
    if (!state.connection) return no_connection(state, count);
    const char* infile = nullptr;
    const char* outfile = nullptr;
    int position = 1;
    while (position < count && words[position][0] == '-') {
        if (position + 1 >= count) return 0;
        switch (words[position][1]) {
        case 'i':
            infile = words[position + 1];
            break;
        case 'o':
            outfile = words[position + 1];
            break;
        default:
            return 0;
        }
        position += 2;
    }
    name_position = position;
    if (position >= count) return 0;
    const char* name = words[position];
    if (!is_safe_name(name)) {
        std::fputs("Bad file name\n", state.err);
        return failed_before_sending(state, position);
    }
    std::unique_ptr<std::FILE, FileCloser> opened;
    std::FILE* source = state.in;
    // The size of a regular input file when it was opened; what is sent must come to the same.
    long long expected = -1;
    if (infile != nullptr) {
        opened.reset(std::fopen(infile, "r"));
        if (!opened) {
            std::fprintf(state.err, "failed to open %s for input\n", infile);
            return failed_before_sending(state, position);
        }
        source = opened.get();
        struct stat st {};
        if (::fstat(::fileno(source), &st) == 0 && S_ISREG(st.st_mode)) expected = static_cast<long long>(st.st_size);
    }

    MgmtConnection* conn = state.connection.get();
    MgmtWriter* writer = mgmt_writer(conn);
    const std::string request = std::string("POST ") + name + " HTTP/1.0\r\n" + state.request_headers + "\r\n";
    mgmt_clear_challenge();
    bool sent = write_all(writer, request.data(), request.size());
    long long body = 0;
    if (sent && source != nullptr) {
        auto piece = std::make_unique<char[]>(kPieceSize);
        for (;;) {
            const std::size_t n = std::fread(piece.get(), 1, kPieceSize, source);
            body += static_cast<long long>(n);
            if (n > 0 && !write_all(writer, piece.get(), n)) {
                sent = false;
                break;
            }
            // A connection that is gone takes nothing more: stop reading the input instead of draining it.
            if (state.send_failed || n < kPieceSize) break;
        }
        if (source != nullptr && std::ferror(source)) {
            std::fprintf(state.err, "failed to read %s\n", infile != nullptr ? infile : "standard input");
            sent = false;
        } else if (sent && !state.send_failed && expected >= 0 && body != expected) {
            // The file shrank or grew while it was read: what was sent is no copy of it.
            std::fprintf(state.err, "%s changed while it was sent\n", infile);
            sent = false;
        }
    }
    int status = -1;
    // An upload whose input could not be read whole is not ended as a message: the firewall never
    // receives a truncated file as if it were complete.
    if (sent && mgmt_flush(writer) >= 0)
        status = mgmt_read_response(mgmt_reader(conn), outfile, nullptr, 0);
    else if (!sent)
        close_connection(state);
    return from_status(state, status, position);
}

}  // namespace

int run_command(ShellState& state, int count, const char* const* words, int& name_position) {
    name_position = 0;
    if (count <= 0 || words == nullptr || words[0] == nullptr) return 0;
    const char* command = words[0];
    if (std::strcmp(command, "-X") == 0) {
        state.error_on_exit = !state.error_on_exit;
        return 0;
    }
    if (std::strcmp(command, "QUIT") == 0) return -1;
    if (std::strncmp(command, "VER", 3) == 0) {
        state.verbose = !state.verbose;
        std::fputs(state.verbose ? "Verbose on\n" : "Verbose off\n", state.err);
        return 0;
    }
    if (std::strcmp(command, "HELP") == 0) {
        for (const char* line : kHelpLines) std::fputs(line, state.err);
        return 0;
    }
    if (std::strcmp(command, "GET") == 0) return run_get(state, count, words, name_position);
    if (std::strcmp(command, "PUT") == 0 || std::strcmp(command, "POST") == 0)
        return run_put(state, count, words, name_position);
    std::fprintf(state.err, "unknown command %s\n", command);
    return 0;
}

int shell_run_command(ShellState& state, int count, const char* const* words) {
    int name_position = 0;
    return run_command(state, count, words, name_position);
}

}  // namespace tovac
