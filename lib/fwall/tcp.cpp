// TCP layer of the management client: opening the connection with its failure texts, and the single
// receive and send primitives.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lib/fwall/conn.h"

namespace {

void set_error(char* error_text, const char* format, const char* a, int b) {
  if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, format, a, b);
}
void set_error(char* error_text, const char* text) {
  if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, "%s", text);
}

bool is_numeric(const char* text) {
  for (const char* p = text; *p; ++p) {
    if (!((*p >= '0' && *p <= '9') || *p == '.')) return false;
  }
  return true;
}

// Binds to a source port from 1023 down to 512; false when they are all in use.
bool bind_privileged(int sock) {
  for (int port = 1023; port >= 512; --port) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0) return true;
    if (errno != EADDRINUSE) return false;
  }
  return false;
}

// One socket and connect to `addr`. The socket (>= 0), -2 or -3 as tcp_connect reports them.
int connect_one(const in_addr& addr, std::uint32_t port, int privileged, char* error_text, bool report) {
  const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (sock < 0) {
    if (error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, "socket: %s", std::strerror(errno));
    return -2;
  }
  if (privileged && !bind_privileged(sock)) {
    ::close(sock);
    set_error(error_text, "run out of priv port");
    return -2;
  }
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr = addr;
  peer.sin_port = htons(static_cast<std::uint16_t>(port));
  int rc;
  do {
    rc = ::connect(sock, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(sock);
    if (report && error_text != nullptr) std::snprintf(error_text, kMgmtErrorTextSize, "connect: %s", std::strerror(err));
    return -3;
  }
  return sock;
}

}  // namespace

int tcp_connect(const char* address, std::uint32_t port, int privileged, char* error_text) {
  if (address == nullptr) address = "";
  if (is_numeric(address)) {
    in_addr addr{};
    addr.s_addr = inet_addr(address);
    if (addr.s_addr == INADDR_NONE) {
      if (fwall::kTovacBuild) {
        set_error(error_text, "hostname unparsable");
      } else {
        set_error(error_text, "Illegal address [%s]: Error %d\n", address, errno);
      }
      return -1;
    }
    return connect_one(addr, port, privileged, error_text, true);
  }

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  const int lookup = getaddrinfo(address, nullptr, &hints, &answer);
  if (lookup != 0 || answer == nullptr) {
    if (fwall::kTovacBuild) {
      set_error(error_text, "hostname unknown");
    } else {
      set_error(error_text, "Cannot resolve address [%s]: Error %d\n", address, lookup);
    }
    return -1;
  }
  int result = -3;
  for (addrinfo* ai = answer; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_addrlen < sizeof(sockaddr_in) || ai->ai_addr->sa_family != AF_INET) {
      if (fwall::kTovacBuild) {
        set_error(error_text, "hostname invalid");
        result = -1;
        break;
      }
      continue;
    }
    const in_addr addr = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr;
    // The upgrade program tries the first address only; the shell library walks the whole answer.
    const bool last = !fwall::kTovacBuild || ai->ai_next == nullptr;
    result = connect_one(addr, port, privileged, error_text, last);
    if (result >= 0 || result == -2 || !fwall::kTovacBuild) break;
  }
  freeaddrinfo(answer);
  return result;
}

int sock_recv(int socket, void* buffer, int size) {
  int n = -1;
  if (socket >= 0) {
    do {
      n = static_cast<int>(::recv(socket, buffer, static_cast<std::size_t>(size), 0));
    } while (n < 0 && errno == EINTR);
  }
  if (fwall::kTovacBuild && n < 0) std::fputs("Empty buffer!\n", stdout);
  return n;
}

int sock_send(int socket, const void* data, int length) {
  int n;
  do {
    // MSG_NOSIGNAL: a peer that went away must give an error result, not end the process.
    n = static_cast<int>(::send(socket, data, static_cast<std::size_t>(length), MSG_NOSIGNAL));
  } while (n < 0 && errno == EINTR);
  return n;
}
