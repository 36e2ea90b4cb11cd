// fwsim with several clients at once: a client that stays silent or trickles bytes holds up nobody,
// a burst of clients is served or refused at once, large uploads are not held in memory.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "tests/sim/fwsim_fixture.h"
#include "tests/sim/sim_test_support.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::ScratchDir;

namespace {

// A plain TCP client: connects to 127.0.0.1:port; every receive gives up after `wait`.
class RawClient {
public:
    RawClient(uint16_t port, std::chrono::milliseconds wait) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval tv{static_cast<time_t>(wait.count() / 1000), static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
    }
    ~RawClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return connected_; }
    enum class Heard { Bytes, Closed, Nothing };
    // What one receive brings: bytes (the Welcome), the end of the connection, or nothing in time.
    Heard listen() {
        char buffer[512];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) return Heard::Bytes;
        if (n == 0 || errno == ECONNRESET) return Heard::Closed;
        return Heard::Nothing;
    }
    bool send_byte() { return ::send(fd_, "\0", 1, MSG_NOSIGNAL) == 1; }

private:
    int fd_ = -1;
    bool connected_ = false;
};

class FwsimConcurrencyTest : public FwsimFixture {
protected:

    // Logs in, fetches the configuration and logs out on another thread; true when that worked within
    // `wait`. A session still waiting then is ended by stopping fwsim, so the test never hangs.
    bool session_within(std::chrono::milliseconds wait) {
        auto done = std::async(std::launch::async, [this] {
            MgmtSession s;
            s.set_target("127.0.0.1", sim.port(), "admin", "pw");
            bool ok =
                s.login() && s.fetch_file("/usr/local/etc/mgmt/kestrane.conf", (dir / "got").c_str(), true) == 200;
            s.logout();
            return ok;
        });
        if (done.wait_for(wait) != std::future_status::ready) {
            sim.stop();
            done.wait();
            return false;
        }
        return done.get();
    }
};

TEST_F(FwsimConcurrencyTest, SilentOrTricklingClientsHoldUpNobodyAndAreDroppedOnTime) {
    start({"--handshake-timeout", "2", "--idle-timeout", "3"});
    RawClient silent(sim.port(), 10s);
    ASSERT_TRUE(silent.connected());
    RawClient trickling(sim.port(), 10s);
    ASSERT_TRUE(trickling.connected());
    ASSERT_EQ(silent.listen(), RawClient::Heard::Bytes);  // the Welcome: the connection is being served
    ASSERT_EQ(trickling.listen(), RawClient::Heard::Bytes);

    EXPECT_TRUE(session_within(20s)) << sim.log();
    EXPECT_EQ(testsupport::readFile(dir / "got"), "a=1\n");

    // A byte every 200 ms keeps the idle time-out away, but not the handshake's deadline.
    const auto begin = std::chrono::steady_clock::now();
    while (trickling.send_byte() && std::chrono::steady_clock::now() - begin < 8s) std::this_thread::sleep_for(200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 7s);  // the 2 s deadline, not the 8 s cap
    EXPECT_TRUE(sim.wait_for_log("refused: no Auth in time", 5s)) << sim.log();
    EXPECT_EQ(silent.listen(), RawClient::Heard::Closed);
}

TEST_F(FwsimConcurrencyTest, LoggedInClientThatFallsSilentIsDroppedAfterTheIdleTimeOut) {
    start({"--idle-timeout", "1"});
    MgmtSession s;
    s.set_target("127.0.0.1", sim.port(), "admin", "pw");
    ASSERT_TRUE(s.login()) << sim.log();
    EXPECT_TRUE(sim.wait_for_log("dropped: client silent for too long", 5s)) << sim.log();
}

TEST_F(FwsimConcurrencyTest, ConnectionsBeyondTheLimitAreClosedAtOnceAndDoNotCount) {
    start({"--max-concurrent", "3", "--max-connections", "4"});
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<RawClient>(sim.port(), 5s));
        ASSERT_EQ(held.back()->listen(), RawClient::Heard::Bytes) << i;
    }
    for (int i = 0; i < 2; ++i) {
        RawClient extra(sim.port(), 5s);
        EXPECT_EQ(extra.listen(), RawClient::Heard::Closed) << i;
    }
    held.clear();  // their connections end; the fourth connection served is the last
    // Their threads log the end and then give their places back: once all three ended, a moment
    // later the next connection is one of three at most.
    const auto ended = [this] {
        const std::string log = sim.log();
        size_t n = 0;
        for (const char* word : {" closed", " dropped"})
            for (size_t at = log.find(word); at != std::string::npos; at = log.find(word, at + 1)) ++n;
        return n;
    };
    for (auto deadline = std::chrono::steady_clock::now() + 10s;
         ended() < 3 && std::chrono::steady_clock::now() < deadline;)
        std::this_thread::sleep_for(20ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(session_within(20s)) << sim.log();
    auto status = sim.wait_exit(5s);
    ASSERT_TRUE(status) << sim.log();
    EXPECT_EQ(*status, 0);
    const std::string log = sim.log();
    size_t refused = 0;
    for (size_t at = log.find("too many connections at once"); at != std::string::npos;
         at = log.find("too many connections at once", at + 1))
        ++refused;
    EXPECT_EQ(refused, 2u) << log;
    EXPECT_NE(log.find("served 4 connections, stopping"), std::string::npos) << log;
}

TEST_F(FwsimConcurrencyTest, BurstOfClientsIsServedOrRefusedWithoutAnyHanging) {
    start({});
    constexpr int kClients = 150;
    std::atomic<int> served{0}, refused{0}, hung{0}, answered{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            RawClient c(sim.port(), 8s);
            const RawClient::Heard heard = c.connected() ? c.listen() : RawClient::Heard::Closed;
            (heard == RawClient::Heard::Bytes ? served : heard == RawClient::Heard::Closed ? refused : hung)++;
            ++answered;
            // Every served client holds its connection until all have had their answer.
            released.wait_for(20s);
        });
    }
    const auto begin = std::chrono::steady_clock::now();
    while (answered < kClients && std::chrono::steady_clock::now() - begin < 20s) std::this_thread::sleep_for(20ms);
    release.set_value();
    for (auto& t : clients) t.join();
    EXPECT_EQ(hung, 0);
    EXPECT_EQ(served + refused, kClients);
    EXPECT_GE(served, 1);
    EXPECT_LE(served, 64);
}

TEST_F(FwsimConcurrencyTest, LargeUploadIsStoredWithoutBeingHeldInMemory) {
    start({"--privacy", "0", "--integrity", "1"});  // check values only: the quickest to send
    const std::string content = simtest::binary_content(size_t{48} << 20, 7);
    testsupport::writeFile(dir / "big", content);
    // The simulator's peak resident size, in KiB.
    const auto peak_kib = [this] {
        std::ifstream status("/proc/" + std::to_string(sim.pid()) + "/status");
        std::string line;
        long kib = -1;
        while (std::getline(status, line))
            if (line.rfind("VmHWM:", 0) == 0) kib = std::stol(line.substr(6));
        return kib;
    };
    long before = -1;
    {
        MgmtSession s;
        s.set_target("127.0.0.1", sim.port(), "admin", "pw");
        ASSERT_TRUE(s.login()) << sim.log();
        before = peak_kib();
        ASSERT_EQ(s.send_file((dir / "big").c_str(), "/var/big", true), 200) << sim.log();
        s.logout();
    }
    EXPECT_TRUE(testsupport::readFile(root / "var/big") == content);
    // The upload adds far less to the simulator's peak resident size than the file's 48 MiB (what
    // the program needs before any upload differs between builds, the sanitizers' most of all).
    const long after = peak_kib();
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 16 * 1024) << "peak resident size " << before << " KiB before, " << after << " after";
}

}  // namespace
