// The tovac program and libtovac.so: the export list, the host's exit status, and whole runs with
// standard input from a pipe; the exports called directly through dlopen.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include <set>

#include "tests/tovac/tovac_test_support.h"

namespace {

namespace fs = std::filesystem;

std::string shell_output(const std::string& command) {
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
        ::pclose(p);
    }
    return text;
}

TEST(TovacLibrary, ExportsExactlyItsThreeFunctions) {
    const std::string listing = shell_output(std::string("nm -D --defined-only ") + TOVAC_LIBRARY);
    std::set<std::string> names;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (!name.empty()) names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"getResponceBuffer", "tovac_main", "tovac_shutdown"})) << listing;
}

TEST(TovacLibrary, DependsOnNoOtherProjectLibrary) {
    const std::string needed = shell_output(std::string("objdump -p ") + TOVAC_LIBRARY + " | grep NEEDED");
    EXPECT_EQ(needed.find("fwall"), std::string::npos) << needed;
    EXPECT_EQ(needed.find("tovac"), std::string::npos) << needed;
}

class TovacProgram : public ::testing::Test {
protected:
    tovactest::Firewall fw;
    testsupport::ScratchDir local;

    // Runs the tovac program with its standard input read from `input`.
    testsupport::RunResult tovac(const std::vector<std::string>& args, const std::string& input = "",
                                 const std::string& program = TOVAC_PROGRAM, const std::string& cwd = "") {
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), args.begin(), args.end());
        testsupport::RunOptions options;
        options.input = input;
        options.cwd = cwd;
        return testsupport::runProgram(argv, options);
    }
    std::vector<std::string> login(std::vector<std::string> commands) {
        std::vector<std::string> args = {"-h", fw.address(), "-u", "admin", "-P", "pw"};
        args.insert(args.end(), commands.begin(), commands.end());
        return args;
    }
    std::string out(const std::string& name) { return (local / name).string(); }
};

TEST_F(TovacProgram, HelpPrintsTheUsageAndSucceeds) {
    const auto r = tovac({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(
        r.err,
        "tovac [-h host] [-p port] [-u user] [-U who] [-P pass] [-k keyfile] \\\n[-i] [-v] [-t timeout] [cmds]\n");
}

TEST_F(TovacProgram, MissingOptionValuePrintsTheUsageAndFails) {
    const auto r = tovac({"-u", "admin", "-h"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(0, 6), "tovac ");
}

TEST_F(TovacProgram, ScriptedGetAndPutSucceed) {
    ASSERT_TRUE(fw.start());
    const std::string content = simtest::text_content(50000);
    fw.put("etc/big.txt", content);
    const auto r =
        tovac(login({"GET", "-o", out("big.txt"), "/etc/big.txt", "PUT", "/etc/piped.txt"}), "from the pipe\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(testsupport::readFile(out("big.txt")), content);
    EXPECT_EQ(fw.get("etc/piped.txt"), "from the pipe\n");
}

TEST_F(TovacProgram, QuitAndErrorOnExitGiveStatusOne) {
    ASSERT_TRUE(fw.start());
    EXPECT_EQ(tovac(login({"HELP", "QUIT"})).status, 1);
    const auto r = tovac(login({"VER", "-X", "GET", "/etc/none.txt"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Verbose on\n");
    const auto without = tovac(login({"GET", "/etc/none.txt", "HELP"}));
    EXPECT_EQ(without.status, 0);
    EXPECT_EQ(without.err.substr(0, 10), "Error 404\n");
}

TEST_F(TovacProgram, InteractiveSessionReadsCommandsFromThePipe) {
    ASSERT_TRUE(fw.start());
    fw.put("etc/a.txt", "alpha\n");
    const auto r = tovac({"-p", std::to_string(fw.sim.port()), "127.0.0.1"},
                         "admin\npw\nGET -o " + out("a.txt") + " /etc/a.txt\nVER\nquit\nQUIT\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "alpha\n");
    EXPECT_EQ(r.err,
              "Remote User: Remote Password: tovac> tovac> Verbose on\ntovac> unknown command quit\ntovac> \nDone.\n");
}

TEST_F(TovacProgram, KeyFileOpenToOthersIsRefusedAndAPrivateOneWorks) {
    ASSERT_TRUE(fw.start());
    fw.put("etc/a.txt", "alpha\n");
    const auto key = local / "key";
    testsupport::writeFile(key, "pw");
    ::chmod(key.c_str(), 0644);
    const std::vector<std::string> run = {"-v",         "-h",  fw.address(), "-u",         "admin",     "-k",
                                          key.string(), "GET", "-o",         out("a.txt"), "/etc/a.txt"};
    auto r = tovac(run);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Bad file mode 100644 for keyfile");
    EXPECT_FALSE(fs::exists(out("a.txt")));
    ::chmod(key.c_str(), 0600);
    r = tovac(run);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "alpha\n");
    const auto missing = tovac({"-v", "-k", out("nokey"), "-h", fw.address(), "GET", "/etc/a.txt"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Key not found\n");
}

TEST_F(TovacProgram, HandshakeFailureGivesStatusOne) {
    const int port = testsupport::closedPort();
    const auto r = tovac({"-h", "127.0.0.1:" + std::to_string(port), "-P", "pw", "GET", "/etc/a.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
}

// A listening socket on 127.0.0.1 that nobody accepts on; its port in `port`.
int unserved_listener(int backlog, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(sa.sin_port);
    return fd;
}

TEST_F(TovacProgram, TimeOutEndsTheWaitForAServerThatSaysNothingOrNeverAccepts) {
    // First a connection that is made (the kernel queues it) and then hears nothing; then one that
    // cannot even be made, because the queue of a listener with backlog 0 is already full.
    for (const bool queue_full : {false, true}) {
        std::uint16_t port = 0;
        const int listener = unserved_listener(queue_full ? 0 : 4, port);
        ASSERT_GE(listener, 0);
        std::vector<int> fillers;
        if (queue_full) {
            sockaddr_in sa{};
            sa.sin_family = AF_INET;
            sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            sa.sin_port = htons(port);
            for (int i = 0; i < 3; ++i) {
                fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
                (void)::connect(fillers.back(), reinterpret_cast<sockaddr*>(&sa), sizeof sa);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        const std::vector<std::string> argv{
            TOVAC_PROGRAM, "-h", "127.0.0.1:" + std::to_string(port), "-P", "pw", "-t", "1", "GET", "/etc/a.txt"};
        testsupport::RunOptions options;
        options.timeout = std::chrono::seconds(20);
        const auto begin = std::chrono::steady_clock::now();
        const auto r = testsupport::runProgram(argv, options);
        const auto took = std::chrono::steady_clock::now() - begin;
        for (int fd : fillers) ::close(fd);
        ::close(listener);
        EXPECT_EQ(r.status, 1) << queue_full << r.err;  // as for a connection that fails or closes
        EXPECT_EQ(r.err, "") << queue_full;
        EXPECT_LT(took, std::chrono::seconds(10)) << queue_full;
    }
}

TEST_F(TovacProgram, LibraryIsFoundBesideTheProgramNotInTheWorkingDirectory) {
    const fs::path copy = local / "tovac";
    fs::copy_file(TOVAC_PROGRAM, copy);
    ::chmod(copy.c_str(), 0755);
    const auto r = tovac({"--help"}, "", copy.string(), fs::path(TOVAC_LIBRARY).parent_path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("tovac: cannot load " + (local / "libtovac.so").string(), 0), 0u) << r.err;
}

// The exports called by a host of our own, through dlopen like any host would.
class TovacExports : public TovacProgram {
protected:
    void* handle = nullptr;
    int (*run)(int, char**) = nullptr;
    int (*shutdown)() = nullptr;
    char* (*buffer)() = nullptr;

    void SetUp() override {
        handle = ::dlopen(TOVAC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        run = reinterpret_cast<int (*)(int, char**)>(::dlsym(handle, "tovac_main"));
        shutdown = reinterpret_cast<int (*)()>(::dlsym(handle, "tovac_shutdown"));
        buffer = reinterpret_cast<char* (*)()>(::dlsym(handle, "getResponceBuffer"));
        ASSERT_TRUE(run && shutdown && buffer);
        EXPECT_EQ(::dlsym(handle, "shell_run_command"), nullptr);
    }
    void TearDown() override {
        if (shutdown) shutdown();
        if (handle) ::dlclose(handle);
    }
    int main_with(std::vector<std::string> args) {
        args.insert(args.begin(), "host");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return run(static_cast<int>(args.size()), argv.data());
    }
};

TEST_F(TovacExports, ResponseBufferHoldsTheLastBlockUntilShutdown) {
    ASSERT_TRUE(fw.start());
    fw.put("etc/small.txt", "small file content\n");
    EXPECT_EQ(buffer(), nullptr);
    ASSERT_EQ(main_with(login({"GET", "/etc/small.txt", "VER"})), 0);
    ASSERT_NE(buffer(), nullptr);
    EXPECT_NE(std::string(buffer(), 8192).find("small file content\n"), std::string::npos);
    EXPECT_EQ(shutdown(), 0);
    EXPECT_EQ(buffer(), nullptr);
    EXPECT_EQ(shutdown(), 0);  // nothing left to shut down
}

TEST_F(TovacExports, LaterCallReusesTheStateButNeedsThePasswordAgain) {
    ASSERT_TRUE(fw.start());
    fw.put("etc/a.txt", "a\n");
    ASSERT_EQ(main_with(login({"GET", "-o", out("first.txt"), "/etc/a.txt"})), 0);
    // The host and user carry over; the password was wiped once the keys were derived.
    ASSERT_EQ(main_with({"-p", std::to_string(fw.sim.port()), "GET", "-o", out("second.txt"), "/etc/a.txt"}), 0);
    EXPECT_FALSE(fs::exists(out("second.txt")));
    ASSERT_EQ(main_with({"-p", std::to_string(fw.sim.port()), "-P", "pw", "GET", "-o", out("third.txt"), "/etc/a.txt"}),
              0);
    EXPECT_EQ(testsupport::readFile(out("third.txt")), "a\n");
}

}  // namespace
