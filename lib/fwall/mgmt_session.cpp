#include "lib/fwall/mgmt_session.h"

#include <string.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "lib/fwall/mgmt.h"

namespace {

// Lets another thread end the wait of a command on the record's socket, at any point from the
// Welcome on: the record's transport waits on the socket and on this pipe together, and a byte
// written to the pipe makes the pending receive or send fail. Owned by the record's transport
// context; released with the record (release_record).
class CommandWake {
public:
    CommandWake() {
        if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
    }
    ~CommandWake() {
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    CommandWake(const CommandWake&) = delete;
    CommandWake& operator=(const CommandWake&) = delete;

    void signal() {
        if (fds_[1] >= 0) (void)!::write(fds_[1], "x", 1);
    }
    // The bytes received and sent are counted for the command's observer, when it has one. Both are
    // only touched on the command's thread.
    void observe(const MgmtSession::TransferProgress* observer) {
        observer_ = observer && *observer ? observer : nullptr;
        moved_ = 0;
    }
    void count(int bytes) {
        if (bytes <= 0 || !observer_) return;
        moved_ += bytes;
        (*observer_)(moved_);
    }
    // Waits until the socket is ready for `events`; false when woken (or the wait failed).
    bool wait(int socket, short events) const {
        pollfd p[2] = {{socket, events, 0}, {fds_[0], POLLIN, 0}};
        for (;;) {
            int n = ::poll(p, 2, -1);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || (p[1].revents & POLLIN)) return false;
            return true;
        }
    }

private:
    int fds_[2] = {-1, -1};
    const MgmtSession::TransferProgress* observer_ = nullptr;
    long long moved_ = 0;
};

int wake_recv(void* context, int socket, void* buffer, int size) {
    auto* wake = static_cast<CommandWake*>(context);
    if (socket < 0 || !wake->wait(socket, POLLIN)) return -1;
    const int got = sock_recv(socket, buffer, size);
    wake->count(got);
    return got;
}

int wake_send(void* context, int socket, const void* data, int length) {
    auto* wake = static_cast<CommandWake*>(context);
    if (socket < 0 || !wake->wait(socket, POLLOUT)) return -1;
    const int sent = sock_send(socket, data, length);
    wake->count(sent);
    return sent;
}

void wake_close(void*, int socket) {
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
}

// Gives a new record the interruptible transport.
void attach_wake(MgmtConnection* conn) {
    conn->transport.recv = wake_recv;
    conn->transport.send = wake_send;
    conn->transport.close = wake_close;
    conn->transport.context = new CommandWake;  // owned by the record from here on
}

CommandWake* wake_of(MgmtConnection* conn) {
    return conn->transport.recv == wake_recv ? static_cast<CommandWake*>(conn->transport.context) : nullptr;
}

// The process's one firewall connection, shared by every MgmtSession. `in_use` is the record a
// command is working with; when logout takes the record away meanwhile, the command releases it.
struct SharedConnection {
    std::mutex mutex;
    MgmtConnection* record = nullptr;
    MgmtConnection* in_use = nullptr;
};

SharedConnection& shared() {
    static SharedConnection s;
    return s;
}

constexpr size_t kAnswerSize = 8192;  // the zeroed buffer short answers are read into

void close_record_socket(MgmtConnection* conn) {
    mgmt_close_socket(mgmt_reader(conn));
    mgmt_close_socket(mgmt_writer(conn));
}

void release_record(MgmtConnection* conn) {
    close_record_socket(conn);
    std::unique_ptr<CommandWake> wake(wake_of(conn));
    conn->transport = MgmtTransport{};
    mgmt_free(conn);
}

// With the shared lock held: ends the connection of the shared record. An idle record is closed
// at once; under a running command the command is woken instead (its receive or send fails, and the
// library closes the socket on that failure), so the record is only ever touched by the command's
// own thread while the command runs.
void end_connection_locked(SharedConnection& s) {
    if (s.in_use == s.record) {
        if (CommandWake* wake = wake_of(s.record)) wake->signal();
    } else {
        close_record_socket(s.record);
    }
}

// With the shared lock held. Drops the shared record: released at once when idle, left to the
// running command (which finds it taken away) otherwise.
void drop_shared_locked(SharedConnection& s) {
    MgmtConnection* conn = s.record;
    if (!conn) return;
    const bool busy = s.in_use == conn;
    end_connection_locked(s);
    s.record = nullptr;
    if (!busy) release_record(conn);
}

// Marks the start of a command on the shared record; null when there is none.
MgmtConnection* begin_command() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.in_use = s.record;
    return s.record;
}

// Marks its end; false (and the record released) when the record was taken away meanwhile.
bool end_command(MgmtConnection* conn) {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.in_use = nullptr;
    if (s.record == conn) return true;
    release_record(conn);
    return false;
}

void wipe(std::string& secret) {
    // explicit_bzero: a plain fill of memory about to be freed may be optimised away.
    if (!secret.empty()) explicit_bzero(secret.data(), secret.size());
    secret.clear();
}

const char* action_path(MgmtAction action) {
    switch (action) {
    case MgmtAction::PackCerts:
        return "/upgrade/packcerts";
    case MgmtAction::UnpackCerts:
        return "/upgrade/unpackcerts";
    case MgmtAction::UpdateConf:
        return "/upgrade/updateconf";
    }
    return "/upgrade/unknown";
}

// The text of an answer read into a zeroed buffer, which is not terminated when the last piece
// filled all of it.
std::string answer_text(const char* buffer) { return std::string(buffer, strnlen(buffer, kAnswerSize)); }

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

MgmtSession::MgmtSession() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    drop_shared_locked(s);
}

MgmtSession::~MgmtSession() {
    disconnect();
    wipe(password_);
}

MgmtConnection* MgmtSession::connection() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    return s.record;
}

void MgmtSession::set_target(const char* host, unsigned port, const char* user, const char* password) {
    host_ = host ? host : "";
    user_ = user ? user : "";
    wipe(password_);
    password_ = password ? password : "";
    port_ = port;
}

bool MgmtSession::login() {
    if (host_.empty() || user_.empty() || password_.empty() || port_ == 0) return false;

    MgmtConnection* conn = mgmt_open(host_.c_str(), port_, user_.c_str(), password_.c_str());
    {
        auto& s = shared();
        std::lock_guard lock(s.mutex);
        drop_shared_locked(s);  // an earlier connection is closed and released, not leaked
        version_text_.clear();
        if (!conn) return false;
        attach_wake(conn);
        s.record = conn;
        s.in_use = conn;
    }
    conn->minor_version = 2;
    conn->client_type = 3;
    mgmt_set_nonce(conn, mgmt_make_nonce());
    int rc = mgmt_connect(conn);
    if (!end_command(conn)) return false;
    if (rc != 0) {
        disconnect();
        return false;
    }
    std::string version;
    return get_version(&version) == 200 && connection() != nullptr;
}

int MgmtSession::exchange(MgmtConnection* conn, const std::string& request, const char* body, size_t body_length,
                          const char* output_path, char* buffer, bool binary) {
    MgmtWriter* writer = mgmt_writer(conn);
    mgmt_write(writer, request.data(), static_cast<int>(request.size()));
    if (body_length > 0) mgmt_write(writer, body, static_cast<int>(body_length));
    mgmt_flush(writer);
    return mgmt_read_response(mgmt_reader(conn), output_path, buffer, binary ? 1 : 0);
}

int MgmtSession::get_version(std::string* version) {
    MgmtConnection* conn = begin_command();
    if (!conn) return -1;
    if (!version) {
        end_command(conn);
        return -2;
    }
    char answer[kAnswerSize] = {};
    int status = exchange(conn, "GET /realgui/getversion; HTTP/1.0\r\n\r\n", nullptr, 0, nullptr, answer, false);
    if (!end_command(conn)) {
        *version = "unknown";
        return 0;
    }

    std::string text = answer_text(answer);
    size_t eq = text.find('=');
    if (eq == std::string::npos) {
        *version = "unknown";
    } else {
        text.erase(0, eq + 1);
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
        *version = text;
    }
    std::lock_guard lock(shared().mutex);
    version_text_ = text;
    return status;
}

int MgmtSession::confirm_auth() {
    MgmtConnection* conn = begin_command();
    if (!conn) return -1;
    std::string version;
    {
        std::lock_guard lock(shared().mutex);
        version = version_text_;
    }
    size_t digit = version.find_first_of("0123456789");
    const char* confirm = digit != std::string::npos && version[digit] == '5'
                              ? "GET /realgui/getauthconfirm; HTTP/1.0\r\n\r\n"
                              : "GET /gui/getauthconfirm; HTTP/1.0\r\n\r\n";
    char answer[kAnswerSize] = {};
    int result = exchange(conn, confirm, nullptr, 0, nullptr, answer, false);
    if (!end_command(conn)) return -2;

    if (!version.empty() && version[0] == '5') {
        conn = begin_command();
        if (!conn) return -2;
        std::memset(answer, 0, sizeof answer);
        result = exchange(conn, "GET /realgui/getconfiglock; HTTP/1.0\r\n\r\n", nullptr, 0, nullptr, answer, false);
        if (!end_command(conn)) return -2;
    }
    return result;
}

int MgmtSession::fetch_file(const char* remote_name, const char* local_path, bool binary) {
    MgmtConnection* conn = begin_command();
    if (!conn) return -1;
    const char* name = remote_name ? remote_name : "";
    CommandWake* wake = wake_of(conn);
    if (wake) wake->observe(&transfer_progress_);
    int status =
        exchange(conn, "POST /upgrade/upload; HTTP/1.0\r\n\r\n", name, std::strlen(name), local_path, nullptr, binary);
    if (wake) wake->observe(nullptr);
    if (!end_command(conn)) return -2;
    return status;
}

int MgmtSession::send_file(const char* local_path, const char* remote_name, bool binary) {
    std::unique_ptr<FILE, FileCloser> file(local_path ? std::fopen(local_path, binary ? "rb" : "r") : nullptr);
    MgmtConnection* conn = begin_command();
    if (!conn) return -1;
    if (!file) {
        end_command(conn);
        return 200;
    }

    const char* name = remote_name ? remote_name : "";
    int result =
        exchange(conn, "POST /upgrade/download1; HTTP/1.0\r\n\r\n", name, std::strlen(name), nullptr, nullptr, false);
    if (result == 200) {
        CommandWake* wake = wake_of(conn);
        if (wake) wake->observe(&transfer_progress_);
        MgmtWriter* writer = mgmt_writer(conn);
        static constexpr char kHead[] = "POST /upgrade/download2; HTTP/1.0\r\n\r\n";
        mgmt_write(writer, kHead, static_cast<int>(sizeof kHead - 1));
        char piece[8192];
        size_t n;
        while ((n = std::fread(piece, 1, sizeof piece, file.get())) > 0) mgmt_write(writer, piece, static_cast<int>(n));
        if (std::ferror(file.get())) {
            // The file could not be read to its end. Ending the message now would hand the firewall a
            // truncated file as if it were whole; closing the connection instead leaves the message
            // unfinished, so nothing is stored.
            close_record_socket(conn);
            result = -1;
        } else {
            mgmt_flush(writer);
            result = mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0);
        }
        if (wake) wake->observe(nullptr);
    }
    if (!end_command(conn)) return -2;
    return result;
}

int MgmtSession::run_action(MgmtAction action) {
    MgmtConnection* conn = begin_command();
    if (!conn) return -1;
    std::string request = std::string("GET ") + action_path(action) + "; HTTP/1.0\r\n\r\n";
    int status = exchange(conn, request, nullptr, 0, nullptr, nullptr, false);
    if (!end_command(conn)) return -2;
    return status;
}

void MgmtSession::disconnect() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    if (!s.record) return;
    end_connection_locked(s);
    version_text_.clear();
}

void MgmtSession::logout() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    if (!s.record) return;
    version_text_.clear();
    drop_shared_locked(s);
}

const char* MgmtSession::result_text(int code) {
    switch (code) {
    case 200:
        return "Command OK";
    case 401:
        return "Command failed: Strong auth not supported";
    case 404:
        return "Command failed: File not found";
    case -2:
        return "Command failed: Connection timed out";
    case -1:
        return "Command failed: Unknown error (connection closed?)";
    default:
        return "Command failed: Unknown error";
    }
}
