#include "sim/service.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "sim/actions.h"

namespace fwsim {

namespace fs = std::filesystem;

namespace {

Response status_only(int status, std::string note = {}) {
    Response r;
    r.status = status;
    r.note = std::move(note);
    return r;
}

// Keeps log lines on one line and readable whatever a client sends.
std::string printable(std::string_view text, size_t limit = 200) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}

// The upgrade commands and the paths they arrive on (with their ';').
constexpr std::string_view kGetVersion = "/realgui/getversion;";
constexpr std::string_view kAuthConfirmOld = "/realgui/getauthconfirm;";
constexpr std::string_view kAuthConfirm = "/gui/getauthconfirm;";
constexpr std::string_view kConfigLock = "/realgui/getconfiglock;";
constexpr std::string_view kUpload = "/upgrade/upload;";
constexpr std::string_view kDownload1 = "/upgrade/download1;";
constexpr std::string_view kDownload2 = "/upgrade/download2;";
constexpr std::string_view kActionPrefix = "/upgrade/";

bool is_get_command(std::string_view path) {
    return path == kGetVersion || path == kAuthConfirmOld || path == kAuthConfirm || path == kConfigLock;
}

bool is_post_command(std::string_view path) { return path == kUpload || path == kDownload1 || path == kDownload2; }

// "packcerts" for "/upgrade/packcerts;", empty when the path names no action.
std::string_view action_name(std::string_view path) {
    if (!path.starts_with(kActionPrefix) || !path.ends_with(';')) return {};
    std::string_view name = path.substr(kActionPrefix.size(), path.size() - kActionPrefix.size() - 1);
    for (const char* known : kActionNames)
        if (name == known) return name;
    return {};
}

}  // namespace

const char* reason_phrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 500:
        return "Internal Server Error";
    default:
        return "Unknown";
    }
}

std::string response_head(const Response& response) {
    std::string head = "HTTP/1.0 " + std::to_string(response.status) + " " + reason_phrase(response.status) + "\r\n";
    for (const auto& h : response.headers) head += h + "\r\n";
    head += "\r\n";
    return head;
}

namespace {

std::string request_text(const Request& request) {
    std::string line = printable(request.method) + " " + printable(request.path);
    // Bodies that name a firewall path are worth seeing; file contents are not.
    if (request.path == kUpload || request.path == kDownload1) line += " " + printable(request.body);
    return line;
}

// The name --hang and --drop know a request by: its action or command, or the firewall path it
// fetches or stores; empty for anything else.
std::string_view fault_name(const Request& request) {
    const std::string_view path = request.path;
    if (path == kGetVersion) return "getversion";
    if (path == kAuthConfirm || path == kAuthConfirmOld) return "getauthconfirm";
    if (path == kConfigLock) return "getconfiglock";
    if (path == kUpload || path == kDownload1) return request.body.starts_with('/') ? request.body : std::string_view();
    return action_name(path);
}

}  // namespace

std::string request_log_line(const Request& request, const Response& response) {
    std::string line = request_text(request) + " -> " + std::to_string(response.status);
    if (!response.note.empty()) line += " (" + response.note + ")";
    return line;
}

std::string fault_log_line(const Request& request, Fault fault) {
    return request_text(request) +
           (fault == Fault::Hang ? " -> no answer (--hang)" : " -> no answer, connection closed (--drop)");
}

Service::Service(const SimOptions& options) : options_(options), root_(options.root) {}

Response Service::handle(const Request& request, ConnectionState& state) const {
    const std::string_view path = request.path;
    const bool get = request.method == "GET";

    if (is_get_command(path) || !action_name(path).empty()) {
        if (!get) return status_only(405);
        if (!request.body.empty()) return status_only(400, "GET with a body");
        if (path == kGetVersion) {
            Response r = status_only(200);
            r.body = "version=" + options_.version + "\n";
            return r;
        }
        if (path == kConfigLock) return options_.lock_held ? status_only(404, "lock held") : status_only(200);
        if (path == kAuthConfirmOld || path == kAuthConfirm) return status_only(200);
        return action(action_name(path));
    }

    if (is_post_command(path)) {
        if (get) return status_only(405);
        if (path == kUpload) return fetch(request.body);
        if (path == kDownload1) {
            state.pending_download.reset();
            auto local = root_.map(request.body);
            if (!local) return status_only(404, "path refused");
            std::error_code ec;
            if (fs::is_directory(*local, ec)) return status_only(404, "is a directory");
            state.pending_download = *local;
            return status_only(200);
        }
        // download2: the content for the target that download1 accepted.
        if (!state.pending_download) return status_only(400, "no download1 before");
        fs::path target = *state.pending_download;
        state.pending_download.reset();
        FileReplacement out;
        if (!out.open(target) || !out.append(request.body.data(), request.body.size()) || !out.commit())
            return status_only(500, "cannot write file");
        Response r = status_only(200);
        r.note = std::to_string(request.body.size()) + " bytes stored";
        return r;
    }

    if (path.ends_with(';')) return status_only(404, "unknown command");
    return shell(request);
}

Fault Service::fault(const Request& request) const {
    const std::string_view what = fault_name(request);
    if (what.empty()) return Fault::None;
    const auto named = [what](const std::vector<std::string>& list) {
        return std::find(list.begin(), list.end(), what) != list.end();
    };
    if (named(options_.drop)) return Fault::Drop;
    if (named(options_.hang)) return Fault::Hang;
    return Fault::None;
}

void Upload::append(const char* data, size_t n) {
    bytes_ += n;
    if (!answer_ && !write_failed_ && !out_.append(data, n)) write_failed_ = true;
}

bool Service::begin_upload(const Request& head, ConnectionState& state, Upload& upload) const {
    const std::string_view path = head.path;
    // The same routing as handle(), for the two requests whose body is a file's content: a shell POST
    // and the download2 that follows an accepted download1. Everything else is answered whole.
    if (head.method != "POST" || is_get_command(path) || !action_name(path).empty()) return false;
    if (path == kDownload2) {
        if (!state.pending_download) return false;
        const fs::path target = *state.pending_download;
        state.pending_download.reset();
        if (!upload.out_.open(target)) upload.answer_ = status_only(500, "cannot write file");
        return true;
    }
    if (is_post_command(path) || path.ends_with(';')) return false;
    if (!options_.challenge.empty() && !head.has_authorization) {
        Response r = status_only(401, "challenge");
        r.headers.push_back("www-authenticate: " + options_.challenge);
        upload.answer_ = std::move(r);
        return true;
    }
    auto local = root_.map(path);
    if (!local)
        upload.answer_ = status_only(404, "path refused");
    else if (!upload.out_.open(*local))
        upload.answer_ = status_only(500, "cannot write file");
    return true;
}

Response Service::finish_upload(Upload& upload) const {
    if (upload.answer_) return *upload.answer_;
    if (upload.write_failed_ || !upload.out_.commit()) {
        upload.out_.abandon();
        return status_only(500, "cannot write file");
    }
    Response r = status_only(200);
    r.note = std::to_string(upload.bytes_) + " bytes stored";
    return r;
}

Response Service::fetch(std::string_view firewall_path) const {
    auto local = root_.map(firewall_path);
    if (!local) return status_only(404, "path refused");
    std::error_code ec;
    if (!fs::is_regular_file(*local, ec)) return status_only(404, "no such file");
    Response r = status_only(200);
    r.file = *local;
    return r;
}

Response Service::store(std::string_view firewall_path, std::string_view content) const {
    auto local = root_.map(firewall_path);
    if (!local) return status_only(404, "path refused");
    FileReplacement out;
    if (!out.open(*local) || !out.append(content.data(), content.size()) || !out.commit())
        return status_only(500, "cannot write file");
    Response r = status_only(200);
    r.note = std::to_string(content.size()) + " bytes stored";
    return r;
}

Response Service::action(std::string_view name) const {
    bool fail = std::find(options_.fail.begin(), options_.fail.end(), name) != options_.fail.end();
    if (fail) return status_only(500, "failing on request");
    // The note may name files from the firewall or from an archive a client sent.
    ActionResult result = run_action(name, root_);
    return status_only(result.status, printable(result.note));
}

// The command shell's requests: GET name reads a file, POST name stores the body as a file.
Response Service::shell(const Request& request) const {
    if (!options_.challenge.empty() && !request.has_authorization) {
        Response r = status_only(401, "challenge");
        r.headers.push_back("www-authenticate: " + options_.challenge);
        return r;
    }
    if (request.method == "GET") {
        if (!request.body.empty()) return status_only(400, "GET with a body");
        return fetch(request.path);
    }
    return store(request.path, request.body);
}

}  // namespace fwsim
