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
#include "upgrade/readable_file.h"
#include "upgrade/step_texts.h"
#include "upgrade/upgrade_strings.h"
#include "upgrade/workflow.h"

namespace {

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
    StepJournal journal(*this, "pack_certs", true);
    logLine("Packaging any VPN Certs for download...");
    const int result = session().run_action(MgmtAction::PackCerts);
    if (result == 200) {
        logLine("Done.");
        return journal.succeed();
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
    StepJournal journal(*this, "download_files");
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
        if (result == 200) manifest_.recordOutput(row.savedName(), local);
        // An interrupted phase fails every later exchange: the download stops here.
        if (!continueUnlessStopped("Aborting download!", false)) return false;
        ++done;
    }
    ui_.reportProgress(ProgressReport{"Downloading files", done, total});
    logLine("Download complete");
    return journal.succeed();
}

bool UpgradeWorkflow::getNewConfig() {
    StepJournal journal(*this, "get_new_config");
    logLine("Retrieving kestrane.conf from new firewall...");
    const std::string local = pathOf(kNewInitConfigName);
    const int result = session().fetch_file(kFirewallConfigRemotePath, local.c_str(), false);
    if (result == 200) {
        logLine("Done");
        manifest_.recordOutput(kNewInitConfigName, local);
        return journal.succeed();
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
    StepJournal journal(*this, "upload_files");
    if (!continueUnlessStopped("Aborting upload!", true)) return false;
    logLine("Copying files up to new firewall...");
    long total = 1;
    for (const UpgradeFile& row : fileTable_.rows())
        if (row.status != UpgradeFile::kNotTransferred) ++total;
    long done = 0;
    ui_.reportProgress(ProgressReport{"Uploading files", done, total});

    // The final configuration is what the firewall will apply: only the one this run produced, as its
    // manifest records it, is sent.
    const std::string final = pathOf(kFinalConfigName);
    if (!sendConfiguration(final, manifest_.notProducedByThisRunBecause(kFinalConfigName, final), done, total))
        return false;
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
    return journal.succeed();
}

bool UpgradeWorkflow::sendConfiguration(const std::string& local, const std::string& refused, long done, long total) {
    // A file that is missing or cannot be read fails the transfer (the session would answer 200
    // without sending anything).
    logLine("Critical file: " + local + " - ", false);
    const std::string unreadable = unreadableBecause(local);
    int result = 0;
    if (!unreadable.empty()) {
        logLine("Unable to read the file: " + unreadable);
    } else if (!refused.empty()) {
        logLine("Not sent: " + refused);
    } else {
        const TransferReports reports(session(), ui_, ProgressReport{"Uploading files", done, total, local, 0});
        result = session().send_file(local.c_str(), kNewConfigRemotePath, false);
        logLine(MgmtSession::result_text(result));
    }
    if (unreadable.empty() && refused.empty() && result == 200) return true;
    logLine("Aborting upload!");
    if (unreadable.empty() && refused.empty()) {
        logLine("Received '", false);
        logNumber(result, false);
        logLine("' error during upload of critical file");
    }
    logLine(kCannotContinue);
    if (unreadable.empty() && !refused.empty())
        failStep("The final configuration " + local + " was not sent: " + refused);
    else
        failStep(formatUpgradeString(upgrade_strings::kCriticalUpload, local), upgrade_strings::kCriticalUpload);
    logoutFirewall();
    restartKeepingWorkingDirectory();
    return false;
}

bool UpgradeWorkflow::unpackCerts() {
    StepJournal journal(*this, "unpack_certs", true);
    logLine("Unpackaging VPN certs and user databases...");
    const int result = session().run_action(MgmtAction::UnpackCerts);
    if (result == 200) {
        logLine("Done.");
        return journal.succeed();
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
    StepJournal journal(*this, "apply_config");
    logLine("Applying new configuration...please stand by - this could take a few minutes...");
    const int result = session().run_action(MgmtAction::UpdateConf);
    if (result == 200) {
        logLine("Done.");
        logLine("Firewall configuration upgrade complete!");
        logLine("New configuration applied successfully!");
        logLine("Please reboot the firewall before using it!");
        return journal.succeed();
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
