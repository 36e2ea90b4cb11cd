#include "sim/server.h"

#include <fstream>
#include <ostream>

#include "sim/channel.h"
#include "sim/listener.h"
#include "sim/request.h"
#include "sim/service.h"

namespace fwsim {
namespace {

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

void serve_connection(int fd, const std::string& peer, const Service& service, std::ostream& log) {
  const SimOptions& options = service.options();
  ServerChannel channel(fd);
  ChannelSettings settings;
  settings.password = options.password;
  settings.user = options.user;
  settings.privacy = options.privacy;
  settings.integrity = options.integrity;
  std::string error;
  if (!channel.handshake(settings, error)) {
    log << "fwsim: " << peer << " refused: " << error << std::endl;
    return;
  }
  log << "fwsim: " << peer << " logged in (privacy " << channel.privacy() << ", integrity "
      << (channel.integrity() ? 1 : 0) << ")" << std::endl;

  ConnectionState state;
  std::string message;
  for (;;) {
    auto result = channel.read_message(message, kMaxRequestMessage, error);
    if (result == ServerChannel::ReadResult::Closed) {
      log << "fwsim: " << peer << " closed" << std::endl;
      return;
    }
    if (result == ServerChannel::ReadResult::Failed) {
      log << "fwsim: " << peer << " dropped: " << error << std::endl;
      return;
    }
    Request request;
    Response response;
    if (!parse_request(message, request, error)) {
      response.status = 400;
      response.note = error;
      log << "fwsim: malformed request -> 400 (" << error << ")" << std::endl;
    } else {
      response = service.handle(request, state);
      log << "fwsim: " << request_log_line(request, response) << std::endl;
    }
    if (!send_response(channel, response)) {
      log << "fwsim: " << peer << " dropped: cannot send the response" << std::endl;
      return;
    }
  }
}

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
  for (uint64_t served = 0; options.max_connections == 0 || served < options.max_connections; ++served) {
    std::string peer;
    int fd = listener.accept_one(peer);
    if (fd < 0) {
      log << "fwsim: accept failed" << std::endl;
      return 1;
    }
    serve_connection(fd, peer, service, log);
  }
  log << "fwsim: served " << options.max_connections << " connections, stopping" << std::endl;
  return 0;
}

}  // namespace fwsim
