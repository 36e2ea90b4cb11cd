// upgrade-cli template, end to end: what it writes where, and its exit codes.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "cli_runner.h"

namespace {

class TemplateCommand : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        write("fw.conf", "# old firewall\na_b=1\nhost=x\n");
    }
};

TEST_F(TemplateCommand, RunsTheScriptAndWritesResultAndLogToTheirFiles) {
    write("s.tpl", "[PREPROCESS]\nadd_leaf a_c=2\n");
    const CliResult r = run({"template", path("fw.conf"), path("s.tpl"), "-o", path("out.conf"), "-l", path("run.log"),
                             "-W", path("warn.txt")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");  // not a terminal: no progress dots either
    EXPECT_EQ(read(path("out.conf")), "a_b=1\na_c=2\nhost=x\n");
    const std::string log = read(path("run.log"));
    EXPECT_NE(log.find("Processing 1: [PREPROCESS]\t\nProcessing 2: add_leaf\ta_c=2\n"), std::string::npos);
    EXPECT_NE(log.find("Source file: " + path("fw.conf") + "\n"), std::string::npos);
    EXPECT_EQ(read(path("warn.txt")), "");
}

TEST_F(TemplateCommand, ResultGoesToStandardOutputAndTheLogToStandardErrorByDefault) {
    write("s.tpl", "add_leaf z=9\nuser_warning a_b=** Look at $$\n");
    const CliResult r = run({"template", path("fw.conf"), path("s.tpl")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "a_b=1\nhost=x\nz=9\n");
    EXPECT_NE(r.err.find("Processing 1: add_leaf\tz=9\n"), std::string::npos);
    EXPECT_NE(r.err.find("- Tree End"), std::string::npos);
    // The warning is logged; the warnings themselves are discarded.
    EXPECT_EQ(r.err.find("Look at 1\n\n"), std::string::npos);
}

TEST_F(TemplateCommand, WholeScriptWorksOnTheOneTreeAcrossSectionMarkers) {
    write("s.tpl", "add_leaf p=1\n[MERGE_TREE1]\nadd_leaf q=2\n[merge_tree2]\n[POSTPROCESS]\nadd_leaf r=3\n");
    const CliResult r = run({"template", path("fw.conf"), path("s.tpl"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "a_b=1\nhost=x\np=1\nq=2\nr=3\n");
    const std::string log = read(path("run.log"));
    EXPECT_NE(log.find("Unrecognized verb at line 2: [MERGE_TREE1]\n"), std::string::npos);
    EXPECT_NE(log.find("Processing 5: [POSTPROCESS]\t\n"), std::string::npos);
}

TEST_F(TemplateCommand, UserErrorStopsWithExitOneAndLeavesTheOutputAlone) {
    write("s.tpl", "add_leaf a_b=2\nuser_error Version 4 cannot be upgraded\nadd_leaf late=1\n");
    write("out.conf", "previous=1\n");
    const CliResult r =
        run({"template", path("fw.conf"), path("s.tpl"), "-o", path("out.conf"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Version 4 cannot be upgraded"), std::string::npos) << r.err;
    EXPECT_EQ(read(path("out.conf")), "previous=1\n");
    EXPECT_EQ(read(path("run.log")).find("late=1"), std::string::npos);
}

TEST_F(TemplateCommand, UsageErrorsExitTwoAndHelpExitsZero) {
    write("s.tpl", "add_leaf a=1\n");
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({"template", path("fw.conf")}).code, 2);
    EXPECT_EQ(run({"template", path("fw.conf"), path("s.tpl"), "--bogus"}).code, 2);
    EXPECT_EQ(run({"transmogrify"}).code, 2);
    const CliResult help = run({"template", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--workdir"), std::string::npos);
}

TEST_F(TemplateCommand, UnreadableConfigurationOrScriptExitsTwoWithAMessageAndWritesNothing) {
    write("s.tpl", "add_leaf a=1\n");
    std::filesystem::create_directory(path("adir"));
    const struct {
        std::string config, script, named;
    } cases[] = {
        {path("missing.conf"), path("s.tpl"), path("missing.conf")},
        {path("adir"), path("s.tpl"), path("adir")},
        {path("fw.conf"), path("missing.tpl"), path("missing.tpl")},
        {path("fw.conf"), path("adir"), path("adir")},
    };
    for (const auto& c : cases) {
        const CliResult r = run({"template", c.config, c.script, "-o", path("out.conf")});
        EXPECT_EQ(r.code, 2) << c.config << " " << c.script;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("out.conf")));
    }
}

TEST_F(TemplateCommand, OutputOrLogThatCannotBeWrittenExitsTwo) {
    write("s.tpl", "add_leaf a=1\n");
    const CliResult noDir = run({"template", path("fw.conf"), path("s.tpl"), "-o", path("no/such/out.conf")});
    EXPECT_EQ(noDir.code, 2);
    EXPECT_NE(noDir.err.find(path("no/such/out.conf")), std::string::npos) << noDir.err;
    const CliResult noLog = run({"template", path("fw.conf"), path("s.tpl"), "-l", path("no/such/log")});
    EXPECT_EQ(noLog.code, 2);
    EXPECT_EQ(noLog.out, "");
    if (std::filesystem::exists("/dev/full")) {
        // A device that refuses every write, like a full disk.
        const CliResult full = run({"template", path("fw.conf"), path("s.tpl"), "-o", "/dev/full"});
        EXPECT_EQ(full.code, 2);
        EXPECT_NE(full.err.find("/dev/full"), std::string::npos) << full.err;
        // The same for standard output.
        EXPECT_EQ(run({"template", path("fw.conf"), path("s.tpl"), "-l", "/dev/null"}, "/dev/full").code, 2);
    }
}

TEST_F(TemplateCommand, DirectoryOutputIsRefusedBeforeAnythingIsWritten) {
    write("s.tpl", "add_leaf a=1\n");
    std::filesystem::create_directory(path("out.d"));
    const CliResult r = run({"template", path("fw.conf"), path("s.tpl"), "-o", path("out.d"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "upgrade-cli template: cannot write " + path("out.d") + ": it is a directory\n");
    EXPECT_TRUE(std::filesystem::is_empty(path("out.d")));
    EXPECT_EQ(read(path("run.log")).find("Unable to write file"), std::string::npos);
}

// The result replaces the configuration it came from only once complete, and is owner-only whatever
// the file it replaces allowed: a configuration holds password hashes.
TEST_F(TemplateCommand, ConfigurationCanBeUpdatedInPlaceAndBecomesOwnerOnly) {
    write("s.tpl", "add_leaf a_b=5\n");
    ASSERT_EQ(::chmod(path("fw.conf").c_str(), 0640), 0);
    const CliResult r = run({"template", path("fw.conf"), path("s.tpl"), "-o", path("fw.conf"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read(path("fw.conf")), "a_b=5\nhost=x\n");
    struct stat info {};
    ASSERT_EQ(::stat(path("fw.conf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Nothing is left behind but the files named.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 3);  // fw.conf, s.tpl, run.log
}

TEST_F(TemplateCommand, OverLongScriptLineExitsTwoAndSavesNothing) {
    write("s.tpl", "add_leaf a=1\nadd_leaf b=" + std::string(9000, 'x') + "\nadd_leaf c=1\n");
    const CliResult r =
        run({"template", path("fw.conf"), path("s.tpl"), "-o", path("out.conf"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(std::filesystem::exists(path("out.conf")));
    EXPECT_NE(read(path("run.log")).find("is longer than 8191 characters"), std::string::npos);
}

TEST_F(TemplateCommand, ImportFileLooksBesideTheConfigurationOrInTheWorkdir) {
    write("extra.conf", "ntp=beside\n");
    std::filesystem::create_directory(path("other"));
    write("other/extra.conf", "ntp=other\n");
    write("s.tpl", "import_file extra.conf\n");
    const CliResult beside = run({"template", path("fw.conf"), path("s.tpl"), "-l", path("run.log")});
    EXPECT_EQ(beside.out, "a_b=1\nhost=x\nntp=beside\n");
    // Given without its trailing separator.
    const CliResult other =
        run({"template", path("fw.conf"), path("s.tpl"), "-l", path("run.log"), "--workdir", path("other")});
    EXPECT_EQ(other.out, "a_b=1\nhost=x\nntp=other\n");
}

TEST_F(TemplateCommand, WarningsGoToTheWarningsFile) {
    write("s.tpl", "user_warning a_b=** Check setting a_b ($$).\n");
    const CliResult r =
        run({"template", path("fw.conf"), path("s.tpl"), "-l", path("run.log"), "-W", path("warn.txt")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(read(path("warn.txt")), "Check setting a_b (1).\n\n");
}

}  // namespace
