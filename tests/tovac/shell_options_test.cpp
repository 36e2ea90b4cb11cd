// Options of the shell and the key file checks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/tovac/tovac_test_support.h"
#include "util/tovad/shell_options.h"

namespace {

using tovac::OptionsOutcome;

class Options : public ::testing::Test {
protected:
    tovactest::TestShell shell;
    int next = -1;
    OptionsOutcome parse(std::vector<const char*> args) {
        args.insert(args.begin(), "tovac");
        return tovac::parse_options(shell.state, static_cast<int>(args.size()), args.data(), next);
    }
};

TEST_F(Options, ValuesAreTakenFromTheNextArgumentAndOptionsEndAtTheFirstWord) {
    ASSERT_EQ(parse({"-h", "10.0.0.1", "-p", "9001", "-u", "admin", "-U", "auditor", "-t", "5", "-i", "-I", "-d", "GET",
                     "-o", "x"}),
              OptionsOutcome::Run);
    EXPECT_EQ(next, 14);
    EXPECT_EQ(shell.state.host, "10.0.0.1");
    EXPECT_EQ(shell.state.port, 9001);
    EXPECT_EQ(shell.state.user, "admin");
    EXPECT_EQ(shell.state.who, "auditor");
    EXPECT_EQ(shell.state.timeout, 5);
    EXPECT_TRUE(shell.state.interactive && shell.state.prompt && shell.state.debug);
}

TEST_F(Options, HostWithColonSetsThePort) {
    ASSERT_EQ(parse({"-h", "fw.example:9000"}), OptionsOutcome::Run);
    EXPECT_EQ(shell.state.host, "fw.example");
    EXPECT_EQ(shell.state.port, 9000);
}

TEST_F(Options, PortThatIsNotAPortIsRefused) {
    for (const char* bad : {"", "0", "65536", "80x", "-1", "123456"}) {
        tovactest::TestShell fresh;
        std::vector<const char*> args = {"tovac", "-p", bad};
        EXPECT_EQ(tovac::parse_options(fresh.state, 3, args.data(), next), OptionsOutcome::Error) << bad;
        EXPECT_EQ(fresh.messages(), std::string("Bad port ") + bad + "\n");
    }
    EXPECT_EQ(parse({"-h", "1.2.3.4:"}), OptionsOutcome::Error);
}

TEST_F(Options, ValueOptionAsLastArgumentPrintsUsageAndStops) {
    for (const char* option : {"-h", "-p", "-u", "-U", "-P", "-k", "-t"}) {
        tovactest::TestShell fresh;
        std::vector<const char*> args = {"tovac", "-v", option};
        EXPECT_EQ(tovac::parse_options(fresh.state, 3, args.data(), next), OptionsOutcome::Error) << option;
        EXPECT_EQ(fresh.messages(), tovac::kUsage);
    }
}

TEST_F(Options, UsageTextIsExact) {
    EXPECT_STREQ(
        tovac::kUsage,
        "tovac [-h host] [-p port] [-u user] [-U who] [-P pass] [-k keyfile] \\\n[-i] [-v] [-t timeout] [cmds]\n");
    EXPECT_EQ(parse({"--help", "-h"}), OptionsOutcome::Help);
    EXPECT_EQ(shell.messages(), tovac::kUsage);
}

TEST_F(Options, VerboseTogglesAndUnknownLettersAndDashXAreIgnored) {
    ASSERT_EQ(parse({"-v", "-X", "-z", "-", "-v", "-v"}), OptionsOutcome::Run);
    EXPECT_TRUE(shell.state.verbose);
    EXPECT_FALSE(shell.state.error_on_exit);
    EXPECT_EQ(next, 7);
}

TEST_F(Options, PasswordIsKeptToAtMost255Characters) {
    const std::string long_password(300, 'q');
    ASSERT_EQ(parse({"-P", long_password.c_str()}), OptionsOutcome::Run);
    EXPECT_TRUE(shell.state.has_password);
    EXPECT_EQ(std::string(shell.state.password), long_password.substr(0, 255));
}

class KeyFile : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    tovactest::TestShell shell;
    std::filesystem::path key(const std::string& content, mode_t mode) {
        auto path = dir / "key";
        testsupport::writeFile(path, content);
        ::chmod(path.c_str(), mode);
        return path;
    }
};

TEST_F(KeyFile, PrivateRegularFileGivesItsBytesAsThePassword) {
    shell.state.key_path = key("s3cret\n", 0600);
    ASSERT_EQ(tovac::load_key_file(shell.state), 0);
    EXPECT_TRUE(shell.state.has_password);
    EXPECT_STREQ(shell.state.password, "s3cret\n");  // the file's bytes as they are
    shell.state.key_path = key(std::string(400, 'k'), 0400);
    ASSERT_EQ(tovac::load_key_file(shell.state), 0);
    EXPECT_EQ(std::string(shell.state.password), std::string(255, 'k'));
}

TEST_F(KeyFile, MissingFileIsRefusedWithTheMessageOnlyWhenVerbose) {
    shell.state.key_path = (dir / "none").string();
    EXPECT_EQ(tovac::load_key_file(shell.state), -1);
    EXPECT_EQ(shell.messages(), "");
    shell.state.verbose = true;
    EXPECT_EQ(tovac::load_key_file(shell.state), -1);
    EXPECT_EQ(shell.messages(), "Key not found\n");
    EXPECT_FALSE(shell.state.has_password);
}

TEST_F(KeyFile, FileOpenToGroupOrOthersIsRefusedWithItsWholeModeInOctal) {
    shell.state.verbose = true;
    shell.state.key_path = key("pw", 0644);
    EXPECT_EQ(tovac::load_key_file(shell.state), -1);
    EXPECT_EQ(shell.messages(), "Bad file mode 100644 for keyfile");
    tovactest::TestShell other;
    other.state.verbose = true;
    other.state.key_path = key("pw", 0601);
    EXPECT_EQ(tovac::load_key_file(other.state), -1);
    EXPECT_EQ(other.messages(), "Bad file mode 100601 for keyfile");
    EXPECT_FALSE(other.state.has_password);
}

TEST_F(KeyFile, DirectoryAndFifoAreNotRegularFilesAndAreRefusedWithoutWaiting) {
    shell.state.verbose = true;
    std::filesystem::create_directory(dir / "keydir");
    ::chmod((dir / "keydir").c_str(), 0700);
    shell.state.key_path = (dir / "keydir").string();
    EXPECT_EQ(tovac::load_key_file(shell.state), -1);
    EXPECT_EQ(shell.messages(), "Bad file mode  40700 for keyfile");
    tovactest::TestShell other;
    other.state.verbose = true;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    other.state.key_path = (dir / "fifo").string();
    EXPECT_EQ(tovac::load_key_file(other.state), -1);  // no writer: a blocking open would hang here
    EXPECT_EQ(other.messages(), "Bad file mode  10600 for keyfile");
}

TEST_F(KeyFile, PathLongerThanTheOptionHoldsIsRefusedNotCut) {
    shell.state.verbose = true;
    shell.state.key_path = key("pw", 0600).string() + "/" + std::string(300, 'x');
    EXPECT_EQ(tovac::load_key_file(shell.state), -1);
    EXPECT_EQ(shell.messages(), "Key not found\n");
}

}  // namespace
