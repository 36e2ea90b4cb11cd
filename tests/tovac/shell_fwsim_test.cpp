// Scripted and interactive runs of the shell against fwsim, in process.
#include <gtest/gtest.h>

#include "lib/fwall/conn.h"
#include "tests/tovac/tovac_test_support.h"
#include "util/tovad/shell_connect.h"
#include "util/tovad/shell_main.h"

namespace {

namespace fs = std::filesystem;

class ShellAgainstFirewall : public ::testing::Test {
protected:
    tovactest::Firewall fw;
    tovactest::TestShell shell;
    testsupport::ScratchDir local;

    void start(const std::vector<std::string>& extra = {}, const std::string& password = "pw") {
        ASSERT_TRUE(fw.start(extra, password));
    }
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "tovac");
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        return tovac::shell_main(shell.state, static_cast<int>(argv.size()), argv.data());
    }
    // Options of a scripted run as user admin with the right password.
    std::vector<std::string> login(std::vector<std::string> commands) {
        std::vector<std::string> args = {"-h", fw.address(), "-u", "admin", "-P", "pw"};
        args.insert(args.end(), commands.begin(), commands.end());
        return args;
    }
    std::string out(const std::string& name) { return (local / name).string(); }
};

TEST_F(ShellAgainstFirewall, ScriptedGetWritesTheBodyOnlyWhereAnOutfileIsNamed) {
    start();
    const std::string content = simtest::text_content(20000);
    fw.put("etc/a.txt", content);
    EXPECT_EQ(run(login({"GET", "-o", out("a.txt"), "/etc/a.txt", "GET", "/etc/a.txt"})), 0);
    EXPECT_EQ(testsupport::readFile(out("a.txt")), content);
    EXPECT_EQ(shell.messages(), "");
    EXPECT_NE(shell.state.connection, nullptr);  // left open for the host to shut down
    EXPECT_TRUE(fw.sim.wait_for_log("GET /etc/a.txt -> 200")) << fw.sim.log();
}

TEST_F(ShellAgainstFirewall, PasswordIsWipedOnceConnected) {
    start();
    ASSERT_EQ(run(login({"HELP", "VER"})), 0);
    ASSERT_NE(shell.state.connection, nullptr);
    EXPECT_FALSE(shell.state.has_password);
    EXPECT_EQ(std::string(shell.state.password, 3), std::string(3, '\0'));
    EXPECT_EQ(shell.state.connection->password, nullptr);
}

TEST_F(ShellAgainstFirewall, MissingFileGivesError404AndCreatesNoOutput) {
    start();
    EXPECT_EQ(run(login({"GET", "-o", out("none.txt"), "/etc/none.txt", "HELP"})), 0);
    EXPECT_FALSE(fs::exists(out("none.txt")));
    EXPECT_EQ(shell.messages().substr(0, 10), "Error 404\n");
}

TEST_F(ShellAgainstFirewall, ErrorOnExitEndsTheRunAtTheFirstFailureAndClosesTheConnection) {
    start();
    fw.put("etc/a.txt", "a\n");
    // Among the options -X does nothing; after a command word it is the command that toggles.
    EXPECT_EQ(run(login({"-X", "VER", "-X", "GET", "/etc/none.txt", "GET", "-o", out("a.txt"), "/etc/a.txt"})), -1);
    EXPECT_FALSE(fs::exists(out("a.txt")));
    EXPECT_EQ(shell.state.connection, nullptr);
    EXPECT_EQ(shell.messages(), "Verbose on\n");
}

TEST_F(ShellAgainstFirewall, PutSendsAnInputFileOrStandardInput) {
    start();
    const std::string from_file = simtest::text_content(30000);
    testsupport::writeFile(out("in.txt"), from_file);
    shell.input("typed line 1\ntyped line 2\n");
    EXPECT_EQ(run(login({"PUT", "-i", out("in.txt"), "/etc/new.txt", "POST", "/etc/typed.txt"})), 0);
    EXPECT_EQ(fw.get("etc/new.txt"), from_file);
    EXPECT_EQ(fw.get("etc/typed.txt"), "typed line 1\ntyped line 2\n");
    EXPECT_EQ(shell.messages(), "");
}

// A connection whose first send of a request cuts the file named by g_shrinking down to 10000 bytes:
// the file shrinks while the shell sends it.
std::string g_shrinking;

int send_then_shrink(void*, int socket, const void* data, int length) {
    if (!g_shrinking.empty()) {
        fs::resize_file(g_shrinking, 10000);
        g_shrinking.clear();
    }
    return sock_send(socket, data, length);
}

tovac::ShellConnection connect_then_shrink(tovac::ShellState& state) {
    tovac::ShellConnection conn = tovac::connect_to_firewall(state);
    if (conn) conn->transport.send = &send_then_shrink;
    return conn;
}

TEST_F(ShellAgainstFirewall, PutOfAFileThatShrinksWhileItIsSentStoresNothing) {
    start();
    fw.put("etc/kept.txt", "old\n");
    testsupport::writeFile(out("in.txt"), simtest::text_content(200000));
    for (bool stop_at_failure : {false, true}) {
        g_shrinking = out("in.txt");
        shell.state.connector = &connect_then_shrink;
        std::vector<std::string> commands = {"PUT", "-i", out("in.txt"), "/etc/kept.txt"};
        if (stop_at_failure) commands.insert(commands.begin(), {"HELP", "-X"});
        // Without -X the failure is reported and the run goes on; with it the run ends with -1.
        EXPECT_EQ(run(login(commands)), stop_at_failure ? -1 : 0);
        EXPECT_NE(shell.messages().find(out("in.txt") + " changed while it was sent\n"), std::string::npos)
            << shell.messages();
        EXPECT_EQ(fw.get("etc/kept.txt"), "old\n");
        EXPECT_EQ(shell.state.connection, nullptr);
        testsupport::writeFile(out("in.txt"), simtest::text_content(200000));
    }
}

TEST_F(ShellAgainstFirewall, QuitEndsTheRunWithMinusOneAfterClosingTheConnection) {
    start();
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(run(login({"QUIT", "GET", "-o", out("a.txt"), "/etc/a.txt"})), -1);
    EXPECT_EQ(shell.state.connection, nullptr);
    EXPECT_FALSE(fs::exists(out("a.txt")));
}

TEST_F(ShellAgainstFirewall, PortOptionAndVerboseHostLine) {
    start();
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(run({"-v", "-h", "127.0.0.1", "-p", std::to_string(fw.sim.port()), "-u", "admin", "-P", "pw", "GET", "-o",
                   out("a.txt"), "/etc/a.txt"}),
              0);
    EXPECT_EQ(shell.messages(), "host=127.0.0.1 port=" + std::to_string(fw.sim.port()) + "\n");
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "a\n");
}

TEST_F(ShellAgainstFirewall, UnknownAndLowerCaseCommandsAreReportedAndTheRunGoesOn) {
    start();
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(run(login({"get", "/etc/a.txt", "GET", "-o", out("a.txt"), "/etc/a.txt"})), 0);
    EXPECT_EQ(shell.messages(), "unknown command get\nunknown command /etc/a.txt\n");
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "a\n");
}

TEST_F(ShellAgainstFirewall, RefusedConnectionFailsTheScriptedRun) {
    const int port = testsupport::closedPort();
    EXPECT_EQ(run({"-v", "-h", "127.0.0.1:" + std::to_string(port), "-P", "pw", "GET", "/etc/a"}), -1);
    EXPECT_EQ(shell.state.connection, nullptr);
    EXPECT_NE(shell.messages().find("failed: connect: "), std::string::npos) << shell.messages();
}

TEST_F(ShellAgainstFirewall, WelcomeThatFailsItsChecksFailsTheScriptedRun) {
    start({"--privacy", "0", "--integrity", "0"});
    EXPECT_EQ(run(login({"GET", "/etc/a"})), -1);
    EXPECT_EQ(shell.state.connection, nullptr);
}

TEST_F(ShellAgainstFirewall, WrongPasswordShowsOnTheFirstCommand) {
    start();
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(
        run({"-h", fw.address(), "-u", "admin", "-P", "wrong", "VER", "-X", "GET", "-o", out("a.txt"), "/etc/a.txt"}),
        -1);
    EXPECT_FALSE(fs::exists(out("a.txt")));
}

TEST_F(ShellAgainstFirewall, WithoutAPasswordNoConnectionIsMadeAndCommandsSayNoConnection) {
    start();
    EXPECT_EQ(run({"-h", fw.address(), "-u", "admin", "GET", "/etc/a.txt", "HELP"}), 0);
    EXPECT_EQ(shell.messages().substr(0, 14), "No connection\n");
    EXPECT_FALSE(fw.sim.wait_for_log("GET", std::chrono::milliseconds(200)));
}

TEST_F(ShellAgainstFirewall, PromptFlagAsksForHostUserAndPassword) {
    start();
    fw.put("etc/a.txt", "a\n");
    shell.input("\n  127.0.0.1  \nadmin\npw\n");
    EXPECT_EQ(run({"-I", "-p", std::to_string(fw.sim.port()), "GET", "-o", out("a.txt"), "/etc/a.txt"}), 0);
    EXPECT_EQ(shell.messages(), "Host: Host: User: Password: ");
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "a\n");
}

TEST_F(ShellAgainstFirewall, PromptFlagWithoutAnyPasswordFailsCleanly) {
    start();
    shell.input("127.0.0.1\nadmin\n");
    EXPECT_EQ(run({"-I", "-p", std::to_string(fw.sim.port()), "GET", "/etc/a.txt", "HELP"}), -1);
    EXPECT_EQ(shell.messages(), "Host: User: Password: No password given\n");
    EXPECT_EQ(shell.state.connection, nullptr);
}

TEST_F(ShellAgainstFirewall, ScriptedRunAnsweredWithAChallengeFails) {
    start({"--challenge", "basic realm=\"password\""});
    EXPECT_EQ(run(login({"PUT", "-i", "/dev/null", "/etc/x.txt", "HELP"})), -1);
    // The run ends there, silently: the commands after it do not run and no error line is added.
    EXPECT_EQ(shell.messages(), "");
    EXPECT_EQ(shell.state.connection, nullptr);
    EXPECT_EQ(run(login({"GET", "/etc/a.txt", "HELP"})), -1);
    EXPECT_EQ(shell.messages(), "");
    EXPECT_EQ(shell.state.connection, nullptr);
}

// Interactive sessions: the single trailing argument is the host.
class InteractiveShell : public ShellAgainstFirewall {
protected:
    int session(const std::string& typed, std::vector<std::string> options = {}) {
        shell.input(typed);
        options.insert(options.end(), {"-p", std::to_string(fw.sim.port()), "127.0.0.1"});
        return run(options);
    }
};

TEST_F(InteractiveShell, CommandsRunLineByLineUntilQuit) {
    start();
    fw.put("etc/a.txt", "alpha\n");
    const std::string typed = "admin\npw\nHELP\n\nGET -o " + out("a.txt") +
                              " /etc/a.txt\nget /etc/a.txt\nVERBOSE\nVER\n"
                              "GET /etc/none.txt\nQUIT\nHELP\n";
    EXPECT_EQ(session(typed), 0);
    EXPECT_EQ(testsupport::readFile(out("a.txt")), "alpha\n");
    const std::string messages = shell.messages();
    EXPECT_EQ(messages.substr(0, 55), "Remote User: Remote Password: tovac> get [-o outfile] f");
    EXPECT_NE(messages.find("tovac> unknown command get\nunknown command /etc/a.txt\ntovac> Verbose on\ntovac> "
                            "Verbose off\ntovac> Error 404\ntovac> \nDone.\n"),
              std::string::npos)
        << messages;
    EXPECT_EQ(shell.unread(), "HELP\n");  // nothing after QUIT was read
}

TEST_F(InteractiveShell, EndOfInputEndsTheSessionWithDone) {
    start();
    EXPECT_EQ(session("admin\npw\nHELP"), 0);
    EXPECT_TRUE(shell.messages().ends_with("tovac> \nDone.\n"));
    EXPECT_NE(shell.state.connection, nullptr);
}

TEST_F(InteractiveShell, PutFromStandardInputTakesTheRestOfTheInput) {
    start();
    EXPECT_EQ(session("admin\npw\nPUT /etc/rest.txt\nline one\nHELP\n"), 0);
    EXPECT_EQ(fw.get("etc/rest.txt"), "line one\nHELP\n");
}

TEST_F(InteractiveShell, FailedConnectionLeavesCommandsWithNothingToDo) {
    start();
    EXPECT_EQ(session("admin\nwrong-but-no-matter\nGET /etc/a.txt\n", {"-P", "pw", "-h", "127.0.0.2"}), 0);
    // -h was overridden by the trailing host; the port is right, so only the typed lines matter here.
    tovactest::TestShell other;
    other.input("admin\npw\nGET /etc/a.txt\n");
    std::vector<const char*> argv = {"tovac", "-p", "1", "127.0.0.1"};
    EXPECT_EQ(tovac::shell_main(other.state, 4, argv.data()), 0);
    EXPECT_EQ(other.state.connection, nullptr);
    EXPECT_NE(other.messages().find("tovac> No connection\ntovac> \nDone.\n"), std::string::npos) << other.messages();
}

TEST_F(InteractiveShell, EmptyPasswordLineGivesAnEmptyPasswordNotNone) {
    start();
    fw.put("etc/a.txt", "a\n");
    // An empty password is still a password: the handshake runs (and this firewall refuses it).
    EXPECT_EQ(session("admin\n\nGET -o " + out("a.txt") + " /etc/a.txt\n"), 0);
    EXPECT_NE(shell.messages().find("Remote Password: tovac> Error -1\n"), std::string::npos) << shell.messages();
    EXPECT_FALSE(fs::exists(out("a.txt")));
}

TEST_F(InteractiveShell, PasswordChallengeIsAnsweredAndThePutRepeated) {
    start({"--challenge", "basic realm=\"password\""});
    testsupport::writeFile(out("in.txt"), "content\n");
    EXPECT_EQ(session("admin\npw\nPUT -i " + out("in.txt") + " /etc/x.txt\n"), 0);
    EXPECT_EQ(fw.get("etc/x.txt"), "content\n");
    EXPECT_TRUE(fw.sim.wait_for_log("POST /etc/x.txt -> 401")) << fw.sim.log();
    EXPECT_TRUE(fw.sim.wait_for_log("POST /etc/x.txt -> 200")) << fw.sim.log();
    EXPECT_EQ(shell.state.request_headers, "Authorization: YWRtaW46cGFzc3dvcmQ=\r\n");  // admin:password
}

TEST_F(InteractiveShell, ChalnoechoChallengeIsAnsweredWithoutAPrompt) {
    start({"--challenge", "chalnoecho4711"});
    testsupport::writeFile(out("in.txt"), "content\n");
    EXPECT_EQ(session("admin\npw\nPUT -i " + out("in.txt") + " /etc/x.txt\nHELP\n"), 0);
    EXPECT_EQ(fw.get("etc/x.txt"), "content\n");
    EXPECT_EQ(shell.messages().find("admin: "), std::string::npos);
    EXPECT_EQ(shell.state.request_headers, "Authorization: YWRtaW46NDcxMQ==\r\n");  // admin:4711
}

TEST_F(InteractiveShell, TypedChallengeAnswerIsReadFromTheInput) {
    start({"--challenge", "realm=\"One-time code\""});
    testsupport::writeFile(out("in.txt"), "content\n");
    EXPECT_EQ(session("admin\npw\nPUT -i " + out("in.txt") + " /etc/x.txt\n998877\n"), 0);
    EXPECT_EQ(fw.get("etc/x.txt"), "content\n");
    EXPECT_NE(shell.messages().find("tovac> admin: One-time code tovac> "), std::string::npos) << shell.messages();
}

TEST_F(InteractiveShell, UnansweredChallengeEndsTheSession) {
    start({"--challenge", "realm=\"One-time code\""});
    EXPECT_EQ(session("admin\npw\nPUT -i /dev/null /etc/x.txt"), 0);
    EXPECT_TRUE(shell.messages().ends_with("admin: One-time code \nDone.\n")) << shell.messages();
    EXPECT_FALSE(fs::exists(fw.root() / "etc/x.txt"));
}

TEST_F(InteractiveShell, GetAnsweredWithAChallengeIsRetriedOnceAndSaysWhy) {
    start({"--challenge", "basic realm=\"password\""});
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(session("admin\npw\nGET /etc/a.txt HELP\n"), 0);
    const std::string messages = shell.messages();
    EXPECT_NE(messages.find("tovac> GET requests carry no Authorization line\nError 401\nget [-o outfile]"),
              std::string::npos)
        << messages;
    EXPECT_TRUE(messages.ends_with("tovac> \nDone.\n"));
}

TEST_F(InteractiveShell, OutputFileThatCannotBeOpenedFailsWithoutAskingForCredentials) {
    start();
    fw.put("etc/a.txt", "a\n");
    EXPECT_EQ(session("admin\npw\nGET -o /nonexistent/dir/a.txt /etc/a.txt\nHELP\n"), 0);
    const std::string messages = shell.messages();
    // (The client library reports the file itself on the process's standard error.)
    EXPECT_NE(messages.find("tovac> Error 401\ntovac> get "), std::string::npos) << messages;
    EXPECT_TRUE(shell.state.request_headers.empty());
}

TEST_F(InteractiveShell, RepeatedChallengeWithErrorOnExitEndsTheSession) {
    start({"--challenge", "basic realm=\"password\""});
    EXPECT_EQ(session("admin\npw\n-X GET /etc/a.txt\nHELP\n"), 0);
    EXPECT_TRUE(shell.messages().ends_with("tovac> GET requests carry no Authorization line\n\nDone.\n"))
        << shell.messages();
}

}  // namespace
