// A logout from another thread while a command runs (the workflow's time-out does this): the command
// ends with -2, the record is released exactly once, and a half-received file is not left behind.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <future>
#include <thread>

#include "tests/session/session_fixture.h"

namespace fs = std::filesystem;

namespace {

using FromAnotherThread = SessionFixture;

// The temporary name beside the target under which a body arrives: ".NAME." and random letters.
std::string temporary_prefix(const fs::path& path) { return "." + path.filename().string() + "."; }

// Waits until the local file (still under its temporary name beside the target while the body arrives)
// has received part of the body, so that the command is surely running.
bool wait_for_growth(const fs::path& path) {
    const std::string prefix = temporary_prefix(path);
    for (int i = 0; i < 2000; ++i) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(path.parent_path(), ec)) {
            if (entry.path().filename().string().rfind(prefix, 0) == 0 && fs::file_size(entry.path(), ec) > 0)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Nothing of the cut-short body is left beside the target either.
bool no_partial_files(const fs::path& path) {
    const std::string prefix = temporary_prefix(path);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(path.parent_path(), ec))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) return false;
    return true;
}

TEST_F(FromAnotherThread, LogoutDuringAFetchEndsItWithMinusTwo) {
    start({"--privacy", "2", "--integrity", "1"});
    testsupport::writeFile(firewall_file("/big"), simtest::binary_content(64 << 20));
    MgmtSession worker;
    aim(worker);
    ASSERT_TRUE(worker.login());
    fs::path local = dir / "big";
    auto fetch = std::async(std::launch::async, [&] { return worker.fetch_file("/big", local.c_str(), true); });
    ASSERT_TRUE(wait_for_growth(local));
    MgmtSession().logout();  // what a time-out does: any session may log the process out
    EXPECT_EQ(fetch.get(), -2);
    EXPECT_STREQ(MgmtSession::result_text(-2), "Command failed: Connection timed out");
    EXPECT_EQ(MgmtSession::connection(), nullptr);
    EXPECT_FALSE(fs::exists(local)) << "a file cut short is removed";
    EXPECT_TRUE(no_partial_files(local));
    EXPECT_EQ(worker.run_action(MgmtAction::PackCerts), -1);
}

TEST_F(FromAnotherThread, DisconnectDuringAFetchMakesItFailButKeepsTheRecord) {
    start({"--privacy", "1"});
    testsupport::writeFile(firewall_file("/big"), simtest::binary_content(64 << 20));
    MgmtSession worker;
    aim(worker);
    ASSERT_TRUE(worker.login());
    fs::path local = dir / "big";
    auto fetch = std::async(std::launch::async, [&] { return worker.fetch_file("/big", local.c_str(), true); });
    ASSERT_TRUE(wait_for_growth(local));
    worker.disconnect();
    EXPECT_EQ(fetch.get(), -1);
    EXPECT_NE(MgmtSession::connection(), nullptr);
    EXPECT_FALSE(fs::exists(local));
    EXPECT_TRUE(no_partial_files(local));
    EXPECT_EQ(worker.run_action(MgmtAction::PackCerts), -1);
}

TEST_F(FromAnotherThread, LogoutEndsALoginThatWaitsForAWelcome) {
    // A service that takes connections (the listen backlog does) but never says a word.
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);

    MgmtSession worker;
    worker.set_target("127.0.0.1", ntohs(sa.sin_port), "admin", "pw");
    auto login = std::async(std::launch::async, [&] { return worker.login(); });
    EXPECT_EQ(login.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    MgmtSession().logout();
    bool ended = login.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(listener);  // ends the wait in any case, so that the test itself cannot hang
    EXPECT_TRUE(ended) << "the login went on waiting after the logout";
    EXPECT_FALSE(login.get());
    EXPECT_EQ(MgmtSession::connection(), nullptr);
}

TEST_F(FromAnotherThread, LogoutBetweenCommandsLeavesNothingToUse) {
    start();
    MgmtSession worker;
    aim(worker);
    ASSERT_TRUE(worker.login());
    std::thread([] { MgmtSession::connection() ? MgmtSession().logout() : void(); }).join();
    EXPECT_EQ(worker.confirm_auth(), -1);
}

}  // namespace
