#include "sim/server.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <map>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "sim/channel.h"
#include "sim/listener.h"
#include "sim/request.h"
#include "sim/service.h"

namespace fwsim {
namespace {

// The log stream shared by every connection: each line is written whole under the lock.
class LogLines {
public:
    explicit LogLines(std::ostream& out) : out_(out) {}
    void line(const std::string& text) {
        std::lock_guard lock(mutex_);
        out_ << "fwsim: " << text << std::endl;
    }

private:
    std::ostream& out_;
    std::mutex mutex_;
};

// Sends a response: head and body, then the file's content, all as one message.
bool send_response(ServerChannel& channel, const Response& response) {
    std::string head = response_head(response);
    if (!channel.write(head.data(), head.size()) || !channel.write(response.body.data(), response.body.size()))
        return false;
    if (response.file) {
        std::ifstream in(*response.file, std::ios::binary);
        std::vector<char> piece(size_t{64} << 10);
        while (in) {
            in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
            if (in.gcount() > 0 && !channel.write(piece.data(), static_cast<size_t>(in.gcount()))) return false;
        }
        // A file that cannot be read to its end must not reach the client as a complete one: drop the
        // connection without ending the message.
        if (in.bad()) return false;
    }
    return channel.flush();
}

// One request off the channel: either the whole message in `message`, or, for a request that stores
// its body, the head in `message` and the body streamed into `upload` (then `streamed` is set).
ServerChannel::ReadResult read_request(ServerChannel& channel, const Service& service, ConnectionState& state,
                                       std::string& message, Request& head, Upload& upload, bool& streamed,
                                       std::string& error) {
    message.clear();
    streamed = false;
    size_t searched = 0;  // the head's end is looked for in the bytes from here on
    for (;;) {
        bool last = false;
        auto result = channel.read_part(message, last, error);
        if (result != ServerChannel::ReadResult::Message) return result;
        if (message.size() > kMaxRequestMessage) {
            error = "message longer than " + std::to_string(kMaxRequestMessage) + " bytes";
            return ServerChannel::ReadResult::Failed;
        }
        if (last) return result;
        if (searched == SIZE_MAX) continue;  // the head was seen: the message stays in memory
        const size_t end = message.find("\r\n\r\n", searched);
        if (end == std::string::npos) {
            searched = message.size() < 3 ? 0 : message.size() - 3;
            continue;
        }
        searched = SIZE_MAX;
        // A head that parses on its own, up to its empty line, parses the same within the whole message;
        // one that does not is left to the whole message, which then fails as it always did.
        const size_t head_length = end + 4;
        std::string parse_error;
        if (!parse_request(std::string_view(message).substr(0, head_length), head, parse_error) || !head.body.empty() ||
            !service.begin_upload(head, state, upload))
            continue;

        streamed = true;
        size_t total = message.size();
        upload.append(message.data() + head_length, message.size() - head_length);
        message.resize(head_length);  // `head` points into these bytes
        std::string piece;
        while (!last) {
            piece.clear();
            result = channel.read_part(piece, last, error);
            if (result != ServerChannel::ReadResult::Message) return result;
            total += piece.size();
            if (total > kMaxRequestMessage) {
                error = "message longer than " + std::to_string(kMaxRequestMessage) + " bytes";
                return ServerChannel::ReadResult::Failed;
            }
            upload.append(piece.data(), piece.size());
        }
        return ServerChannel::ReadResult::Message;
    }
}

// True when a read ended the connection (the client closed it, or it failed), which is logged.
bool connection_ended(ServerChannel::ReadResult result, const std::string& peer, const std::string& error,
                      LogLines& log) {
    if (result == ServerChannel::ReadResult::Closed) {
        log.line(peer + " closed");
        return true;
    }
    if (result == ServerChannel::ReadResult::Failed) {
        log.line(peer + " dropped: " + error);
        return true;
    }
    return false;
}

// --hang: the request stays unanswered; whatever else the client sends is read and ignored until it
// closes the connection or the idle time-out ends it.
void hold_unanswered(ServerChannel& channel, const std::string& peer, LogLines& log) {
    std::string ignored;
    std::string error;
    for (;;) {
        ignored.clear();
        bool last = false;
        if (connection_ended(channel.read_part(ignored, last, error), peer, error, log)) return;
    }
}

void serve_connection(int fd, const std::string& peer, const Service& service, LogLines& log) {
    const SimOptions& options = service.options();
    ServerChannel channel(fd);
    ChannelSettings settings;
    settings.password = options.password;
    settings.user = options.user;
    settings.privacy = options.privacy;
    settings.integrity = options.integrity;
    settings.timeout_seconds = options.idle_timeout;
    settings.handshake_seconds = options.handshake_timeout;
    std::string error;
    if (!channel.handshake(settings, error)) {
        log.line(peer + " refused: " + error);
        return;
    }
    log.line(peer + " logged in (privacy " + std::to_string(channel.privacy()) + ", integrity " +
             (channel.integrity() ? "1" : "0") + ")");

    ConnectionState state;
    std::string message;
    for (;;) {
        Request request;
        Upload upload;
        bool streamed = false;
        auto result = read_request(channel, service, state, message, request, upload, streamed, error);
        if (connection_ended(result, peer, error, log)) return;
        Response response;
        if (streamed) {
            response = service.finish_upload(upload);
            log.line(request_log_line(request, response));
        } else if (!parse_request(message, request, error)) {
            response.status = 400;
            response.note = error;
            log.line("malformed request -> 400 (" + error + ")");
        } else if (const Fault fault = service.fault(request); fault != Fault::None) {
            log.line(fault_log_line(request, fault));
            if (fault == Fault::Hang) hold_unanswered(channel, peer, log);
            return;  // the channel closes the connection
        } else {
            response = service.handle(request, state);
            log.line(request_log_line(request, response));
        }
        if (!send_response(channel, response)) {
            log.line(peer + " dropped: cannot send the response");
            return;
        }
    }
}

// The connection threads: started by the accepting thread, each reports its end so that it can be
// joined; join_all waits for every one.
class Workers {
public:
    ~Workers() { join_all(); }

    size_t active() {
        std::lock_guard lock(mutex_);
        return active_;
    }

    void start(int fd, std::string peer, const Service& service, LogLines& log) {
        reap();
        std::lock_guard lock(mutex_);
        const uint64_t id = next_id_++;
        ++active_;
        threads_.emplace(id, std::thread([this, id, fd, peer = std::move(peer), &service, &log] {
                             serve_connection(fd, peer, service, log);
                             std::lock_guard done_lock(mutex_);
                             finished_.push_back(id);
                             --active_;
                             done_.notify_all();
                         }));
    }

    void join_all() {
        {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [this] { return active_ == 0; });
        }
        reap();
    }

private:
    // Joins the threads that have ended.
    void reap() {
        std::vector<std::thread> ended;
        {
            std::lock_guard lock(mutex_);
            for (uint64_t id : finished_) {
                auto it = threads_.find(id);
                if (it == threads_.end()) continue;
                ended.push_back(std::move(it->second));
                threads_.erase(it);
            }
            finished_.clear();
        }
        for (auto& t : ended) t.join();
    }

    std::mutex mutex_;
    std::condition_variable done_;
    std::map<uint64_t, std::thread> threads_;
    std::vector<uint64_t> finished_;
    uint64_t next_id_ = 0;
    size_t active_ = 0;
};

}  // namespace

int run_server(const SimOptions& options, std::ostream& log) {
    Listener listener;
    std::string error;
    if (!listener.open(options.listen, options.port, error)) {
        log << "fwsim: " << error << std::endl;
        return 1;
    }
    if (!options.port_file.empty() && !write_port_file(options.port_file, listener.port(), error)) {
        log << "fwsim: " << error << std::endl;
        return 1;
    }
    log << "fwsim: listening on " << options.listen << ":" << listener.port() << std::endl;

    Service service(options);
    LogLines lines(log);
    Workers workers;
    for (uint64_t served = 0; options.max_connections == 0 || served < options.max_connections;) {
        std::string peer;
        int fd = listener.accept_one(peer);
        if (fd < 0) {
            workers.join_all();
            lines.line("accept failed");
            return 1;
        }
        if (options.max_concurrent > 0 && workers.active() >= options.max_concurrent) {
            // Accepted only to be closed: the client learns at once that it will not be served.
            ::close(fd);
            lines.line(peer + " refused: too many connections at once");
            continue;
        }
        ++served;
        workers.start(fd, std::move(peer), service, lines);
    }
    workers.join_all();
    lines.line("served " + std::to_string(options.max_connections) + " connections, stopping");
    return 0;
}

}  // namespace fwsim
