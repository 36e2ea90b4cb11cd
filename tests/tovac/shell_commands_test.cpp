// The command interpreter without a firewall: the commands that need none, and GET / PUT on no
// connection or on a connection that fails.
#include <gtest/gtest.h>

#include "tests/tovac/tovac_test_support.h"
#include "util/tovad/shell_commands.h"
#include "util/tovad/shell_connect.h"

namespace {

class Commands : public ::testing::Test {
protected:
    tovactest::TestShell shell;
    int run(std::vector<const char*> words) {
        return tovac::shell_run_command(shell.state, static_cast<int>(words.size()), words.data());
    }
    void go_offline() { shell.state.connection = tovac::open_offline_connection(); }
};

TEST_F(Commands, HelpPrintsTheSixLinesInOrder) {
    EXPECT_EQ(run({"HELP", "ignored"}), 0);
    EXPECT_EQ(shell.messages(), "get [-o outfile] filename\n"
                                "put [-i infile] [-o outfile] filename\n"
                                "help        print this message\n"
                                "quit        exit the program\n"
                                "verbose     toggles verbose mode\n"
                                "-X          toggles error on exit.\n");
}

TEST_F(Commands, VerAndVerboseBothToggleVerboseMode) {
    EXPECT_EQ(run({"VERBOSE"}), 0);
    EXPECT_TRUE(shell.state.verbose);
    EXPECT_EQ(run({"VER"}), 0);
    EXPECT_FALSE(shell.state.verbose);
    EXPECT_EQ(run({"VERY"}), 0);
    EXPECT_EQ(shell.messages(), "Verbose on\nVerbose off\nVerbose on\n");
}

TEST_F(Commands, CommandsAreUpperCaseOnly) {
    for (const char* word : {"get", "Get", "verbose", "help", "quit", "put", "-x", "VE"}) {
        tovactest::TestShell fresh;
        std::vector<const char*> words = {word, "/etc/x"};
        EXPECT_EQ(tovac::shell_run_command(fresh.state, 2, words.data()), 0) << word;
        EXPECT_EQ(fresh.messages(), std::string("unknown command ") + word + "\n");
    }
}

TEST_F(Commands, QuitStopsAndDashXTogglesErrorOnExit) {
    EXPECT_EQ(run({"QUIT", "GET", "x"}), -1);
    EXPECT_EQ(run({"-X"}), 0);
    EXPECT_TRUE(shell.state.error_on_exit);
    EXPECT_EQ(run({"-X"}), 0);
    EXPECT_FALSE(shell.state.error_on_exit);
    EXPECT_EQ(shell.messages(), "");
}

TEST_F(Commands, GetWithoutANameUsesNothing) {
    go_offline();
    EXPECT_EQ(run({"GET"}), 0);
    EXPECT_EQ(run({"GET", "-o", "out"}), 0);
    EXPECT_EQ(shell.messages(), "");
}

TEST_F(Commands, WithoutAConnectionGetAndPutReportItAndSkipTheirWords) {
    EXPECT_EQ(run({"GET", "/etc/a", "HELP"}), 1);
    EXPECT_EQ(run({"GET", "-o", "out", "/etc/a"}), 3);
    EXPECT_EQ(run({"PUT", "-i", "in", "/etc/a"}), 4);  // the whole group
    EXPECT_EQ(shell.messages(), "No connection\nNo connection\nNo connection\n");
    shell.state.error_on_exit = true;
    EXPECT_EQ(run({"GET", "/etc/a"}), -1);
}

TEST_F(Commands, FailedConnectionGivesErrorMinusOneOrStopsWithErrorOnExit) {
    go_offline();
    EXPECT_EQ(run({"GET", "/etc/a", "next"}), 1);
    EXPECT_EQ(shell.messages(), "Error -1\n");
    go_offline();
    shell.state.error_on_exit = true;
    // -1 must stay a stop: its negation would read as "one word used" and the run would go on.
    EXPECT_EQ(run({"GET", "/etc/a"}), -1);
}

TEST_F(Commands, PutOptionPairsAndTheirFaults) {
    go_offline();
    EXPECT_EQ(run({"PUT", "-x", "v", "/etc/a"}), 0);  // unknown option letter
    EXPECT_EQ(run({"PUT", "-i"}), 0);                 // pair runs past the words
    EXPECT_EQ(run({"POST", "-o", "out"}), 0);         // no name
    EXPECT_EQ(shell.messages(), "");
}

TEST_F(Commands, PutWithAnInputFileThatCannotBeOpenedSaysSo) {
    go_offline();
    EXPECT_EQ(run({"PUT", "-i", "/nonexistent/in.txt", "/etc/a", "HELP"}), 3);
    EXPECT_EQ(shell.messages(), "failed to open /nonexistent/in.txt for input\n");
    shell.state.error_on_exit = true;
    EXPECT_EQ(run({"PUT", "-i", "/nonexistent/in.txt", "/etc/a"}), -1);
}

TEST_F(Commands, NamesThatWouldBreakTheRequestLineAreRefused) {
    go_offline();
    EXPECT_EQ(run({"GET", "/etc/a HTTP/1.0\r\nAuthorization: x"}), 1);
    EXPECT_EQ(run({"POST", "/etc/\x7f"}), 1);
    EXPECT_EQ(run({"GET", ""}), 1);
    EXPECT_EQ(shell.messages(), "Bad file name\nBad file name\nBad file name\n");
}

TEST_F(Commands, PutFromStandardInputOnAFailedConnectionReadsTheInput) {
    go_offline();
    shell.input("body line\n");
    EXPECT_EQ(run({"PUT", "/etc/a"}), 1);
    EXPECT_EQ(shell.unread(), "");
    EXPECT_EQ(shell.messages(), "Error -1\n");
}

}  // namespace
