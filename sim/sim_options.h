// Command line of fwsim, the simulator of a firewall's management service.
//
// parse_sim_options turns argv into a SimOptions value (reading the password file when one is named:
// a regular file, of whose first line at most kMaxPasswordLine bytes are read)
// and says whether the program should go on, stop successfully (--help) or stop with an error. It
// writes help and error texts to the streams it is given. Plain value type; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace fwsim {

// The three firewall actions that --fail can make answer 500.
inline constexpr const char* kActionNames[] = {"packcerts", "unpackcerts", "updateconf"};

// The commands that --hang and --drop know by name, besides the actions (getauthconfirm stands for
// both of its paths).
inline constexpr const char* kFaultCommands[] = {"getversion", "getauthconfirm", "getconfiglock"};

// Longest first line of a password file (without its line end).
inline constexpr size_t kMaxPasswordLine = 4096;

struct SimOptions {
    std::string root;                  // directory that stands for the firewall's "/"
    std::string listen = "127.0.0.1";  // dotted IPv4 address to listen on
    uint16_t port = 8004;              // 0: pick a free port
    std::string port_file;             // where the bound port is written, when named
    std::string version = "5.5";       // text after "version=" in the getversion answer
    std::string user;                  // required user name in the Auth; empty: any
    std::string password;
    int privacy = -1;    // 0, 1, 2; -1: not announced in the Welcome
    int integrity = -1;  // 0, 1;    -1: not announced in the Welcome
    bool lock_held = false;
    std::vector<std::string> fail;  // action names (kActionNames) that answer 500
    std::string challenge;          // empty: shell requests are not challenged
    uint64_t max_connections = 0;   // 0: serve until killed
    size_t max_concurrent = 64;     // connections served at once; more are closed at once
    int handshake_timeout = 10;     // seconds from the connection to the Auth; 0: no limit
    int idle_timeout = 30;          // seconds a connection may stay silent; 0: no limit
    // Requests read whole and never answered (hang), or answered by closing the connection (drop):
    // action names, kFaultCommands, or firewall paths fetched (upload) or stored (download1).
    std::vector<std::string> hang;
    std::vector<std::string> drop;
};

enum class ParseOutcome { Run, ExitOk, ExitError };

// err receives error messages, out the --help text.
ParseOutcome parse_sim_options(int argc, const char* const* argv, SimOptions& options, std::ostream& out,
                               std::ostream& err);

}  // namespace fwsim
