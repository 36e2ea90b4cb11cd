#include "sim/sim_options.h"

#include <CLI/CLI.hpp>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ostream>

namespace fwsim {
namespace {

// The password file holds the password on its first line; a CR before the LF is not part of it.
// Only a regular file is read (opened without blocking, so a FIFO cannot hold the program up), and
// only as far as the first line's end or kMaxPasswordLine bytes.
bool read_password_file(const std::string& path, std::string& password, std::ostream& err) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        err << "fwsim: cannot read password file " << path << "\n";
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        err << "fwsim: password file " << path << " is not a regular file\n";
        return false;
    }
    // The longest line allowed, its CR and its LF: a buffer without a line end is a longer line.
    std::string text(kMaxPasswordLine + 2, '\0');
    size_t length = 0;
    bool failed = false;
    while (length < text.size() && text.find('\n') >= length) {
        const ssize_t n = ::read(fd, text.data() + length, text.size() - length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        length += static_cast<size_t>(n);
    }
    ::close(fd);
    if (failed) {
        err << "fwsim: cannot read password file " << path << "\n";
        return false;
    }
    text.resize(length);
    if (const size_t end = text.find('\n'); end != std::string::npos) text.resize(end);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.size() > kMaxPasswordLine) {
        err << "fwsim: the first line of password file " << path << " is longer than " << kMaxPasswordLine
            << " bytes\n";
        return false;
    }
    password = text;
    return true;
}

// What --hang and --drop take: an action, a command of kFaultCommands, or a firewall path.
std::string check_fault_target(std::string& what) {
    if (what.starts_with('/')) return {};
    for (const char* name : kActionNames)
        if (what == name) return {};
    for (const char* name : kFaultCommands)
        if (what == name) return {};
    return "not an action, getversion, getauthconfirm, getconfiglock or a firewall path: " + what;
}

}  // namespace

ParseOutcome parse_sim_options(int argc, const char* const* argv, SimOptions& options, std::ostream& out,
                               std::ostream& err) {
    CLI::App app{"fwsim - simulator of a firewall's management service.\n"
                 "Serves connections on a TCP port, several at once, with the firewall's file system under --root."};
    std::string password_file;
    int port = options.port;

    app.add_option("--root", options.root, "directory that stands for the firewall's /")
        ->required()
        ->check(CLI::ExistingDirectory);
    app.add_option("--listen", options.listen, "IPv4 address to listen on")->capture_default_str();
    app.add_option("--port", port, "TCP port; 0 picks a free one")->capture_default_str()->check(CLI::Range(0, 65535));
    app.add_option("--port-file", options.port_file, "file that receives the port once listening");
    app.add_option("--version", options.version, "version text of the getversion answer")->capture_default_str();
    app.add_option("--user", options.user, "user name the Auth must carry (default: any)");
    auto* pw = app.add_option("--password", options.password, "the firewall's password");
    auto* pwf = app.add_option("--password-file", password_file, "file whose first line is the password");
    pw->excludes(pwf);
    app.add_option("--privacy", options.privacy, "privacy announced in the Welcome: 0 none, 1 DES, 2 triple DES")
        ->check(CLI::Range(0, 2));
    app.add_option("--integrity", options.integrity, "integrity announced in the Welcome: 0 or 1")
        ->check(CLI::Range(0, 1));
    app.add_flag("--lock-held", options.lock_held, "the configuration lock is held by someone else (404)");
    app.add_option("--fail", options.fail, "make an action answer 500: packcerts, unpackcerts, updateconf")
        ->check(CLI::IsMember({kActionNames[0], kActionNames[1], kActionNames[2]}));
    const CLI::Validator fault_target(check_fault_target, "WHAT");
    app.add_option("--hang", options.hang,
                   "never answer a request for WHAT (kept open until the client closes or the idle time-out); "
                   "WHAT: an action, getversion, getauthconfirm, getconfiglock, or a firewall path fetched or stored")
        ->check(fault_target);
    app.add_option("--drop", options.drop, "close the connection on a request for WHAT, answering nothing")
        ->check(fault_target);
    app.add_option("--challenge", options.challenge,
                   "answer shell requests without an Authorization line with 401 and this challenge");
    app.add_option("--max-connections", options.max_connections, "stop after serving N connections (0: never)");
    app.add_option("--max-concurrent", options.max_concurrent,
                   "connections served at once; more are closed at once (0: no limit)")
        ->capture_default_str();
    app.add_option("--handshake-timeout", options.handshake_timeout,
                   "seconds a client has from connecting to its Auth (0: no limit)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);
    app.add_option("--idle-timeout", options.idle_timeout,
                   "seconds a connection may stay silent before it is dropped (0: no limit)")
        ->capture_default_str()
        ->check(CLI::NonNegativeNumber);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ParseOutcome::ExitOk;
    } catch (const CLI::ParseError& e) {
        err << "fwsim: " << e.what() << "\n"
            << "Run with --help for more information.\n";
        return ParseOutcome::ExitError;
    }
    for (const std::string& what : options.hang) {
        if (std::find(options.drop.begin(), options.drop.end(), what) != options.drop.end()) {
            err << "fwsim: --hang and --drop both name " << what << "\n";
            return ParseOutcome::ExitError;
        }
    }
    options.port = static_cast<uint16_t>(port);
    in_addr parsed{};
    if (::inet_pton(AF_INET, options.listen.c_str(), &parsed) != 1) {
        err << "fwsim: --listen: not an IPv4 address: " << options.listen << "\n";
        return ParseOutcome::ExitError;
    }

    if (!password_file.empty() && !read_password_file(password_file, options.password, err))
        return ParseOutcome::ExitError;
    if (pw->count() == 0 && pwf->count() == 0) {
        err << "fwsim: a password is needed (--password or --password-file)\n";
        return ParseOutcome::ExitError;
    }
    if (options.password.empty()) {
        err << "fwsim: the password must not be empty\n";
        return ParseOutcome::ExitError;
    }
    return ParseOutcome::Run;
}

}  // namespace fwsim
