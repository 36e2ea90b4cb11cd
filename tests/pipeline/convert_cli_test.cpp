// upgrade-cli convert, end to end: the sample configurations converted offline, the pairing of
// interfaces (by address, by --pair, refused without a terminal), aborts that keep the working
// directory's files, and the command line's usage errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kSource = PROJECT_SOURCE_DIR;
const std::string kProgram = std::string(PROJECT_BINARY_DIR) + "/cli/upgrade-cli";
const std::string kOld = kSource + "/data/samples/branch-5x.conf";
const std::string kInit = kSource + "/data/samples/init-60.conf";
const std::string kReaddressed = kSource + "/data/samples/init-60-readdressed.conf";
const std::string kTemplate = kSource + "/data/5xTo60.tpl";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

class ConvertCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = fs::temp_directory_path() /
                  ("convert_cli_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        workdir = scratch / "work";
    }
    void TearDown() override { fs::remove_all(scratch); }

    // Runs upgrade-cli with the arguments (already quoted where needed) in directory cwd, standard
    // input from /dev/null (not a terminal); returns the exit status and keeps both outputs.
    int run(const std::string& arguments, const fs::path& cwd = {}) {
        const fs::path out = scratch / "stdout";
        const fs::path err = scratch / "stderr";
        std::string command = "cd " + quote(cwd.empty() ? scratch.string() : cwd.string()) + " && " +
                              quote(kProgram) + " " + arguments + " >" + quote(out.string()) + " 2>" +
                              quote(err.string()) + " </dev/null";
        const int status = std::system(command.c_str());
        output = readFile(out);
        errors = readFile(err);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string convert(const std::string& extra) {
        return "convert --old " + quote(kOld) + " --template " + quote(kTemplate) + " --workdir " +
               quote(workdir.string()) + " " + extra;
    }

    std::string log() const { return readFile(workdir / "5xto60.log"); }

    fs::path scratch;
    fs::path workdir;
    std::string output;
    std::string errors;
};

// ---- The samples --------------------------------------------------------------------------------

TEST_F(ConvertCliTest, SamplesPairedByAddressGiveTheReviewedFinalConfiguration) {
    ASSERT_EQ(run(convert("--new " + quote(kInit))), 0) << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-final.conf"));
    EXPECT_EQ(readFile(workdir / "kestrane.conf.PRE60UPGRADE"), readFile(kOld));
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6INIT"), readFile(kInit));
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));

    const std::string text = log();
    const std::string dir = workdir.string() + "/";
    for (const std::string& line : std::vector<std::string>{
             "Upgrade Wizard started\n", "Starting conversion...\nFile loaded and parsed\nParsing interfaces.\n",
          "Conversion complete...\n", "Converted file saved to " + dir + "kestrane.conf.5xCONVERT\n",
          "Merging old configuration with new configuration...\nNew file loaded and parsed...\n",
          "Merge complete\nPostprocessing...\n", "Postprocessing complete\n",
          "Merged file saved to " + dir + "kestrane.conf.6FINAL\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << "missing from the log: " << line;
    }
    EXPECT_EQ(text.find("Interface merge help"), std::string::npos);

    const std::string warnings = readFile(workdir / "warnings.txt");
    EXPECT_NE(warnings.find("NAT/INAT rules may not be bound to a \"*\" interface"), std::string::npos);
    EXPECT_NE(output.find("Final configuration:     " + dir + "kestrane.conf.6FINAL"), std::string::npos);
    EXPECT_NE(output.find("4 proxy rules, 3 NAT rules, 1 INAT rules, 5 forward and 4 local packet filter rules"),
              std::string::npos)
        << output;
}

TEST_F(ConvertCliTest, ConvertOnlyStopsAfterTheConvertedFile) {
    ASSERT_EQ(run(convert("")), 0) << errors;
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6INIT"));
    // The converted file holds the old tree after the first section: the proxy sources are objects.
    EXPECT_NE(readFile(workdir / "kestrane.conf.5xCONVERT").find("rule_proxy_5_src=net_ipnet_10-10-0-0-ipmask-class-b\n"),
              std::string::npos);
}

// ---- Pairing ------------------------------------------------------------------------------------

TEST_F(ConvertCliTest, UnpairedInterfacesWithoutATerminalAreListedAndNothingIsMerged) {
    ASSERT_EQ(run(convert("--new " + quote(kReaddressed))), 3);
    EXPECT_NE(errors.find("give --pair OLDDEV=NEWDEV"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  eth1 - 10.10.0.1 - inside  (no partner)\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  int0 - 10.20.0.1 - inside\n"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_NE(log().find("Interface merge help will be needed...\nAborting merge!\n"), std::string::npos);
}

TEST_F(ConvertCliTest, PairsGivenUpFrontMoveEveryReferenceToTheNewDevices) {
    ASSERT_EQ(run(convert("--new " + quote(kReaddressed) + " --pair eth0=ext0 --pair eth1=int0 --pair eth2=dmz0")),
              0)
        << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-readdressed-final.conf"));
    EXPECT_NE(log().find("Interface merge help will be needed...\nInterface merge complete.\n"), std::string::npos);
}

TEST_F(ConvertCliTest, PairsThatLeaveAnInterfaceUnpairedStillNeedPairing) {
    EXPECT_EQ(run(convert("--new " + quote(kReaddressed) + " --pair eth0=ext0 --pair eth1=int0")), 3);
    EXPECT_NE(errors.find("  eth0 - 198.51.100.10 - outside  (paired with ext0)\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  eth2 - 172.16.5.1 - dmz  (no partner)\n"), std::string::npos) << errors;
}

TEST_F(ConvertCliTest, PairNamingAnUnknownDeviceIsAUsageError) {
    EXPECT_EQ(run(convert("--new " + quote(kReaddressed) +
                          " --pair eth0=ext0 --pair eth1=int0 --pair eth2=dmz9")),
              2);
    EXPECT_NE(errors.find("--pair eth2=dmz9: the new firewall has no interface dmz9"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
}

TEST_F(ConvertCliTest, PairsAreNotUsedWhenTheAddressesPairEveryInterface) {
    ASSERT_EQ(run(convert("--new " + quote(kInit) + " --pair eth0=eth3")), 0) << errors;
    EXPECT_NE(errors.find("--pair was not needed and was not used"), std::string::npos) << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-final.conf"));
}

// On a terminal the command asks; `script` gives it one, fed from a pipe.
TEST_F(ConvertCliTest, OnATerminalEachUnpairedInterfaceIsAskedFor) {
    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script(1) is not installed";
    const std::string command = quote(kProgram) + " " + convert("--new " + quote(kReaddressed) + " --pair eth1=int0");
    const fs::path transcript = scratch / "transcript";
    // A wrong answer is asked again; eth0 and eth2 are asked for, eth1 is not.
    const std::string shell = "printf 'x\\n9\\n1\\n3\\n' | script -qec " + quote(command) + " /dev/null >" +
                              quote(transcript.string()) + " 2>&1";
    const int status = std::system(shell.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << readFile(transcript);
    const std::string text = readFile(transcript);
    EXPECT_NE(text.find("Old interface eth0 - 198.51.100.10 - outside"), std::string::npos) << text;
    EXPECT_NE(text.find("  3) dmz0 - 172.16.50.1 - dmz"), std::string::npos) << text;
    EXPECT_NE(text.find("Please answer with a number from 1 to 4."), std::string::npos) << text;
    EXPECT_EQ(text.find("Old interface eth1 "), std::string::npos) << text;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-readdressed-final.conf"));

    // Input that ends before every interface has a partner: nothing is merged.
    fs::remove_all(workdir);
    const std::string shortInput = "printf '1\\n' | script -qec " + quote(command) + " /dev/null >" +
                                   quote(transcript.string()) + " 2>&1";
    const int shortStatus = std::system(shortInput.c_str());
    ASSERT_TRUE(WIFEXITED(shortStatus));
    EXPECT_EQ(WEXITSTATUS(shortStatus), 3) << readFile(transcript);
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
}

// ---- Aborts keep the working directory ----------------------------------------------------------

TEST_F(ConvertCliTest, OldConfigurationWithoutInterfacesAbortsAndSaysWhy) {
    const fs::path old = scratch / "no-interfaces.conf";
    std::ofstream(old) << "system_hostname=fw\nrule_proxy_1_action=allow\n";
    ASSERT_EQ(run("convert --old " + quote(old.string()) + " --new " + quote(kInit) + " --template " +
                  quote(kTemplate) + " --workdir " + quote(workdir.string())),
              1);
    EXPECT_NE(errors.find("No physical interfaces found on system - cannot continue upgrade"), std::string::npos)
        << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.PRE60UPGRADE"), readFile(old));
    EXPECT_TRUE(fs::exists(workdir / "warnings.txt"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    const std::string text = log();
    EXPECT_NE(text.find("parse5xInterfaces: No physical interfaces found on system - cannot continue upgrade\n"
                        "Aborting conversion!\n"
                        "No physical interfaces found on system - cannot continue upgrade\n"
                        "Unable to continue with upgrade until problem is resolved\n"
                        "Upgrade Wizard shut down normally\n"),
              std::string::npos)
        << text;
}

TEST_F(ConvertCliTest, FinalFileThatCannotBeWrittenFailsTheMerge) {
    fs::create_directories(workdir / "kestrane.conf.6FINAL");  // a directory where the file should go
    EXPECT_EQ(run(convert("--new " + quote(kInit))), 1);
    EXPECT_NE(errors.find("Unable to save merged file: "), std::string::npos) << errors;
    const std::string text = log();
    EXPECT_EQ(text.find("Merged file saved to"), std::string::npos);
    EXPECT_NE(text.find("Aborting postprocessing!\nUnable to save merged file: "), std::string::npos) << text;
}

TEST_F(ConvertCliTest, ConvertedFileThatCannotBeWrittenFailsTheConversion) {
    fs::create_directories(workdir / "kestrane.conf.5xCONVERT");
    EXPECT_EQ(run(convert("--new " + quote(kInit))), 1);
    const std::string text = log();
    EXPECT_EQ(text.find("Converted file saved to"), std::string::npos);
    EXPECT_NE(text.find("Aborting conversion!\nUnable to save converted file: "), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6INIT"));
}

TEST_F(ConvertCliTest, RunningAgainFromTheWorkingDirectorysOwnCopyKeepsIt) {
    ASSERT_EQ(run(convert("")), 0) << errors;
    const std::string saved = (workdir / "kestrane.conf.PRE60UPGRADE").string();
    ASSERT_EQ(run("convert --old " + quote(saved) + " --template " + quote(kTemplate) + " --workdir " +
                  quote(workdir.string())),
              0)
        << errors;
    EXPECT_EQ(readFile(saved), readFile(kOld));
}

// ---- Command line -------------------------------------------------------------------------------

TEST_F(ConvertCliTest, TemplateIsFoundInTheCurrentDirectoryThenBesideTheProgram) {
    // Beside the program: the build puts the sample script there.
    ASSERT_EQ(run("convert --old " + quote(kOld) + " --workdir " + quote(workdir.string())), 0) << errors;
    // In the current directory, before the one beside the program.
    std::ofstream(scratch / "5xTo60.tpl") << "user_error picked the local script\n";
    EXPECT_EQ(run("convert --old " + quote(kOld) + " --workdir " + quote(workdir.string())), 1);
    EXPECT_NE(errors.find("picked the local script"), std::string::npos) << errors;
}

TEST_F(ConvertCliTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run("convert --workdir " + quote(workdir.string())), 2);  // no --old
    EXPECT_EQ(run("convert --old " + quote(kOld)), 2);                  // no --workdir
    EXPECT_EQ(run(convert("--pair eth0=ext0")), 2);                     // --pair without --new
    EXPECT_NE(errors.find("--pair needs --new"), std::string::npos);
    EXPECT_EQ(run(convert("--new " + quote(kInit) + " --pair eth0")), 2);
    EXPECT_EQ(run("convert --old " + quote((scratch / "missing.conf").string()) + " --workdir " +
                  quote(workdir.string())),
              2);
    EXPECT_NE(errors.find("cannot read the old configuration"), std::string::npos);
    EXPECT_EQ(run("convert --old " + quote(kOld) + " --template " + quote((scratch / "none.tpl").string()) +
                  " --workdir " + quote(workdir.string())),
              2);
    EXPECT_NE(errors.find("cannot read the template script"), std::string::npos);
    EXPECT_FALSE(fs::exists(workdir / "5xto60.log")) << "nothing is started on a usage error";
    EXPECT_EQ(run("convert --help"), 0);
    EXPECT_NE(output.find("--pair"), std::string::npos);
}

}  // namespace
