// fwsim's main loop: listen, then serve one connection after another (handshake, then requests until
// the client closes), writing one line per request and per refused connection to the log stream.
//
// run_server returns the process exit status: 0 after --max-connections connections, 1 when the
// listening socket cannot be set up. Single-threaded; the log stream is only used from this thread.
#pragma once

#include <iosfwd>

#include "sim/sim_options.h"

namespace fwsim {

// Largest request message accepted (a file sent to the firewall travels in one message).
inline constexpr size_t kMaxRequestMessage = size_t{512} << 20;

int run_server(const SimOptions& options, std::ostream& log);

}  // namespace fwsim
