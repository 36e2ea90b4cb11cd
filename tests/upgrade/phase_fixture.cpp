// The two simulated firewalls of the phase tests.
#include "upgrade/phase_fixture.h"

namespace fs = std::filesystem;

namespace {

void startSim(fwsim::FwsimProcess& sim, const fs::path& root, const fs::path& logDir, std::vector<std::string> args,
              const char* version) {
    bool versionGiven = false;
    for (const std::string& arg : args) versionGiven = versionGiven || arg == "--version";
    args.insert(args.begin(), {"--root", root.string(), "--user", "admin", "--password", "pw"});
    if (!versionGiven) args.insert(args.end(), {"--version", version});
    fs::create_directories(logDir);
    std::string error;
    ASSERT_TRUE(sim.start(FWSIM_PROGRAM, args, logDir, error)) << error;
}

}  // namespace

void PhaseFixture::SetUp() {
    const std::string samples = std::string(PROJECT_SOURCE_DIR) + "/data/samples/";
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/mgmt/kestrane.conf"),
                                       testsupport::readFile(samples + "branch-5x.conf")));
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/mgmt/keys.conf"), "key_1=abc\n"));
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/mgmt/tovad-authdb"), "admin:x\n"));
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/netperm-table"), "permit all\n"));
    ASSERT_TRUE(testsupport::writeFile(onFirewall(oldRoot, "/tmp/full-backup.tar"), std::string("\0\1\2\3", 4)));
    ASSERT_TRUE(testsupport::writeFile(onFirewall(newRoot, "/usr/local/etc/mgmt/kestrane.conf"),
                                       testsupport::readFile(samples + "init-60.conf")));
    fs::create_directories(workParent);
    fs::permissions(workParent, fs::perms::owner_all);
    workflow.templateName = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";
    workflow.parentDirectory = workParent.string();
    workflow.oldLogin.host = workflow.newLogin.host = "127.0.0.1";
    workflow.oldLogin.user = workflow.newLogin.user = "admin";
    workflow.oldLogin.password = workflow.newLogin.password = "pw";
}

void PhaseFixture::startOld(std::vector<std::string> args) {
    startSim(oldSim, oldRoot, dir / "old-log", std::move(args), "5.5");
    workflow.oldLogin.port = oldSim.port();
}

void PhaseFixture::startNew(std::vector<std::string> args) {
    startSim(newSim, newRoot, dir / "new-log", std::move(args), "KF6.0");
    workflow.newLogin.port = newSim.port();
}

PhaseOutcome PhaseFixture::download() {
    const PhaseOutcome outcome = workflow.runDownloadPhase();
    if (!workflow.workingDirectory().empty()) lastWorkingDirectory = workflow.workingDirectory();
    // A failed download forgets its directory: it is the only one made under the parent.
    if (lastWorkingDirectory.empty())
        for (const auto& entry : fs::directory_iterator(workParent)) lastWorkingDirectory = entry.path().string() + "/";
    return outcome;
}

PhaseOutcome PhaseFixture::upload() {
    PhaseOutcome outcome = workflow.runUploadPhase();
    if (outcome == PhaseOutcome::PairingRequired) outcome = workflow.finishUploadPhase(PairingOutcome::Closed);
    return outcome;
}
