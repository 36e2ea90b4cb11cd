// upgrade-cli template against careless and hostile paths: outputs that are inputs, standard streams,
// FIFOs and devices, outputs that cannot be written, and settings too long to be read back.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace fs = std::filesystem;

namespace {

class TemplateSafety : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        write("f.conf", "a_b=1\nhost=x\n");
        write("s.tpl", "add_leaf a_c=2\n");
    }

    // Runs the program with a short time limit: a regression that blocks fails instead of hanging.
    CliResult runBounded(std::vector<std::string> args) const {
        args.insert(args.begin(), UPGRADE_CLI);
        testsupport::RunOptions options;
        options.timeout = std::chrono::seconds(5);
        options.cwd = dir;  // a file named '-' would land here
        const testsupport::RunResult r = testsupport::runProgram(args, options);
        return CliResult{r.status, r.out, r.err};
    }

    static unsigned modeOf(const std::string& file) {
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) return 0;
        return info.st_mode & 07777;
    }
};

TEST_F(TemplateSafety, OutputThatIsAnInputIsRefusedAndTheInputKept) {
    write("out.conf", "previous=1\n");
    fs::create_symlink(path("f.conf"), path("link.conf"));
    const std::string config = read(path("f.conf"));
    const std::string script = read(path("s.tpl"));
    const struct {
        std::vector<std::string> args;
        std::string named;
    } cases[] = {
        {{"-o", path("out.conf"), "-l", path("f.conf")},
         "the log " + path("f.conf") + " is the configuration " + path("f.conf")},
        {{"-o", path("out.conf"), "-W", path("f.conf")},
         "the warnings file " + path("f.conf") + " is the configuration"},
        {{"-o", path("s.tpl")}, "the output " + path("s.tpl") + " is the script " + path("s.tpl")},
        // Through a link: the file is the same.
        {{"-o", path("out.conf"), "-l", path("link.conf")}, "the log " + path("link.conf") + " is the configuration"},
        // Two outputs that are one file would write over each other.
        {{"-o", path("out.conf"), "-l", path("x.log"), "-W", path("x.log")}, "are the same file"},
        {{"-o", path("out.conf"), "-l", path("out.conf")}, "are the same file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"template", path("f.conf"), path("s.tpl")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = runBounded(args);
        EXPECT_EQ(r.code, 2) << c.named;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        // Compared without printing: a file that went on growing is no text to show.
        EXPECT_TRUE(read(path("f.conf")) == config);
        EXPECT_TRUE(read(path("s.tpl")) == script);
        EXPECT_EQ(read(path("out.conf")), "previous=1\n");
        EXPECT_FALSE(fs::exists(path("x.log")));
    }
    // The configuration may still be updated in place: it is read whole first and replaced only once
    // the result is complete.
    EXPECT_EQ(runBounded({"template", path("f.conf"), path("s.tpl"), "-o", path("f.conf"), "-l", path("run.log")}).code,
              0);
    EXPECT_EQ(read(path("f.conf")), "a_b=1\na_c=2\nhost=x\n");
}

TEST_F(TemplateSafety, DashMeansTheStandardStreamsAndOneStreamTakesOneOutput) {
    write("w.tpl", "user_warning a_b=** Look at $$\n");
    const CliResult r =
        runBounded({"template", path("f.conf"), path("w.tpl"), "-o", path("out.conf"), "-l", "-", "-W", "-"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Look at 1\n\n");
    EXPECT_NE(r.err.find("Processing 1: user_warning"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("-")));
    EXPECT_EQ(read(path("out.conf")), "a_b=1\nhost=x\n");

    for (const std::vector<std::string>& outputs :
         {std::vector<std::string>{"-o", "-", "-W", "-"}, std::vector<std::string>{"-W", "-"}}) {
        std::vector<std::string> args{"template", path("f.conf"), path("w.tpl")};
        args.insert(args.end(), outputs.begin(), outputs.end());
        const CliResult both = runBounded(args);
        EXPECT_EQ(both.code, 2);
        EXPECT_EQ(both.out, "");
        EXPECT_NE(both.err.find("cannot both go to standard output"), std::string::npos) << both.err;
    }
}

TEST_F(TemplateSafety, FifosAreRefusedInsteadOfBlocking) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{path("fifo"), path("s.tpl")}, "cannot read the configuration " + path("fifo") + ": not a regular file"},
        {{path("f.conf"), path("fifo")}, "cannot read the script " + path("fifo") + ": not a regular file"},
        {{path("f.conf"), path("s.tpl"), "-o", path("fifo")},
         "cannot write " + path("fifo") + ": a FIFO that nobody reads"},
        {{path("f.conf"), path("s.tpl"), "-l", path("fifo")},
         "cannot create the log " + path("fifo") + ": a FIFO that nobody reads"},
        {{path("f.conf"), path("s.tpl"), "-W", path("fifo")}, "cannot create the warnings file " + path("fifo")},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"template"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = runBounded(args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // import_file skips it with a message and the run goes on.
    write("i.tpl", "import_file fifo\nadd_leaf z=1\n");
    const CliResult imported = runBounded({"template", path("f.conf"), path("i.tpl"), "-l", path("run.log")});
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(imported.out, "a_b=1\nhost=x\nz=1\n");
    EXPECT_NE(read(path("run.log")).find("import_file: Not a regular file: " + path("fifo") + "\n"), std::string::npos);
    // A device is no configuration either; as an output it is written in place.
    EXPECT_EQ(runBounded({"template", "/dev/null", path("s.tpl")}).code, 2);
    const CliResult toNull = runBounded(
        {"template", path("f.conf"), path("s.tpl"), "-o", "/dev/null", "-l", "/dev/null", "-W", "/dev/null"});
    EXPECT_EQ(toNull.code, 0) << toNull.err;
}

TEST_F(TemplateSafety, MissingConfigurationSaysWhy) {
    const CliResult r = runBounded({"template", path("missing.conf"), path("s.tpl")});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "upgrade-cli template: cannot read the configuration " + path("missing.conf") +
                         ": No such file or directory\n");
}

// A log or warnings file that fails (a full disk) fails the command and leaves OUT as it was.
TEST_F(TemplateSafety, LogOrWarningsThatCannotBeWrittenLeaveTheOutputAlone) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    write("w.tpl", "user_warning a_b=** Look at $$\nadd_leaf a_c=2\n");
    write("out.conf", "previous=1\n");
    const CliResult log =
        runBounded({"template", path("f.conf"), path("w.tpl"), "-o", path("out.conf"), "-l", "/dev/full"});
    EXPECT_EQ(log.code, 2);
    EXPECT_NE(log.err.find("cannot write the log /dev/full: No space left on device"), std::string::npos) << log.err;
    EXPECT_EQ(read(path("out.conf")), "previous=1\n");

    const CliResult warnings = runBounded(
        {"template", path("f.conf"), path("w.tpl"), "-o", path("out.conf"), "-l", path("run.log"), "-W", "/dev/full"});
    EXPECT_EQ(warnings.code, 2);
    EXPECT_NE(warnings.err.find("cannot write the warnings file /dev/full"), std::string::npos) << warnings.err;
    EXPECT_EQ(read(path("out.conf")), "previous=1\n");
}

TEST_F(TemplateSafety, LogAndWarningsAreOwnerOnly) {
    write("run.log", "old\n");
    ASSERT_EQ(::chmod(path("run.log").c_str(), 0644), 0);
    const CliResult r = runBounded({"template", path("f.conf"), path("s.tpl"), "-o", path("out.conf"), "-l",
                                    path("run.log"), "-W", path("warn.txt")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(modeOf(path("run.log")), 0600u);
    EXPECT_EQ(modeOf(path("warn.txt")), 0600u);
    EXPECT_EQ(modeOf(path("out.conf")), 0600u);
}

// A setting that grew past what the reader takes (here by appending to it) would vanish from the
// next step: the save fails, names it, and the previous file stays.
TEST_F(TemplateSafety, SettingTooLongToBeReadBackFailsTheSave) {
    write("f.conf", "a_b=" + std::string(4000, 'v') + "\nhost=x\n");
    const std::string append = "edit_leaf a_b=** append " + std::string(3000, 'w') + "\n";
    write("grow.tpl", append + append);
    write("out.conf", "previous=1\n");
    const CliResult r =
        runBounded({"template", path("f.conf"), path("grow.tpl"), "-o", path("out.conf"), "-l", path("run.log")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot write the configuration to " + path("out.conf") + ": a setting is too long"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read(path("out.conf")), "previous=1\n");
    EXPECT_NE(read(path("run.log")).find("Unable to save the setting a_b: its line of 10004 characters"),
              std::string::npos);
    // To standard output the command fails the same way.
    EXPECT_EQ(runBounded({"template", path("f.conf"), path("grow.tpl"), "-l", path("run.log")}).code, 2);
}

}  // namespace
