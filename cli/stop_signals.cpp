// Taking SIGINT and SIGTERM on a thread of their own.
#include "cli/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace cli {

namespace {

void closeBoth(int (&fds)[2]) {
    for (int& fd : fds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace

StopSignals::StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigset_t previous;
    if (::pthread_sigmask(SIG_BLOCK, &signals, &previous) != 0) return;
    signalFd_ = ::signalfd(-1, &signals, SFD_CLOEXEC);
    const bool piped = ::pipe2(wake_, O_CLOEXEC) == 0 && ::pipe2(interrupt_, O_CLOEXEC | O_NONBLOCK) == 0;
    if (signalFd_ < 0 || !piped) {
        // Without the thread the signals keep their usual effect.
        if (signalFd_ >= 0) ::close(signalFd_);
        signalFd_ = -1;
        closeBoth(wake_);
        closeBoth(interrupt_);
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        return;
    }
    thread_ = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
    if (thread_.joinable()) {
        const char byte = 0;
        while (::write(wake_[1], &byte, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    if (signalFd_ >= 0) ::close(signalFd_);
    closeBoth(wake_);
    closeBoth(interrupt_);
}

void StopSignals::setStopAction(std::function<void()> action) {
    std::lock_guard lock(actionMutex_);
    action_ = std::move(action);
    if (action_ && received()) action_();
}

void StopSignals::watch() {
    for (;;) {
        pollfd fds[2] = {{signalFd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        signalfd_siginfo info{};
        if (::read(signalFd_, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) continue;
        signal_ = static_cast<int>(info.ssi_signo);
        const char byte = 1;
        (void)!::write(interrupt_[1], &byte, 1);  // a full pipe is readable already
        std::lock_guard lock(actionMutex_);
        if (action_) action_();
    }
}

}  // namespace cli
