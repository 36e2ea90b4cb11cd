// What fwsim answers: the routing of one parsed request to the simulated firewall's behaviour.
//
// Service holds the options and the firewall root; ConnectionState holds what one connection
// remembers between requests (the target named by a download1 request, until its download2).
// handle() is pure apart from the files it reads and writes under the root, so tests call it
// without any network. Not shared between threads.
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

struct ConnectionState {
  std::optional<std::filesystem::path> pending_download;  // from download1, for download2
};

const char* reason_phrase(int status);

// The status line and header lines of a response, ending with the empty line.
std::string response_head(const Response& response);

// A request's line on standard error: "METHOD PATH[ ARGUMENT] -> STATUS[ (NOTE)]", printable ASCII.
std::string request_log_line(const Request& request, const Response& response);

class Service {
 public:
  explicit Service(const SimOptions& options);

  Response handle(const Request& request, ConnectionState& state) const;

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
