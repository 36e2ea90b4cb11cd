// A loopback port on which nothing listens: a connection to 127.0.0.1 there is refused.
#pragma once

namespace testsupport {

// A port the system just handed out and that was released again at once (bound, then closed), so no
// one listens on it; 0 when no port could be had.
int closedPort();

}  // namespace testsupport
