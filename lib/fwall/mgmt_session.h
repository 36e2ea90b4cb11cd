// MgmtSession: the upgrade commands a workflow sends to a firewall, one request and one response each.
//
// A session logs in (connection, handshake, version request), confirms the authentication and takes
// the configuration lock, copies files from and to the firewall, starts the firewall's certificate
// and configuration actions, and logs out. Results are the response status (200, 401, 404 ...), -1
// when there is no connection or it failed while reading, and -2 when the connection was taken away
// (logout or disconnect from another thread) during the command; result_text turns them into the
// texts of the upgrade log.
//
// The connection is not a member: one connection record per process is shared by every session, so
// there is at most one firewall connection at a time. Ownership and threads: commands run on one
// (worker) thread; logout() and disconnect() may be called from another thread while a command runs
// (login included, from the wait for the Welcome on). They then only wake the command, whose receive
// or send fails at once; the command itself closes the socket and, when it returns -2, releases the
// record, so a record is never touched by two threads or freed under a running command.
#pragma once

#include <functional>
#include <string>

struct MgmtConnection;

enum class MgmtAction : int {
    PackCerts = 0,    // "/upgrade/packcerts"
    UnpackCerts = 1,  // "/upgrade/unpackcerts"
    UpdateConf = 2,   // "/upgrade/updateconf"
};

class MgmtSession {
public:
    static constexpr unsigned kDefaultPort = 8004;

    // Drops (closes and releases) any connection left in the process by an earlier session.
    MgmtSession();
    // Disconnects; the record stays the process's connection until a later login, logout or session.
    ~MgmtSession();
    MgmtSession(const MgmtSession&) = delete;
    MgmtSession& operator=(const MgmtSession&) = delete;

    // Replaces the stored copies; the password copy of the previous target is wiped.
    void set_target(const char* host, unsigned port, const char* user, const char* password);

    // Opens, authenticates and reads the version. False without complete target data (no traffic),
    // when the connection or handshake fails, or when the version request is not answered with 200.
    [[nodiscard]] bool login();

    // Reads the firewall's version into version_text(); *version receives the text after '=' (or
    // "unknown" when the answer holds no '='). 0 when the connection was taken away meanwhile, -2 for
    // a null pointer.
    [[nodiscard]] int get_version(std::string* version);

    // Confirms the authentication and, for a firewall whose version text begins with '5', takes the
    // configuration lock (404: the lock is held by another management client).
    [[nodiscard]] int confirm_auth();

    // Firewall file remote_name to local_path; the local file is created only when the answer is 200.
    [[nodiscard]] int fetch_file(const char* remote_name, const char* local_path, bool binary);

    // local_path to firewall file remote_name. A local file that cannot be opened gives 200 and sends
    // nothing (such files are optional to the workflow).
    [[nodiscard]] int send_file(const char* local_path, const char* remote_name, bool binary);

    [[nodiscard]] int run_action(MgmtAction action);

    // Closes the socket and empties version_text(); the record stays the shared connection.
    void disconnect();
    // Disconnects and releases the record; afterwards there is no connection.
    void logout();

    static const char* result_text(int code);

    // Called on the command's thread while fetch_file or send_file moves a file, with the bytes that
    // have crossed the connection so far in that command (protocol framing included), so that a slow
    // transfer can be told from a stalled one. Empty (the default): not called. Keep it cheap.
    using TransferProgress = std::function<void(long long bytes)>;
    void set_transfer_progress(TransferProgress progress) { transfer_progress_ = std::move(progress); }

    const std::string& version_text() const { return version_text_; }
    // The process's shared connection record, or null (for tests and diagnostics).
    static MgmtConnection* connection();

private:
    int exchange(MgmtConnection* conn, const std::string& request, const char* body, size_t body_length,
                 const char* output_path, char* buffer, bool binary);

    std::string host_;
    std::string user_;
    std::string password_;
    unsigned port_ = kDefaultPort;
    std::string version_text_;
    TransferProgress transfer_progress_;
};
