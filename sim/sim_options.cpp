#include "sim/sim_options.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

namespace fwsim {
namespace {

// The password file holds the password on its first line; a CR before the LF is not part of it.
bool read_password_file(const std::string& path, std::string& password, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err << "fwsim: cannot read password file " << path << "\n";
    return false;
  }
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  password = line;
  return true;
}

}  // namespace

ParseOutcome parse_sim_options(int argc, const char* const* argv, SimOptions& options, std::ostream& out,
                               std::ostream& err) {
  CLI::App app{
      "fwsim - simulator of a firewall's management service.\n"
      "Serves one connection after another on a TCP port, with the firewall's file system under --root."};
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
  app.add_option("--challenge", options.challenge,
                 "answer shell requests without an Authorization line with 401 and this challenge");
  app.add_option("--max-connections", options.max_connections, "stop after serving N connections (0: never)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return ParseOutcome::ExitOk;
  } catch (const CLI::ParseError& e) {
    err << "fwsim: " << e.what() << "\n" << "Run with --help for more information.\n";
    return ParseOutcome::ExitError;
  }
  options.port = static_cast<uint16_t>(port);

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
