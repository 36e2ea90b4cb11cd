// A loopback port whose listener accepts connections and never says anything: a login there waits
// for the firewall's Welcome until something ends the wait. One owner, one thread.
#pragma once

#include <chrono>

namespace testsupport {

class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    // The port; 0 when no listener could be made.
    int port() const { return port_; }
    // Accepts the first client (and keeps it waiting); false when none came within wait.
    bool awaitClient(std::chrono::milliseconds wait);

private:
    int fd_ = -1;
    int client_ = -1;
    int port_ = 0;
};

}  // namespace testsupport
