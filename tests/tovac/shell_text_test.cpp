// The shell's line reading, word splitting, Base64 and the Authorization line built after a challenge.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>

#include <array>
#include <thread>

#include "tests/tovac/tovac_test_support.h"
#include "util/tovad/shell_auth.h"
#include "util/tovad/shell_input.h"

namespace {

using tovac::LineStatus;

TEST(ShellInput, WordsAreSplitAtBlanksTabsAndLineEnds) {
    EXPECT_EQ(tovac::shell_split_words("  GET\t-o  out.txt /etc/x\r\n"),
              (std::vector<std::string>{"GET", "-o", "out.txt", "/etc/x"}));
    EXPECT_TRUE(tovac::shell_split_words(" \t\r\n").empty());
    EXPECT_EQ(tovac::shell_trim("\t  host.example more\n"), "host.example");
    EXPECT_EQ(tovac::shell_trim("   "), "");
    char line[] = "secret with blank\r\nrest";
    tovac::shell_cut_eol(line);
    EXPECT_STREQ(line, "secret with blank");
}

TEST(ShellInput, OverLongLineIsConsumedWholeAndNotSplitIntoTheNextLine) {
    tovactest::TestShell shell;
    shell.input(std::string(300, 'a') + "\nHELP\nlast");
    std::array<char, tovac::kLineMax + 1> line{};
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::TooLong);
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::Ok);
    EXPECT_STREQ(line.data(), "HELP");
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::Ok);
    EXPECT_STREQ(line.data(), "last");  // a last line without its LF is still a line
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::EndOfInput);
}

TEST(ShellInput, LineOfExactlyTheLimitIsAccepted) {
    tovactest::TestShell shell;
    shell.input(std::string(tovac::kLineMax, 'x') + "\n\n");
    std::array<char, tovac::kLineMax + 1> line{};
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::Ok);
    EXPECT_EQ(std::string(line.data()).size(), tovac::kLineMax);
    EXPECT_EQ(tovac::read_line(shell.state.in, line.data(), tovac::kLineMax), LineStatus::Ok);
    EXPECT_STREQ(line.data(), "");  // an empty line is a line, not the end
}

TEST(ShellInput, SecretLineOnATerminalIsReadWithoutEchoAndTheEchoComesBack) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::FILE* in = ::fdopen(slave, "r");
    std::FILE* err = std::tmpfile();
    std::array<char, tovac::kLineMax + 1> line{};
    LineStatus status = LineStatus::EndOfInput;
    std::thread reader([&] { status = tovac::read_secret_line(in, err, line.data(), tovac::kLineMax); });
    termios t{};
    for (int i = 0; i < 500; ++i) {  // until the reader has switched the echo off
        ASSERT_EQ(::tcgetattr(slave, &t), 0);
        if ((t.c_lflag & ECHO) == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(t.c_lflag & ECHO, 0u);
    ASSERT_EQ(::write(master, "hidden\n", 7), 7);
    reader.join();
    EXPECT_EQ(status, LineStatus::Ok);
    EXPECT_STREQ(line.data(), "hidden");
    ASSERT_EQ(::tcgetattr(slave, &t), 0);
    EXPECT_NE(t.c_lflag & ECHO, 0u);
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char shown[64] = {};
    const ssize_t n = ::read(master, shown, sizeof shown - 1);
    EXPECT_EQ(std::string(shown, n > 0 ? static_cast<std::size_t>(n) : 0).find("hidden"), std::string::npos);
    EXPECT_EQ(tovactest::read_stream(err), "\n");
    std::fclose(err);
    std::fclose(in);
    ::close(master);
}

TEST(Base64, EncodesTheStandardVectorsWithPadding) {
    EXPECT_EQ(tovac::base64_encode(""), "");
    EXPECT_EQ(tovac::base64_encode("f"), "Zg==");
    EXPECT_EQ(tovac::base64_encode("fo"), "Zm8=");
    EXPECT_EQ(tovac::base64_encode("foo"), "Zm9v");
    EXPECT_EQ(tovac::base64_encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(tovac::base64_encode(std::string("\xff\xfe\x00", 3)), "//4A");
    EXPECT_EQ(tovac::base64_encode("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

class Authorization : public ::testing::Test {
protected:
    tovactest::TestShell shell;
    void SetUp() override { shell.state.user = "admin"; }
    std::string header_for(const std::string& credential) {
        return "Authorization: " + tovac::base64_encode(credential) + "\r\n";
    }
};

TEST_F(Authorization, PasswordChallengeSendsTheTextItselfWithoutAsking) {
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "basic realm=\"password\""), 0);
    EXPECT_EQ(shell.state.request_headers, header_for("admin:password"));
    EXPECT_EQ(shell.messages(), "");  // nothing prompted
}

TEST_F(Authorization, ChalnoechoSendsWhatFollowsTheKeyword) {
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "basic \t realm=\"chalnoechoRESPONSE-42\""), 0);
    EXPECT_EQ(shell.state.request_headers, header_for("admin:RESPONSE-42"));
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "chalnoecho"), 0);
    EXPECT_EQ(shell.state.request_headers, header_for("admin:"));
}

TEST_F(Authorization, OtherChallengesAreShownAndTheTypedLineAnswersThem) {
    shell.input("token 1234\r\nnext line\n");
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "basic realm=\"Enter token\""), 0);
    EXPECT_EQ(shell.messages(), "admin: Enter token ");
    EXPECT_EQ(shell.state.request_headers, header_for("admin:token 1234"));  // CR LF removed
    EXPECT_EQ(shell.unread(), "next line\n");
}

TEST_F(Authorization, EndOfInputOrAnOverLongAnswerFails) {
    shell.state.request_headers = "kept";
    EXPECT_EQ(tovac::shell_build_authorization(shell.state, "realm=\"Code\""), 1);
    shell.input(std::string(tovac::kAnswerMax + 1, 'z') + "\nQUIT\n");
    EXPECT_EQ(tovac::shell_build_authorization(shell.state, "realm=\"Code\""), 1);
    EXPECT_EQ(shell.unread(), "QUIT\n");  // the rest of the long answer is not taken as a command
    EXPECT_EQ(shell.state.request_headers, "kept");
}

TEST_F(Authorization, CapitalBasicIsNotSkippedAndRealmWithoutEqualsSignKeepsTheRest) {
    shell.input("x\ny\n");
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "Basic password"), 0);
    EXPECT_EQ(shell.messages(), "admin: Basic password ");
    EXPECT_EQ(shell.state.request_headers, header_for("admin:x"));
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, "realm password"), 0);
    EXPECT_EQ(shell.state.request_headers, header_for("admin:y"));
}

TEST_F(Authorization, AnswerFromTheChallengeIsCutAt255Characters) {
    const std::string long_text = "password" + std::string(400, 'p');
    ASSERT_EQ(tovac::shell_build_authorization(shell.state, long_text.c_str()), 0);
    EXPECT_EQ(shell.state.request_headers, header_for("admin:" + long_text.substr(0, 255)));
}

}  // namespace
