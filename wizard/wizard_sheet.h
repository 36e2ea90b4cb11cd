// WizardSheet: the program's one window, a wizard whose seven pages collect the two logins, run the
// download and upload phases of the upgrade workflow on worker threads, let the administrator stop
// after the download (and resume later from the saved files), and sum the upgrade up.
//
// The sheet holds the upgrade workflow for the program's whole life, and the bridge through which
// the workflow's worker reaches the windows. The page that follows the introduction is chosen by the
// pages' nextId(): the download path is IntroPage, LoginPage, DownloadStatus, StopOrGo, K6LoginPage,
// StatusPage, UpgradeSummary; the resume path IntroPage, K6LoginPage, StatusPage, UpgradeSummary.
//
// While a phase runs the sheet is busy: Back and Next are refused and the wait cursor shows. Closing
// the sheet stops a running phase and waits for its worker. Window thread only.
#pragma once

#include <QFont>
#include <QWizard>

#include <functional>

#include "upgrade/upgrade_timeouts.h"
#include "upgrade/workflow.h"
#include "wizard/workflow_bridge.h"

class DownloadStatus;
class IntroPage;
class K6LoginPage;
class LoginPage;
class PhasePage;
class StatusPage;
class StopOrGo;
class UpgradeSummary;

class WizardSheet : public QWizard {
    Q_OBJECT

public:
    // timeouts: how long the logins and the phases may take.
    explicit WizardSheet(const UpgradeTimeouts& timeouts = UpgradeTimeouts::fromEnvironment(),
                         QWidget* parent = nullptr);
    ~WizardSheet() override;

    UpgradeWorkflow& workflow() { return workflow_; }
    WorkflowBridge& bridge() { return bridge_; }
    const UpgradeTimeouts& timeouts() const { return timeouts_; }
    const QFont& titleFont() const { return titleFont_; }
    const QFont& headingFont() const { return headingFont_; }

    // Enables the buttons of mask (kBackButton, kNextButton, kFinishButton) and disables the others.
    void applyWizardButtons(int mask);
    // The busy state of a running phase: the wait cursor over the sheet; Back and Next are the
    // page's to refuse.
    void setBusy(bool busy);
    bool busy() const { return busy_; }

    // Replaces how the workflow's messages are shown (by default a message box over the sheet).
    void setMessageHandler(std::function<void(const QString&)> handler);
    // Shows text in a message box over the sheet, with the normal cursor while it is open.
    void showMessageBox(const QString& text);

    // Goes back unless the current page refuses (a phase is running).
    void goBack();
    // Stops a running phase, waits for its worker, then closes as QWizard does.
    void done(int result) override;

    IntroPage* introPage() const { return intro_; }
    LoginPage* loginPage() const { return login_; }
    DownloadStatus* downloadStatus() const { return download_; }
    StopOrGo* stopOrGo() const { return stopOrGo_; }
    K6LoginPage* k6LoginPage() const { return k6Login_; }
    StatusPage* statusPage() const { return status_; }
    UpgradeSummary* upgradeSummary() const { return summary_; }

public slots:
    // The "About Upgrade" box.
    void showAbout();

private:
    void pageChanged(int id);
    // Asks the running phases to stop and waits for their workers.
    void stopPhases();

    WorkflowBridge bridge_;
    UpgradeWorkflow workflow_{bridge_};
    UpgradeTimeouts timeouts_;
    QFont titleFont_;
    QFont headingFont_;
    bool busy_ = false;

    // Owned by QWizard.
    IntroPage* intro_ = nullptr;
    LoginPage* login_ = nullptr;
    DownloadStatus* download_ = nullptr;
    StopOrGo* stopOrGo_ = nullptr;
    StatusPage* status_ = nullptr;
    UpgradeSummary* summary_ = nullptr;
    K6LoginPage* k6Login_ = nullptr;
};
