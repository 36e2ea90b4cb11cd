// What fwsim answers: the routing of one parsed request to the simulated firewall's behaviour.
//
// Service holds the options and the firewall root; ConnectionState holds what one connection
// remembers between requests (the target named by a download1 request, until its download2).
// The three actions are carried out by the actions unit (actions.h); fault() tells the server which
// requests --hang and --drop leave unanswered.
// handle() is pure apart from the files it reads and writes under the root, so tests call it
// without any network. A request that stores its body as a file may instead be taken in pieces:
// begin_upload() decides from the head, the body goes to the Upload (straight into the temporary
// file of the atomic writer), finish_upload() answers. Answers are the same either way.
//
// Threads: one Service serves every connection; it is immutable after construction and its calls
// are const, so connections call it concurrently. ConnectionState and Upload belong to one connection.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/firewall_root.h"
#include "sim/request.h"
#include "sim/sim_options.h"

namespace fwsim {

struct Response {
    int status = 500;
    std::vector<std::string> headers;           // extra header lines, without line end
    std::string body;                           // sent first
    std::optional<std::filesystem::path> file;  // then this file's content, when set
    std::string note;                           // for the request's line on standard error
};

// What --hang and --drop ask of fwsim for a request: nothing, read it and never answer, or close the
// connection without answering.
enum class Fault { None, Hang, Drop };

struct ConnectionState {
    std::optional<std::filesystem::path> pending_download;  // from download1, for download2
};

// The body of a request that stores a file, arriving in pieces. Destroying it before finish_upload()
// leaves the target as it was.
class Upload {
public:
    // Takes the next piece of the body. Once writing failed the pieces are only counted (the client
    // still sends the rest of its message, and the answer is given when it has).
    void append(const char* data, size_t n);

private:
    friend class Service;
    std::optional<Response> answer_;  // decided from the head: the body is not stored
    FileReplacement out_;
    bool write_failed_ = false;
    size_t bytes_ = 0;
};

const char* reason_phrase(int status);

// The status line and header lines of a response, ending with the empty line.
std::string response_head(const Response& response);

// A request's line on standard error: "METHOD PATH[ ARGUMENT] -> STATUS[ (NOTE)]", printable ASCII.
std::string request_log_line(const Request& request, const Response& response);
// The line for a request left unanswered on purpose: "METHOD PATH[ ARGUMENT] -> no answer (--hang)",
// or "... -> no answer, connection closed (--drop)".
std::string fault_log_line(const Request& request, Fault fault);

class Service {
public:
    explicit Service(const SimOptions& options);

    Response handle(const Request& request, ConnectionState& state) const;

    // The fault the options ask for on this whole request (named by its action or command, or by the
    // firewall path in the body of an upload or download1 request). Such a request is not carried out.
    Fault fault(const Request& request) const;

    // For a request head (parsed from the message up to its empty line, so with an empty body): true
    // when the request stores its body as a file, with `upload` ready for the body; false when handle()
    // answers it once it is whole.
    bool begin_upload(const Request& head, ConnectionState& state, Upload& upload) const;
    // The answer to an upload whose whole body was appended (the file is in place when it is 200).
    Response finish_upload(Upload& upload) const;

    const SimOptions& options() const { return options_; }

private:
    Response fetch(std::string_view firewall_path) const;
    Response store(std::string_view firewall_path, std::string_view content) const;
    Response action(std::string_view name) const;
    Response shell(const Request& request) const;

    SimOptions options_;
    FirewallRoot root_;
};

}  // namespace fwsim
