// The workflow's exchanges of files and actions with the firewalls: packaging and downloading the old
// firewall's files, fetching the new firewall's configuration, uploading, unpacking and applying.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "lib/fwall/mgmt_session.h"
#include "upgrade/step_texts.h"
#include "upgrade/upgrade_strings.h"
#include "upgrade/workflow.h"

namespace {

// Why a local file cannot be sent: empty when it opens for reading and is a regular file.
std::string unreadableBecause(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat status {};
    std::string problem;
    if (::fstat(fd, &status) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        problem = "not a regular file";
    ::close(fd);
    return problem;
}

// Reports the bytes of one file as they move, every 256 KiB at most, so that a large file shows
// progress without a report per network read.
class TransferReports {
public:
    TransferReports(MgmtSession& session, WorkflowUi& ui, ProgressReport report)
        : session_(session), ui_(ui), report_(std::move(report)) {
        session_.set_transfer_progress([this](long long bytes) {
            if (bytes - report_.bytes < kEvery) return;
            report_.bytes = bytes;
            ui_.reportProgress(report_);
        });
    }
    ~TransferReports() { session_.set_transfer_progress(nullptr); }
    TransferReports(const TransferReports&) = delete;
    TransferReports& operator=(const TransferReports&) = delete;

private:
    static constexpr long long kEvery = 256 * 1024;
    MgmtSession& session_;
    WorkflowUi& ui_;
    ProgressReport report_;
};

// The firewall path a saved file is uploaded to.
std::string uploadPath(const UpgradeFile& row) {
    if (row.restoreInPlace) return row.remotePath();
    char path[256];
    std::snprintf(path, sizeof path, kUploadedCopyPattern, row.file);
    return path;
}

}  // namespace

bool UpgradeWorkflow::packCerts() {
    logLine("Packaging any VPN Certs for download...");
    const int result = session().run_action(MgmtAction::PackCerts);
    if (result == 200) {
        logLine("Done.");
        return true;
    }
    logLine("Problem packaging user databases and/or firewall");
    logLine("VPN certs. - if you have VPN installed, then you");
    logLine("may need to transfer your certs to the new firewall");
    logLine("manually. Do this before erasing old firewall.");
    logLine("Continuing...");
    if (!interrupted()) ui_.showMessage(upgradeString(upgrade_strings::kPackFailed));
    return false;
}

bool UpgradeWorkflow::downloadFiles() {
    if (!continueUnlessStopped("Aborting download!", false)) return false;
    logLine("Retrieving files from old firewall...");
    const long total = static_cast<long>(fileTable_.rows().size());
    long done = 0;
    for (UpgradeFile& row : fileTable_.rows()) {
        const std::string remote = row.remotePath();
        const std::string local = pathOf(row.savedName());
        const ProgressReport report{"Downloading files", done, total, remote, 0};
        ui_.reportProgress(report);
        logLine(std::string(row.optional ? "Optional file: " : "Critical file: ") + remote + " - ", false);
        int result = 0;
        {
            const TransferReports reports(session(), ui_, report);
            result = session().fetch_file(remote.c_str(), local.c_str(), row.binary);
        }
        logLine(MgmtSession::result_text(result));
        if (!row.optional && result != 200) {
            logLine("Aborting download!");
            logLine("Received '", false);
            logNumber(result, false);
            logLine("' error during download of critical file");
            logLine(kCannotContinue);
            logoutFirewall();
            failStep(formatUpgradeString(upgrade_strings::kCriticalDownload, remote),
                     upgrade_strings::kCriticalDownload);
            restart();
            return false;
        }
        row.status = result == 200 ? UpgradeFile::kTransferred : UpgradeFile::kNotTransferred;
        // An interrupted phase fails every later exchange: the download stops here.
        if (!continueUnlessStopped("Aborting download!", false)) return false;
        ++done;
    }
    ui_.reportProgress(ProgressReport{"Downloading files", done, total});
    logLine("Download complete");
    return true;
}

bool UpgradeWorkflow::getNewConfig() {
    logLine("Retrieving kestrane.conf from new firewall...");
    const std::string local = pathOf(kNewInitConfigName);
    const int result = session().fetch_file(kFirewallConfigRemotePath, local.c_str(), false);
    if (result == 200) {
        logLine("Done");
        return true;
    }
    logLine("Unable to retrieve file from new firewall!");
    logLine("Connection reports code ", false);
    logNumber(result, false);
    logLine(std::string(": ") + MgmtSession::result_text(result));
    logLine("Cannot continue with upgrade until this problem is resolved");
    failStep(upgradeString(upgrade_strings::kNewConfigDownload), upgrade_strings::kNewConfigDownload);
    logoutFirewall();
    restartKeepingWorkingDirectory();
    return false;
}

bool UpgradeWorkflow::uploadFiles() {
    if (!continueUnlessStopped("Aborting upload!", true)) return false;
    logLine("Copying files up to new firewall...");
    long total = 1;
    for (const UpgradeFile& row : fileTable_.rows())
        if (row.status != UpgradeFile::kNotTransferred) ++total;
    long done = 0;
    ui_.reportProgress(ProgressReport{"Uploading files", done, total});

    // The final configuration is what the firewall will apply: a final file that is missing or cannot
    // be read fails the upload (the session would answer 200 without sending anything).
    const std::string final = pathOf(kFinalConfigName);
    logLine("Critical file: " + final + " - ", false);
    const std::string unreadable = unreadableBecause(final);
    int result = 0;
    if (unreadable.empty()) {
        const TransferReports reports(session(), ui_, ProgressReport{"Uploading files", done, total, final, 0});
        result = session().send_file(final.c_str(), kNewConfigRemotePath, false);
        logLine(MgmtSession::result_text(result));
    } else {
        logLine("Unable to read the file: " + unreadable);
    }
    if (!unreadable.empty() || result != 200) {
        logLine("Aborting upload!");
        if (unreadable.empty()) {
            logLine("Received '", false);
            logNumber(result, false);
            logLine("' error during upload of critical file");
        }
        logLine(kCannotContinue);
        failStep(formatUpgradeString(upgrade_strings::kCriticalUpload, final), upgrade_strings::kCriticalUpload);
        logoutFirewall();
        restartKeepingWorkingDirectory();
        return false;
    }
    ui_.reportProgress(ProgressReport{"Uploading files", ++done, total});

    for (const UpgradeFile& row : fileTable_.rows()) {
        if (row.status == UpgradeFile::kNotTransferred) continue;
        const std::string local = pathOf(row.savedName());
        const std::string remote = uploadPath(row);
        logLine("Optional file: " + local + " - ", false);
        int sent = 0;
        {
            const TransferReports reports(session(), ui_, ProgressReport{"Uploading files", done, total, local, 0});
            sent = session().send_file(local.c_str(), remote.c_str(), row.binary);
        }
        logLine(MgmtSession::result_text(sent));
        // An interrupted phase fails every later exchange: the upload stops here.
        if (!continueUnlessStopped("Aborting upload!", true)) return false;
        ui_.reportProgress(ProgressReport{"Uploading files", ++done, total});
    }
    logLine("Upload complete");
    return true;
}

bool UpgradeWorkflow::unpackCerts() {
    logLine("Unpackaging VPN certs and user databases...");
    const int result = session().run_action(MgmtAction::UnpackCerts);
    if (result == 200) {
        logLine("Done.");
        return true;
    }
    logLine("Problem unpackaging user databases and/or VPN certs.");
    logLine("Connection reports error code: ", false);
    logLine(MgmtSession::result_text(result));
    logLine("You may need to transfer and unpackage these files");
    logLine("on the new firewall manually.");
    logLine("Continuing...");
    if (!interrupted()) ui_.showMessage(upgradeString(upgrade_strings::kUnpackFailed));
    return false;
}

bool UpgradeWorkflow::applyConfig() {
    logLine("Applying new configuration...please stand by - this could take a few minutes...");
    const int result = session().run_action(MgmtAction::UpdateConf);
    if (result == 200) {
        logLine("Done.");
        logLine("Firewall configuration upgrade complete!");
        logLine("New configuration applied successfully!");
        logLine("Please reboot the firewall before using it!");
        return true;
    }
    logLine("Problem applying new configuration. Connection reports");
    logLine("error code ", false);
    logNumber(result, false);
    logLine(std::string(": ") + MgmtSession::result_text(result));
    logLine("You may need to try again or apply the changes manually.");
    logoutFirewall();
    failStep(upgradeString(upgrade_strings::kApplyFailed), upgrade_strings::kApplyFailed);
    restartKeepingWorkingDirectory();
    return false;
}
