// upgrade-cli convert, end to end: the sample configurations converted offline, the pairing of
// interfaces (by address, by --pair, refused without a terminal), aborts that keep the working
// directory's files, and the command line's usage errors.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_cli_fixture.h"

namespace fs = std::filesystem;

namespace {

using namespace convertcli;

// ---- The samples --------------------------------------------------------------------------------

TEST_F(ConvertCliTest, SamplesPairedByAddressGiveTheReviewedFinalConfiguration) {
    ASSERT_EQ(run(convert({"--new", kInit})), 0) << errors;
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
    ASSERT_EQ(run(convert()), 0) << errors;
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6INIT"));
    // The converted file holds the old tree after the first section: the proxy sources are objects.
    EXPECT_NE(
        readFile(workdir / "kestrane.conf.5xCONVERT").find("rule_proxy_5_src=net_ipnet_10-10-0-0-ipmask-class-b\n"),
        std::string::npos);
}

// ---- Pairing ------------------------------------------------------------------------------------

TEST_F(ConvertCliTest, UnpairedInterfacesWithoutATerminalAreListedAndNothingIsMerged) {
    ASSERT_EQ(run(convert({"--new", kReaddressed})), 3);
    EXPECT_NE(errors.find("give --pair OLDDEV=NEWDEV"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  eth1 - 10.10.0.1 - inside  (no partner)\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  int0 - 10.20.0.1 - inside\n"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_NE(log().find("Interface merge help will be needed...\nAborting merge!\n"), std::string::npos);
}

TEST_F(ConvertCliTest, PairsGivenUpFrontMoveEveryReferenceToTheNewDevices) {
    ASSERT_EQ(
        run(convert({"--new", kReaddressed, "--pair", "eth0=ext0", "--pair", "eth1=int0", "--pair", "eth2=dmz0"})), 0)
        << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-readdressed-final.conf"));
    EXPECT_NE(log().find("Interface merge help will be needed...\nInterface merge complete.\n"), std::string::npos);
}

TEST_F(ConvertCliTest, PairsThatLeaveAnInterfaceUnpairedStillNeedPairing) {
    EXPECT_EQ(run(convert({"--new", kReaddressed, "--pair", "eth0=ext0", "--pair", "eth1=int0"})), 3);
    EXPECT_NE(errors.find("  eth0 - 198.51.100.10 - outside  (paired with ext0)\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("  eth2 - 172.16.5.1 - dmz  (no partner)\n"), std::string::npos) << errors;
}

TEST_F(ConvertCliTest, PairNamingAnUnknownDeviceIsAUsageError) {
    EXPECT_EQ(
        run(convert({"--new", kReaddressed, "--pair", "eth0=ext0", "--pair", "eth1=int0", "--pair", "eth2=dmz9"})), 2);
    EXPECT_NE(errors.find("--pair eth2=dmz9: the new firewall has no interface dmz9"), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
}

TEST_F(ConvertCliTest, PairsAreNotUsedWhenTheAddressesPairEveryInterface) {
    ASSERT_EQ(run(convert({"--new", kInit, "--pair", "eth0=eth3"})), 0) << errors;
    EXPECT_NE(errors.find("--pair was not needed and was not used"), std::string::npos) << errors;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-final.conf"));
}

// On a terminal the command asks; `script` gives it one, with the answers as its standard input.
TEST_F(ConvertCliTest, OnATerminalEachUnpairedInterfaceIsAskedFor) {
    if (testsupport::runProgram({"script", "--version"}).status == 127) GTEST_SKIP() << "script(1) is not installed";
    // What the terminal showed: script copies it to its standard output; its own faults go to its
    // standard error.
    const Args onTerminal{"script", "-qec", shellLine(command(convert({"--new", kReaddressed, "--pair", "eth1=int0"}))),
                          "/dev/null"};
    testsupport::RunOptions options = runOptions();
    // A wrong answer is asked again; eth0 and eth2 are asked for, eth1 is not.
    options.input = "x\n9\n1\n3\n";
    const testsupport::RunResult answered = testsupport::runProgram(onTerminal, options);
    const std::string text = answered.out + answered.err;
    ASSERT_NE(answered.status, -1) << "did not end in time: " << text;
    EXPECT_EQ(answered.status, 0) << text;
    EXPECT_NE(text.find("Old interface eth0 - 198.51.100.10 - outside"), std::string::npos) << text;
    EXPECT_NE(text.find("  3) dmz0 - 172.16.50.1 - dmz"), std::string::npos) << text;
    EXPECT_NE(text.find("Please answer with a number from 1 to 4."), std::string::npos) << text;
    EXPECT_EQ(text.find("Old interface eth1 "), std::string::npos) << text;
    EXPECT_EQ(readFile(workdir / "kestrane.conf.6FINAL"),
              readFile(kSource + "/tests/pipeline/expected/branch-readdressed-final.conf"));

    // Input that ends before every interface has a partner: nothing is merged.
    fs::remove_all(workdir);
    options.input = "1\n";
    const testsupport::RunResult cutShort = testsupport::runProgram(onTerminal, options);
    ASSERT_NE(cutShort.status, -1) << "did not end in time: " << cutShort.out << cutShort.err;
    EXPECT_EQ(cutShort.status, 3) << cutShort.out << cutShort.err;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));
}

// ---- Aborts keep the working directory ----------------------------------------------------------

TEST_F(ConvertCliTest, OldConfigurationWithoutInterfacesAbortsAndSaysWhy) {
    const fs::path old = scratch / "no-interfaces.conf";
    ASSERT_TRUE(testsupport::writeFile(old, "system_hostname=fw\nrule_proxy_1_action=allow\n"));
    ASSERT_EQ(
        run({"convert", "--old", old.string(), "--new", kInit, "--template", kTemplate, "--workdir", workdir.string()}),
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
    EXPECT_EQ(run(convert({"--new", kInit})), 1);
    EXPECT_NE(errors.find("Unable to save merged file: "), std::string::npos) << errors;
    const std::string text = log();
    EXPECT_EQ(text.find("Merged file saved to"), std::string::npos);
    EXPECT_NE(text.find("Aborting postprocessing!\nUnable to save merged file: "), std::string::npos) << text;
}

TEST_F(ConvertCliTest, ConvertedFileThatCannotBeWrittenFailsTheConversion) {
    fs::create_directories(workdir / "kestrane.conf.5xCONVERT");
    EXPECT_EQ(run(convert({"--new", kInit})), 1);
    const std::string text = log();
    EXPECT_EQ(text.find("Converted file saved to"), std::string::npos);
    EXPECT_NE(text.find("Aborting conversion!\nUnable to save converted file: "), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6INIT"));
}

TEST_F(ConvertCliTest, RunningAgainFromTheWorkingDirectorysOwnCopyKeepsIt) {
    ASSERT_EQ(run(convert()), 0) << errors;
    const std::string saved = (workdir / "kestrane.conf.PRE60UPGRADE").string();
    ASSERT_EQ(run({"convert", "--old", saved, "--template", kTemplate, "--workdir", workdir.string()}), 0) << errors;
    EXPECT_EQ(readFile(saved), readFile(kOld));
}

// ---- Command line -------------------------------------------------------------------------------

TEST_F(ConvertCliTest, TemplateIsFoundInTheCurrentDirectoryThenBesideTheProgram) {
    // Beside the program: the build puts the sample script there.
    ASSERT_EQ(run({"convert", "--old", kOld, "--workdir", workdir.string()}), 0) << errors;
    // In the current directory, before the one beside the program.
    ASSERT_TRUE(testsupport::writeFile(scratch / "5xTo60.tpl", "user_error picked the local script\n"));
    EXPECT_EQ(run({"convert", "--old", kOld, "--workdir", workdir.string()}), 1);
    EXPECT_NE(errors.find("picked the local script"), std::string::npos) << errors;
}

TEST_F(ConvertCliTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(run({"convert", "--workdir", workdir.string()}), 2);  // no --old
    EXPECT_EQ(run({"convert", "--old", kOld}), 2);                  // no --workdir
    EXPECT_EQ(run(convert({"--pair", "eth0=ext0"})), 2);            // --pair without --new
    EXPECT_NE(errors.find("--pair needs --new"), std::string::npos);
    EXPECT_EQ(run(convert({"--new", kInit, "--pair", "eth0"})), 2);
    EXPECT_EQ(run({"convert", "--old", scratch.file("missing.conf"), "--workdir", workdir.string()}), 2);
    EXPECT_NE(errors.find("cannot read the old configuration"), std::string::npos);
    EXPECT_EQ(run({"convert", "--old", kOld, "--template", scratch.file("none.tpl"), "--workdir", workdir.string()}),
              2);
    EXPECT_NE(errors.find("cannot read the template script"), std::string::npos);
    EXPECT_FALSE(fs::exists(workdir / "5xto60.log")) << "nothing is started on a usage error";
    EXPECT_EQ(run({"convert", "--help"}), 0);
    EXPECT_NE(output.find("--pair"), std::string::npos);
}

}  // namespace
