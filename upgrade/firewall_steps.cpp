// The workflow's logins: to the old firewall (which also creates the working directory) and to the new
// one, and the logout.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "lib/fwall/mgmt_session.h"
#include "upgrade/upgrade_strings.h"
#include "upgrade/workflow.h"
#include "upgrade/working_directory_name.h"

namespace {
constexpr const char* kNewVersion = "KF6.0";
}

bool UpgradeWorkflow::loginOldFirewall() {
    StepJournal journal(*this, "login_old_firewall");
    return loginFirewall(false) && createWorkingDirectory() && journal.succeed();
}

bool UpgradeWorkflow::loginNewFirewall() {
    StepJournal journal(*this, "login_new_firewall");
    return loginFirewall(true) && journal.succeed();
}

bool UpgradeWorkflow::loginFirewall(bool newFirewall) {
    const FirewallLogin& login = newFirewall ? newLogin : oldLogin;
    MgmtSession& firewall = session();
    firewall.logout();
    firewall.set_target(login.host.c_str(), login.port, login.user.c_str(), login.password.c_str());
    // Only the old firewall's failures end the upgrade run; the new one's leave it for a retry.
    const auto fail = [&](int stringId) {
        failStep(upgradeString(stringId), stringId);
        if (!newFirewall) restart();
        return false;
    };

    logLine("Attempting to login...");
    if (interrupted() || !firewall.login()) {
        logLine("Login failed");
        return fail(upgrade_strings::kLoginFailed);
    }
    loggedIn_ = true;
    std::string version;
    (void)firewall.get_version(&version);
    const bool isNew = firewall.version_text() == kNewVersion;
    if (interrupted()) {
        // Timed out or stopped while the version was asked for: what it said is not known.
        logLine("Login failed");
        return fail(upgrade_strings::kLoginFailed);
    }
    if (isNew != newFirewall) {
        // Not the generation this phase talks to.
        firewall.disconnect();
        if (newFirewall) {
            logLine("Error: Attempted login to non-Kestrane 6.0 firewall");
            logLine("This phase of upgrade requires you to login to");
            logLine("a Kestrane 6.0 firewall.");
        } else {
            logLine("Error: Attempted login to Kestrane 6.0 firewall");
            logLine("This phase of upgrade only supports login to");
            logLine("the 5.x generation of firewall products.");
        }
        const int stringId = newFirewall ? upgrade_strings::kNewIsNotNew : upgrade_strings::kOldIsNew;
        failStep(upgradeString(stringId), stringId);
        logLine("Login cancelled");
        if (!newFirewall) restart();
        return false;
    }
    logLine("Logged in - firewall version " + firewall.version_text());

    const int confirmed = firewall.confirm_auth();
    if (interrupted()) {
        logLine("Login failed");
        logoutFirewall();
        return fail(upgrade_strings::kLoginFailed);
    }
    if (confirmed == 404) {
        logLine("Failed to acquire lock on firewall - is there another GUI running?");
        logoutFirewall();
        return fail(upgrade_strings::kLockRefused);
    }
    return true;
}

bool UpgradeWorkflow::createWorkingDirectory() {
    const std::string name = workingDirectoryName(oldLogin.host, std::time(nullptr));
    std::string path = parentDirectory;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    int error = 0;
    if (::mkdir(path.c_str(), 0700) != 0) error = errno;
    if (error == 0) {
        logLine("Created new working directory: " + path);
        if (startLog(path, &error)) return true;
    }
    char line[512];
    std::snprintf(line, sizeof line, "Unable to create directory: %s - errno=%d: %s", path.c_str(), error,
                  std::strerror(error));
    logLine(line);
    logoutFirewall();
    failStep(formatUpgradeString(upgrade_strings::kCannotCreateDirectory, path, std::strerror(error)),
             upgrade_strings::kCannotCreateDirectory);
    restart();
    return false;
}

void UpgradeWorkflow::logoutFirewall() {
    if (!loggedIn_) return;
    session().disconnect();
    logLine("Logged out.");
    loggedIn_ = false;
}
