// Whole upgrades driven through the wizard against two simulated firewalls: the download path to the
// end, stopping after the download and resuming in a new sheet from the saved file, an upload that
// fails and is retried after Back, and the interface pairing dialog when the addresses do not pair.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <string>

#include "lib/fwall/mgmt_session.h"
#include "support/files.h"
#include "upgrade/file_names.h"
#include "wizard/download_status.h"
#include "wizard/interface_merge_dialog.h"
#include "wizard/intro_page.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
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
    void cleanup();

    void downloadPathUpgradesTheNewFirewall();
    void stopAfterDownloadThenResumeInANewSheet();
    void failedUploadOffersBackAndARetrySucceeds();
    void unpairedInterfacesAreAskedForOnTheWindowThread();

private:
    // Drives sheet from IntroPage through DownloadStatus to StopOrGo against the old firewall.
    void download(WizardSheet& sheet, const Firewalls& firewalls);
    // From K6LoginPage (at port) through StatusPage; true when the page offers Next at the end.
    bool upload(WizardSheet& sheet, int port);
};

void WizardUpgradeTest::cleanup() {
    MgmtSession().logout();
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), "a window was left open");
}

void WizardUpgradeTest::download(WizardSheet& sheet, const Firewalls& firewalls) {
    QCOMPARE(sheet.currentId(), int(kIntroPage));
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kLoginPage));
    QCOMPARE(offeredButtons(sheet), kBackButton | kNextButton);
    fillLogin(sheet.loginPage(), firewalls.oldPort());
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kDownloadStatus));
    DownloadStatus* page = sheet.downloadStatus();
    QVERIFY(waitUntilDone(page));
    // Success offers Next only; the warnings follow the log.
    QCOMPARE(offeredButtons(sheet), kNextButton);
    QCOMPARE(page->progressBar()->value(), 100);
    QVERIFY(!sheet.busy());
    QTRY_VERIFY(logText(page).contains("The following information may also be found in\nthe file: " +
                                       QString::fromStdString(firewalls.workingDirectory()) + "warnings.txt\n"));
    QVERIFY(logText(page).startsWith("Attempting to login...\n"));
    QVERIFY(logText(page).contains("Download complete\n"));
    QVERIFY(logText(page).contains("Conversion complete...\n"));
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kStopOrGo));
    QCOMPARE(offeredButtons(sheet), kNextButton);
}

bool WizardUpgradeTest::upload(WizardSheet& sheet, int port) {
    if (sheet.currentId() != kK6LoginPage) return false;
    sheet.k6LoginPage()->portEdit()->setValue(port);
    press(sheet, kNextButton);
    if (sheet.currentId() != kStatusPage) return false;
    return waitUntilDone(sheet.statusPage()) && offeredButtons(sheet) == kNextButton;
}

void WizardUpgradeTest::downloadPathUpgradesTheNewFirewall() {
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error), error.c_str());
    QVERIFY2(firewalls.startNew(&error), error.c_str());
    QStringList messages;
    std::string directory;
    {
        WizardSheet sheet;
        prepareSheet(sheet, firewalls.work(), &messages);
        sheet.show();
        download(sheet, firewalls);
        if (QTest::currentTestFailed()) return;
        directory = firewalls.workingDirectory();
        press(sheet, kNextButton);
        // The new firewall's login starts from the old one's.
        K6LoginPage* k6 = sheet.k6LoginPage();
        QCOMPARE(k6->hostEdit()->text(), QStringLiteral("127.0.0.1"));
        QCOMPARE(k6->portEdit()->value(), firewalls.oldPort());
        QCOMPARE(k6->userEdit()->text(), QStringLiteral("admin"));
        QCOMPARE(k6->passwordEdit()->text(), QString::fromLatin1(kPassword));
        QVERIFY(upload(sheet, firewalls.newPort()));
        QVERIFY(logText(sheet.statusPage()).contains("New configuration applied successfully!\n"));
        QCOMPARE(sheet.statusPage()->progressBar()->value(), 100);

        press(sheet, kNextButton);
        QCOMPARE(sheet.currentId(), int(kUpgradeSummary));
        QCOMPARE(offeredButtons(sheet), kFinishButton);
        const QString summary = sheet.upgradeSummary()->summaryText()->toPlainText();
        QVERIFY2(summary.startsWith("The following information may also be found in\nthe file: " +
                                    QString::fromStdString(directory) + "warnings.txt\n\n"),
                 qPrintable(summary));
        press(sheet, kFinishButton);
        QCOMPARE(sheet.result(), int(QDialog::Accepted));
    }
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    const std::string final = testsupport::readFile(directory + kFinalConfigName);
    QVERIFY(!final.empty());
    QCOMPARE(firewalls.newFirewallConfig(), final);
    // The log ends with its closing line once the sheet is gone.
    const std::string log = testsupport::readFile(directory + kLogFileName);
    QVERIFY2(log.ends_with("Upgrade Wizard shut down normally\n"), log.c_str());
}

void WizardUpgradeTest::stopAfterDownloadThenResumeInANewSheet() {
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error), error.c_str());
    QVERIFY2(firewalls.startNew(&error), error.c_str());
    const std::string before = firewalls.newFirewallConfig();
    QStringList messages;
    std::string directory;
    {
        WizardSheet sheet;
        prepareSheet(sheet, firewalls.work(), &messages);
        sheet.show();
        download(sheet, firewalls);
        if (QTest::currentTestFailed()) return;
        directory = firewalls.workingDirectory();
        sheet.stopOrGo()->stopRadio()->setChecked(true);
        QCOMPARE(offeredButtons(sheet), kFinishButton);
        press(sheet, kFinishButton);
        QVERIFY(!sheet.isVisible());
    }
    // Stopped: the saved and converted files stay, the new firewall is untouched.
    QVERIFY(fs::exists(directory + kSavedOldConfigName));
    QVERIFY(fs::exists(directory + kConvertedConfigName));
    QCOMPARE(firewalls.newFirewallConfig(), before);

    WizardSheet sheet;
    prepareSheet(sheet, firewalls.work(), &messages);
    sheet.show();
    sheet.introPage()->loadSavedRadio()->setChecked(true);
    QVERIFY(sheet.introPage()->loadSavedConfiguration(QString::fromStdString(directory + kSavedOldConfigName)));
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kK6LoginPage));
    // Nothing of the old login is known in the new sheet.
    QVERIFY(sheet.k6LoginPage()->hostEdit()->text().isEmpty());
    QCOMPARE(sheet.k6LoginPage()->portEdit()->value(), 8004);
    fillLogin(sheet.k6LoginPage(), firewalls.newPort());
    QVERIFY(upload(sheet, firewalls.newPort()));
    QVERIFY(logText(sheet.statusPage()).contains("Resuming previous upgrade...\n"));
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    QCOMPARE(firewalls.newFirewallConfig(), testsupport::readFile(directory + kFinalConfigName));
    const std::string log = testsupport::readFile(directory + kLogFileName);
    QVERIFY(log.find("Upgrade Wizard resuming previous upgrade.\n") != std::string::npos);
    press(sheet, kNextButton);
    press(sheet, kFinishButton);
}

void WizardUpgradeTest::failedUploadOffersBackAndARetrySucceeds() {
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error), error.c_str());
    QVERIFY2(firewalls.startNew(&error), error.c_str());
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, firewalls.work(), &messages);
    sheet.show();
    download(sheet, firewalls);
    if (QTest::currentTestFailed()) return;
    press(sheet, kNextButton);

    // The old firewall is no 6.0 one: string 108, Back only, and the page's log says why.
    QVERIFY(!upload(sheet, firewalls.oldPort()));
    QCOMPARE(sheet.currentId(), int(kStatusPage));
    QVERIFY(sheet.statusPage()->isDone());
    QCOMPARE(offeredButtons(sheet), kBackButton);
    QTRY_COMPARE(messages, QStringList{stringText(108)});
    QVERIFY(logText(sheet.statusPage()).contains("Error: Attempted login to non-Kestrane 6.0 firewall\n"));
    sheet.next();  // refused after a failure
    QCOMPARE(sheet.currentId(), int(kStatusPage));

    press(sheet, kBackButton);
    QCOMPARE(sheet.currentId(), int(kK6LoginPage));
    QVERIFY(upload(sheet, firewalls.newPort()));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(firewalls.newFirewallConfig(), testsupport::readFile(firewalls.workingDirectory() + kFinalConfigName));
    // The log box holds this run only.
    QVERIFY(!logText(sheet.statusPage()).contains("non-Kestrane"));
    sheet.close();
}

void WizardUpgradeTest::unpairedInterfacesAreAskedForOnTheWindowThread() {
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error), error.c_str());
    QVERIFY2(firewalls.startNew(&error, "init-60-readdressed.conf"), error.c_str());
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, firewalls.work(), &messages);
    sheet.show();
    download(sheet, firewalls);
    if (QTest::currentTestFailed()) return;
    press(sheet, kNextButton);

    // The dialog comes up modal over the status page; closing it lets the upgrade go on.
    bool asked = false;
    bool onWindowThread = false;
    QWidget* parent = nullptr;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<InterfaceMergeDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        asked = true;
        onWindowThread = QThread::currentThread() == dialog->thread() && dialog->thread() == qApp->thread();
        parent = dialog->parentWidget();
        QVERIFY(!sheet.statusPage()->isDone());
        dialog->reject();
    });
    watch.start(20);
    QVERIFY(upload(sheet, firewalls.newPort()));
    watch.stop();
    QVERIFY(asked);
    QVERIFY(onWindowThread);
    QCOMPARE(parent, static_cast<QWidget*>(sheet.statusPage()));
    const QString log = logText(sheet.statusPage());
    QVERIFY2(log.contains("Interface merge help will be needed...\nInterface merge complete.\n"), qPrintable(log));
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    sheet.close();
}

QTEST_MAIN(WizardUpgradeTest)
#include "wizard_upgrade_test.moc"
