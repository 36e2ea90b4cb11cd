// upgrade-cli convert against careless and hostile paths: inputs that are files of the working
// directory, working directories others control, links planted there, FIFOs, and a log that cannot
// be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_inputs.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

using namespace convertinputs;

class ConvertSafety : public ::testing::Test {
protected:
    struct Result {
        int code = -1;
        std::string out;
        std::string err;
    };

    // Runs convert with the arguments, bounded in time: a regression that blocks fails instead of
    // hanging.
    static Result convert(std::vector<std::string> args, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        args.insert(args.begin(), {kProgram, "convert"});
        testsupport::RunOptions options;
        options.timeout = timeout;
        const testsupport::RunResult r = testsupport::runProgram(args, options);
        return Result{r.status, r.out, r.err};
    }

    std::string in(const std::string& name) const { return (workdir / name).string(); }

    static unsigned modeOf(const fs::path& file) {
        struct stat info {};
        if (::lstat(file.c_str(), &info) != 0) return 0;
        return info.st_mode & 07777;
    }

    testsupport::ScratchDir scratch{"convert-safety"};
    const fs::path workdir = scratch / "work";
};

TEST_F(ConvertSafety, FilesOfTheWorkingDirectoryAreNeverInputsExceptTheirOwnCopies) {
    ASSERT_EQ(convert({"--old", kOld, "--new", kInit, "--template", kTemplate, "--workdir", workdir.string()}).code, 0);
    const std::string log = testsupport::readFile(in("5xto60.log"));
    const std::string saved = testsupport::readFile(in("kestrane.conf.PRE60UPGRADE"));
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--old", in("5xto60.log"), "--template", kTemplate},
         in("5xto60.log") + " would be written, but it is the old configuration " + in("5xto60.log")},
        {{"--old", kOld, "--new", in("kestrane.conf.PRE60UPGRADE"), "--template", kTemplate},
         "it is the new configuration " + in("kestrane.conf.PRE60UPGRADE")},
        // Read as the script while it is being written: it would never end.
        {{"--old", kOld, "--template", in("5xto60.log")}, "it is the template script " + in("5xto60.log")},
        {{"--old", in("kestrane.conf.6FINAL"), "--new", kInit, "--template", kTemplate},
         "it is the old configuration " + in("kestrane.conf.6FINAL")},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--workdir", workdir.string()});
        // A log read as the script grows without end: the run is cut short.
        const Result r = convert(args, std::chrono::seconds(5));
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        // Compared without printing: a file that went on growing is no text to show.
        EXPECT_TRUE(testsupport::readFile(in("5xto60.log")) == log);
        EXPECT_TRUE(testsupport::readFile(in("kestrane.conf.PRE60UPGRADE")) == saved);
    }
    // A run started again from the directory's own copies.
    const Result again = convert({"--old", in("kestrane.conf.PRE60UPGRADE"), "--new", in("kestrane.conf.6INIT"),
                                  "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(testsupport::readFile(in("kestrane.conf.PRE60UPGRADE")), testsupport::readFile(kOld));
    EXPECT_EQ(testsupport::readFile(in("kestrane.conf.6INIT")), testsupport::readFile(kInit));
}

TEST_F(ConvertSafety, NewWorkingDirectoryAndEverythingInItAreOwnerOnly) {
    const fs::path nested = workdir / "a" / "b";
    const Result r = convert({"--old", kOld, "--new", kInit, "--template", kTemplate, "--workdir", nested.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(modeOf(nested), 0700u);
    for (const char* name : {"5xto60.log", "warnings.txt", "kestrane.conf.PRE60UPGRADE", "kestrane.conf.5xCONVERT",
                             "kestrane.conf.6INIT", "kestrane.conf.6FINAL"})
        EXPECT_EQ(modeOf(nested / name), 0600u) << name;
}

TEST_F(ConvertSafety, WorkingDirectoryOthersControlIsRefused) {
    testsupport::writeFile(scratch / "victim", "untouched\n");
    fs::create_directory(workdir);
    fs::create_symlink(scratch / "victim", workdir / "warnings.txt");

    // Writable by the group: refused before anything is opened.
    ASSERT_EQ(::chmod(workdir.c_str(), 0770), 0);
    Result r = convert({"--old", kOld, "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("can be written by other users"), std::string::npos) << r.err;

    // The user's own directory: a link planted there is not followed.
    ASSERT_EQ(::chmod(workdir.c_str(), 0700), 0);
    r = convert({"--old", kOld, "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot create the log and the warnings file"), std::string::npos) << r.err;
    EXPECT_EQ(testsupport::readFile(scratch / "victim"), "untouched\n");

    // Another user's directory.
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a directory to another user";
    fs::remove(workdir / "5xto60.log");
    ASSERT_EQ(::chown(workdir.c_str(), 65534, 65534), 0);
    r = convert({"--old", kOld, "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("the working directory " + workdir.string() + " belongs to another user"), std::string::npos)
        << r.err;
    EXPECT_EQ(testsupport::readFile(scratch / "victim"), "untouched\n");
    EXPECT_FALSE(fs::exists(workdir / "5xto60.log"));
}

TEST_F(ConvertSafety, FifoInputsAreRefusedInsteadOfBlocking) {
    const std::string fifo = (scratch / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--old", fifo, "--template", kTemplate},
         "cannot read the old configuration " + fifo + ": not a regular file"},
        {{"--old", kOld, "--new", fifo, "--template", kTemplate}, "cannot read the new configuration " + fifo},
        {{"--old", kOld, "--template", fifo}, "cannot read the template script " + fifo + ": not a regular file"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--workdir", workdir.string()});
        const Result r = convert(args);
        EXPECT_EQ(r.code, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // A missing input says why.
    const Result missing =
        convert({"--old", (scratch / "missing.conf").string(), "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("missing.conf: No such file or directory"), std::string::npos) << missing.err;
}

// A log that stops taking what is written (a full disk; the device stands in for one) is reported
// and fails the command instead of passing for a complete run.
TEST_F(ConvertSafety, LogThatCannotBeWrittenFailsTheRun) {
    fs::create_directory(workdir);
    if (::mknod((workdir / "5xto60.log").c_str(), S_IFCHR | 0600, ::makedev(1, 7)) != 0)
        GTEST_SKIP() << "cannot make a device node here";
    const Result r = convert({"--old", kOld, "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write the log " + in("5xto60.log") + ": No space left on device"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
}

// The log cannot be created: an unusable working directory, exit 2 like every other such problem.
TEST_F(ConvertSafety, LogThatCannotBeCreatedExitsTwo) {
    fs::create_directories(workdir / "5xto60.log");
    const Result r = convert({"--old", kOld, "--template", kTemplate, "--workdir", workdir.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot create the log and the warnings file"), std::string::npos) << r.err;
}

}  // namespace
