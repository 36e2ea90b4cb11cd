// Test fixture for the subcommands of upgrade-cli that talk to firewalls (download, upload, run): two
// fwsim processes on loopback, an old one (version 5.5, the 5.x sample configuration) and a new one
// (version KF6.0, an initial 6.0 configuration), each with the user admin and its own password; a
// scratch directory whose owner-only "work" folder receives the working directories; and upgrade-cli
// run there with a changed environment, so that no password or time-out of the caller's leaks in.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "sim/launcher.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace phasetest {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

inline const std::string kSamples = std::string(PROJECT_SOURCE_DIR) + "/data/samples/";
inline const std::string kOldConfig = kSamples + "branch-5x.conf";
inline const std::string kInitConfig = kSamples + "init-60.conf";
inline const std::string kReaddressedConfig = kSamples + "init-60-readdressed.conf";
inline const std::string kTemplate = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";
inline const char* const kOldPassword = "old-secret";
inline const char* const kNewPassword = "new-secret";
inline const char* const kFirewallConfig = "usr/local/etc/mgmt/kestrane.conf";

// The texts the workflow shows, as upgrade-cli prints them.
inline const std::string kLoginFailed =
    "upgrade-cli: Unable to login.  Firewall address is either invalid or the connection timed out.";
inline const std::string kOldIsNew =
    "upgrade-cli: Error: Attempted login to Kestrane 6.0 firewall. This phase of upgrade only supports login to "
    "the 5.x generation of firewall products.";
inline const std::string kNewIsNotNew =
    "upgrade-cli: Error: Attempted login to non-Kestrane 6.0 firewall.  This phase of upgrade requires you to "
    "login to a Kestrane 6.0 firewall.";
inline const std::string kStopped = "upgrade-cli: The upgrade was stopped at the administrator's request";

// a followed by each of more.
inline Args join(Args a, std::initializer_list<Args> more) {
    for (const Args& b : more) a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The last line of a text (without its line end); empty for an empty text.
inline std::string lastLine(const std::string& text) {
    std::string body = text;
    if (!body.empty() && body.back() == '\n') body.pop_back();
    const std::size_t start = body.rfind('\n');
    return start == std::string::npos ? body : body.substr(start + 1);
}

inline bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class PhaseCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::create_directory(work));
        fs::permissions(work, fs::perms::owner_all, fs::perm_options::replace);
    }

    // Starts the old firewall (5.5, the 5.x sample) with these further fwsim arguments.
    void startOld(const Args& extra = {}) { startSim(oldSim, "old", "5.5", kOldConfig, kOldPassword, extra); }
    // Starts the new firewall (KF6.0) holding config.
    void startNew(const std::string& config = kInitConfig, const Args& extra = {}) {
        startSim(newSim, "new", "KF6.0", config, kNewPassword, extra);
    }

    // --host, --port and --user of a firewall, the options' names starting with prefix.
    static Args loginOf(const fwsim::FwsimProcess& sim, const std::string& prefix = "") {
        return {"--" + prefix + "host", "127.0.0.1", "--" + prefix + "port", std::to_string(sim.port()),
                "--" + prefix + "user", "admin"};
    }
    static Args loginAt(int port) { return {"--host", "127.0.0.1", "--port", std::to_string(port), "--user", "admin"}; }

    // A file in the scratch directory holding text.
    std::string file(const std::string& name, const std::string& text) const {
        const std::string path = scratch.file(name);
        EXPECT_TRUE(testsupport::writeFile(path, text));
        return path;
    }

    // Runs upgrade-cli in the scratch directory with the arguments (the template script added), no
    // password or time-out from the caller's environment but those given, standard input from
    // /dev/null. The exit status is returned; the streams are kept in out and err.
    int run(const std::string& command, const Args& arguments, const Args& environment = {},
            std::function<void(pid_t)> started = {}) {
        Args argv{UPGRADE_CLI, command, "--template", kTemplate};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        testsupport::RunOptions options;
        options.cwd = scratch.path().string();
        options.timeout = std::chrono::seconds(120);
        options.environment = {"UPGRADE_PASSWORD",      "UPGRADE_OLD_PASSWORD",     "UPGRADE_NEW_PASSWORD",
                               "UPGRADE_LOGIN_TIMEOUT", "UPGRADE_DOWNLOAD_TIMEOUT", "UPGRADE_UPLOAD_TIMEOUT"};
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        options.started = std::move(started);
        const testsupport::RunResult result = testsupport::runProgram(argv, options);
        out = result.out;
        err = result.err;
        return result.status;
    }

    // The working directory that the last line of standard output names; empty when it names none.
    std::string workingDirectory() const {
        const std::string prefix = "Working directory: ";
        const std::string line = lastLine(out);
        return line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : std::string();
    }

    // A working directory as download leaves it, made by hand: the old configuration saved in it.
    std::string savedWorkingDirectory() const {
        const fs::path directory = work / "saved";
        EXPECT_TRUE(fs::create_directory(directory));
        fs::permissions(directory, fs::perms::owner_all, fs::perm_options::replace);
        EXPECT_TRUE(
            testsupport::writeFile(directory / "kestrane.conf.PRE60UPGRADE", testsupport::readFile(kOldConfig)));
        return directory.string();
    }

    // Whether the new firewall received final as its next configuration: still waiting as
    // kestrane.conf.new, or installed by its configuration update.
    bool newFirewallReceived(const std::string& final) const {
        const fs::path mgmt = newRoot / "usr/local/etc/mgmt";
        return !final.empty() && (testsupport::readFile(mgmt / "kestrane.conf.new") == final ||
                                  testsupport::readFile(mgmt / "kestrane.conf") == final);
    }

    testsupport::ScratchDir scratch{"upgrade-cli-phase"};
    fs::path work = scratch / "work";
    fs::path oldRoot = scratch / "old-root";
    fs::path newRoot = scratch / "new-root";
    fwsim::FwsimProcess oldSim;
    fwsim::FwsimProcess newSim;
    std::string out;
    std::string err;

private:
    void startSim(fwsim::FwsimProcess& sim, const std::string& name, const std::string& version,
                  const std::string& config, const char* password, const Args& extra) {
        const fs::path root = scratch / (name + "-root");
        const fs::path simDir = scratch / (name + "-sim");
        fs::create_directories(simDir);
        ASSERT_TRUE(testsupport::writeFile(root / kFirewallConfig, testsupport::readFile(config)));
        Args args{"--root", root.string(), "--version", version, "--user", "admin", "--password", password};
        args.insert(args.end(), extra.begin(), extra.end());
        std::string error;
        ASSERT_TRUE(sim.start(FWSIM_PROGRAM, args, simDir, error)) << error;
    }
};

}  // namespace phasetest
