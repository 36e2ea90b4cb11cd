// Whole upgrades driven through the wizard against two simulated firewalls: the download path to the
// end, stopping after the download and resuming in a new sheet from the saved file, an upload that
// fails and is retried after Back, and the interface pairing dialog when the addresses do not pair.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <memory>
#include <string>

#include "lib/fwall/mgmt_session.h"
#include "support/files.h"
#include "upgrade/file_names.h"
#include "wizard/download_status.h"
#include "wizard/interface_merge_dialog.h"
#include "wizard/intro_page.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
#include "wizard/report_panel.h"
#include "wizard/sheet_support.h"
#include "wizard/status_page.h"
#include "wizard/stop_or_go.h"
#include "wizard/upgrade_summary.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;
using namespace wizardtest;

class WizardUpgradeTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void downloadPathUpgradesTheNewFirewall();
    void stopAfterDownloadThenResumeInANewSheet();
    void failedUploadOffersBackAndARetrySucceeds();
    void unpairedInterfacesAreAskedForOnTheWindowThread();

private:
    // Starts the new firewall with a sample initial configuration; false when it does not start.
    bool startNew(const std::string& initConfig = "init-60.conf");
    // A sheet aimed at the firewalls' working area, shown on its introduction.
    std::unique_ptr<WizardSheet> newSheet();
    // Drives sheet from IntroPage through DownloadStatus to StopOrGo against the old firewall.
    void download(WizardSheet& sheet);
    // From K6LoginPage (at port) through StatusPage; true when the page offers Next at the end.
    bool upload(WizardSheet& sheet, int port);

    std::unique_ptr<Firewalls> firewalls_;
    QStringList messages_;
};

void WizardUpgradeTest::init() {
    firewalls_ = std::make_unique<Firewalls>();
    messages_.clear();
    std::string error;
    QVERIFY2(firewalls_->startOld(&error), error.c_str());
}

void WizardUpgradeTest::cleanup() {
    firewalls_.reset();
    MgmtSession().logout();
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), "a window was left open");
}

bool WizardUpgradeTest::startNew(const std::string& initConfig) {
    std::string error;
    if (firewalls_->startNew(&error, initConfig)) return true;
    qWarning("%s", error.c_str());
    return false;
}

std::unique_ptr<WizardSheet> WizardUpgradeTest::newSheet() {
    auto sheet = std::make_unique<WizardSheet>();
    prepareSheet(*sheet, firewalls_->work(), &messages_);
    sheet->show();
    return sheet;
}

void WizardUpgradeTest::download(WizardSheet& sheet) {
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kLoginPage));
    fillLogin(sheet.loginPage(), firewalls_->oldPort());
    press(sheet, kNextButton);
    DownloadStatus* page = sheet.downloadStatus();
    QCOMPARE(sheet.currentId(), int(kDownloadStatus));
    QVERIFY(waitUntilDone(page));
    // Success offers Next only; the warnings follow the log.
    QCOMPARE(offeredButtons(sheet), kNextButton);
    QCOMPARE(page->progressBar()->value(), 100);
    QTRY_VERIFY(logText(page).contains("Conversion complete...\n") &&
                logText(page).contains("The following information may also be found in\nthe file: " +
                                       QString::fromStdString(firewalls_->workingDirectory()) + "warnings.txt\n"));
    // The conversion's report beside the log: its counts, and the sample script named as a high finding.
    QTRY_VERIFY(page->reportPanel()->isVisible());
    QVERIFY2(page->reportPanel()->countsLabel()->text().contains(" items:</b> "),
             qPrintable(page->reportPanel()->countsLabel()->text()));
    QVERIFY2(page->reportPanel()->countsLabel()->toolTip().contains("Proxy rules "),
             qPrintable(page->reportPanel()->countsLabel()->toolTip()));
    QVERIFY(page->reportPanel()->findingsLabel()->text().contains("Safety review:"));
    QVERIFY(page->reportPanel()->highFindings()->count() > 0);
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kStopOrGo));
    QCOMPARE(offeredButtons(sheet), kNextButton);
}

bool WizardUpgradeTest::upload(WizardSheet& sheet, int port) {
    if (sheet.currentId() != kK6LoginPage) return false;
    sheet.k6LoginPage()->portEdit()->setValue(port);
    press(sheet, kNextButton);
    return sheet.currentId() == kStatusPage && waitUntilDone(sheet.statusPage()) &&
           offeredButtons(sheet) == kNextButton;
}

void WizardUpgradeTest::downloadPathUpgradesTheNewFirewall() {
    QVERIFY(startNew());
    std::string directory;
    {
        std::unique_ptr<WizardSheet> sheet = newSheet();
        download(*sheet);
        if (QTest::currentTestFailed()) return;
        directory = firewalls_->workingDirectory();
        press(*sheet, kNextButton);
        // The new firewall's login starts from the old one's.
        K6LoginPage* k6 = sheet->k6LoginPage();
        QCOMPARE(k6->hostEdit()->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(k6->portEdit()->value(), firewalls_->oldPort());
        QCOMPARE(k6->passwordEdit()->text(), QString::fromLatin1(kPassword));
        QVERIFY(upload(*sheet, firewalls_->newPort()));
        QVERIFY(logText(sheet->statusPage()).contains("New configuration applied successfully!\n"));

        press(*sheet, kNextButton);
        QCOMPARE(sheet->currentId(), int(kUpgradeSummary));
        QCOMPARE(offeredButtons(*sheet), kFinishButton);
        const QString summary = sheet->upgradeSummary()->summaryText()->toPlainText();
        QVERIFY2(summary.startsWith("The following information may also be found in\nthe file: " +
                                    QString::fromStdString(directory) + "warnings.txt\n\n"),
                 qPrintable(summary));
        // The described text stays as it is; the report has a panel of its own, whose button opens
        // report.html.
        ReportPanel* panel = sheet->upgradeSummary()->reportPanel();
        QVERIFY(panel->isVisible());
        QVERIFY(panel->highFindings()->count() > 0);
        QUrl opened;
        panel->setOpener([&opened](const QUrl& url) {
            opened = url;
            return true;
        });
        panel->openButton()->click();
        QCOMPARE(opened, QUrl::fromLocalFile(QString::fromStdString(directory + "report.html")));
        QVERIFY(fs::exists(directory + "report.html"));
        press(*sheet, kFinishButton);
        QCOMPARE(sheet->result(), int(QDialog::Accepted));
    }
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
    const std::string final = testsupport::readFile(directory + kFinalConfigName);
    QVERIFY(!final.empty());
    QCOMPARE(firewalls_->newFirewallConfig(), final);
    // The log ends with its closing line once the sheet is gone.
    const std::string log = testsupport::readFile(directory + kLogFileName);
    QVERIFY2(log.ends_with("Upgrade Wizard shut down normally\n"), log.c_str());
}

void WizardUpgradeTest::stopAfterDownloadThenResumeInANewSheet() {
    QVERIFY(startNew());
    const std::string before = firewalls_->newFirewallConfig();
    std::string directory;
    {
        std::unique_ptr<WizardSheet> sheet = newSheet();
        download(*sheet);
        if (QTest::currentTestFailed()) return;
        directory = firewalls_->workingDirectory();
        // The stop choice makes the page the last one, and the other choice undoes that.
        sheet->stopOrGo()->stopRadio()->setChecked(true);
        QCOMPARE(offeredButtons(*sheet), kFinishButton);
        sheet->stopOrGo()->continueRadio()->setChecked(true);
        QCOMPARE(offeredButtons(*sheet), kNextButton);
        sheet->stopOrGo()->stopRadio()->setChecked(true);
        press(*sheet, kFinishButton);
        QVERIFY(!sheet->isVisible());
    }
    // Stopped: the saved and converted files stay, the new firewall is untouched.
    QVERIFY(fs::exists(directory + kConvertedConfigName));
    QCOMPARE(firewalls_->newFirewallConfig(), before);

    std::unique_ptr<WizardSheet> sheet = newSheet();
    sheet->introPage()->loadSavedRadio()->setChecked(true);
    QVERIFY(sheet->introPage()->loadSavedConfiguration(QString::fromStdString(directory + kSavedOldConfigName)));
    press(*sheet, kNextButton);
    // Nothing of the old login is known in the new sheet.
    QCOMPARE(sheet->currentId(), int(kK6LoginPage));
    QVERIFY(sheet->k6LoginPage()->hostEdit()->text().isEmpty());
    fillLogin(sheet->k6LoginPage(), firewalls_->newPort());
    QVERIFY(upload(*sheet, firewalls_->newPort()));
    QVERIFY(logText(sheet->statusPage()).contains("Resuming previous upgrade...\n"));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
    QCOMPARE(firewalls_->newFirewallConfig(), testsupport::readFile(directory + kFinalConfigName));
    const std::string log = testsupport::readFile(directory + kLogFileName);
    QVERIFY(log.find("Upgrade Wizard resuming previous upgrade.\n") != std::string::npos);
    sheet->close();
}

void WizardUpgradeTest::failedUploadOffersBackAndARetrySucceeds() {
    QVERIFY(startNew());
    std::unique_ptr<WizardSheet> sheet = newSheet();
    download(*sheet);
    if (QTest::currentTestFailed()) return;
    press(*sheet, kNextButton);

    // The old firewall is no 6.0 one: string 108, Back only, and the page's log says why.
    QVERIFY(!upload(*sheet, firewalls_->oldPort()));
    QVERIFY(sheet->statusPage()->isDone());
    QCOMPARE(offeredButtons(*sheet), kBackButton);
    QTRY_COMPARE(messages_, QStringList{stringText(108)});
    QVERIFY(logText(sheet->statusPage()).contains("Error: Attempted login to non-Kestrane 6.0 firewall\n"));
    sheet->next();  // refused after a failure
    QCOMPARE(sheet->currentId(), int(kStatusPage));

    press(*sheet, kBackButton);
    QCOMPARE(sheet->currentId(), int(kK6LoginPage));
    QVERIFY(upload(*sheet, firewalls_->newPort()));
    QCOMPARE(messages_.size(), 1);
    QCOMPARE(firewalls_->newFirewallConfig(), testsupport::readFile(firewalls_->workingDirectory() + kFinalConfigName));
    // The log box holds this run only.
    QVERIFY(!logText(sheet->statusPage()).contains("non-Kestrane"));
    sheet->close();
}

void WizardUpgradeTest::unpairedInterfacesAreAskedForOnTheWindowThread() {
    QVERIFY(startNew("init-60-readdressed.conf"));
    std::unique_ptr<WizardSheet> sheet = newSheet();
    download(*sheet);
    if (QTest::currentTestFailed()) return;
    press(*sheet, kNextButton);

    // The dialog comes up modal over the status page, on the window thread, while the phase waits;
    // closing it lets the upgrade go on.
    bool asked = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<InterfaceMergeDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        asked = QThread::currentThread() == qApp->thread() &&
                dialog->parentWidget() == static_cast<QWidget*>(sheet->statusPage()) && !sheet->statusPage()->isDone();
        dialog->reject();
    });
    watch.start(20);
    QVERIFY(upload(*sheet, firewalls_->newPort()));
    watch.stop();
    QVERIFY(asked);
    const QString log = logText(sheet->statusPage());
    QVERIFY2(log.contains("Interface merge help will be needed...\nInterface merge complete.\n"), qPrintable(log));
    QVERIFY2(messages_.isEmpty(), qPrintable(messages_.join('\n')));
    sheet->close();
}

QTEST_MAIN(WizardUpgradeTest)
#include "wizard_upgrade_test.moc"
