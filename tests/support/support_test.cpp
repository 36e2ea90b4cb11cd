// The test-support library itself: the program runner's streams, status, working directory and time
// limit; scratch directories that go with everything in them; the closed port; trees from lines.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "conftree/conftree.h"
#include "support/closed_port.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"
#include "support/setting_lines.h"

namespace {

using ::testing::ElementsAre;
using testsupport::RunOptions;
using testsupport::runProgram;

TEST(RunProgram, CapturesBothStreamsAndTheExitStatusWithoutAShell) {
    const auto r = runProgram({"sh", "-c", "printf 'out %s' \"$1\"; printf err >&2; exit 3", "sh", "a;b'c"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "out a;b'c");
    EXPECT_EQ(r.err, "err");
}

TEST(RunProgram, StandardInputIsTheGivenTextOrEmpty) {
    RunOptions options;
    options.input = "line one\nline two";
    EXPECT_EQ(runProgram({"cat"}, options).out, "line one\nline two");
    EXPECT_EQ(runProgram({"cat"}).out, "");
}

TEST(RunProgram, RunsInTheWorkingDirectoryGivenAndSendsOutputWhereAsked) {
    testsupport::ScratchDir dir("support_test");
    RunOptions options;
    options.cwd = dir.path().string();
    options.stdoutPath = dir.file("kept.txt");
    const auto r = runProgram({"sh", "-c", "pwd; echo made > here.txt"}, options);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(testsupport::readFile(dir / "kept.txt"), std::filesystem::canonical(dir.path()).string() + "\n");
    EXPECT_EQ(testsupport::readFile(dir / "here.txt"), "made\n");
}

TEST(RunProgram, AProgramThatRunsTooLongIsKilledAndASignalIsReported) {
    RunOptions options;
    options.timeout = std::chrono::milliseconds(200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runProgram({"sleep", "30"}, options).status, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(runProgram({"sh", "-c", "kill -TERM $$"}).status, 128 + SIGTERM);
}

TEST(RunProgram, TheEnvironmentIsChangedAsAskedAndTheStartedProgramCanBeSignalled) {
    RunOptions options;
    options.environment = {"RUNNER_SET=one two", "HOME"};
    EXPECT_EQ(runProgram({"sh", "-c", "echo \"$RUNNER_SET\" ${HOME-unset} ${PATH+kept}"}, options).out,
              "one two unset kept\n");
    pid_t seen = 0;
    options.started = [&seen](pid_t pid) {
        seen = pid;
        ::kill(pid, SIGTERM);
    };
    EXPECT_EQ(runProgram({"sleep", "30"}, options).status, 128 + SIGTERM);
    EXPECT_GT(seen, 0);
}

TEST(RunProgram, AProgramThatCannotBeStartedExits127) {
    EXPECT_EQ(runProgram({"/nonexistent/program"}).status, 127);
    EXPECT_EQ(runProgram({}).status, -1);
}

TEST(ScratchDir, IsNewAndGoesWithEverythingInIt) {
    std::filesystem::path kept;
    {
        testsupport::ScratchDir a("support_test");
        testsupport::ScratchDir b("support_test");
        EXPECT_NE(a.path(), b.path());
        EXPECT_TRUE(std::filesystem::is_empty(a.path()));
        ASSERT_TRUE(testsupport::writeFile(a / "deep/er/file", "x"));
        EXPECT_EQ(testsupport::readFile(a.file("deep/er/file")), "x");
        kept = a.path();
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(ClosedPort, RefusesAConnection) {
    const int port = testsupport::closedPort();
    ASSERT_GT(port, 0);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    EXPECT_NE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

TEST(SettingLines, TreeFromLinesListsAsTheFileWriterWrites) {
    std::ostringstream log;
    ConfigTree tree(log);
    testsupport::addSettings(tree, {"a_b=1", "c=2", "a_d_e=3", "a_b=9"});
    EXPECT_THAT(testsupport::settingLines(tree), ElementsAre("a_b=1", "a_d_e=3", "c=2"));
    testsupport::addSettings(tree, {"a_b=9"}, true);
    EXPECT_THAT(testsupport::settingLines(tree), ElementsAre("a_b=9", "a_d_e=3", "c=2"));
    EXPECT_EQ(testsupport::settingText(tree), "a_b=9\na_d_e=3\nc=2\n");
    EXPECT_EQ(testsupport::settingText(*tree.findBranch("a")), "a_b=9\na_d_e=3\n");
    EXPECT_THAT(testsupport::splitLines("x\n\ny"), ElementsAre("x", "", "y"));
    setTreeLog(std::cout);
}

}  // namespace
