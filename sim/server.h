// fwsim's main loop: listen, then serve connections concurrently, each on its own thread (handshake,
// then requests until the client closes), writing one line per request and per refused connection to
// the log stream.
//
// At most SimOptions::max_concurrent connections are served at once; a connection beyond that is
// accepted and closed at once, so that a client never waits on a connection nobody serves. The body of
// a request that stores a file goes straight into the file's temporary copy instead of memory. A request
// that --drop names ends its connection unanswered; one that --hang names holds only its own
// connection (until the client closes it or the idle time-out ends it).
//
// run_server returns the process exit status: 0 after --max-connections connections, 1 when the
// listening socket cannot be set up. Threads: the calling thread accepts; one thread per connection
// serves it. Lines reach the log stream whole, one at a time (under a lock); the Service they share is
// immutable.
#pragma once

#include <iosfwd>

#include "sim/sim_options.h"

namespace fwsim {

// Largest request message accepted (a file sent to the firewall travels in one message).
inline constexpr size_t kMaxRequestMessage = size_t{512} << 20;

int run_server(const SimOptions& options, std::ostream& log);

}  // namespace fwsim
