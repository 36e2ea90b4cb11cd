// A progress page while its phase runs and when it is cut short: nothing leaves the page until the
// worker has ended, a login or phase time-out (shortened through the environment) ends the phase with
// its message once and leaves the page usable, and closing the sheet stops the phase and waits for it.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QtTest>

#include <filesystem>
#include <string>

#include "lib/fwall/mgmt_session.h"
#include "support/files.h"
#include "support/silent_listener.h"
#include "upgrade/file_names.h"
#include "wizard/download_status.h"
#include "wizard/login_page.h"
#include "wizard/sheet_support.h"
#include "wizard/wizard_sheet.h"

namespace fs = std::filesystem;
using namespace wizardtest;

class PhaseInterruptionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void loginTimeOutShows118AndLeavesThePageUsable();
    void runningPhaseCannotBeLeftUntilItsPhaseTimeOut();
    void closingTheSheetStopsTheRunningPhase();

private:
    // Whether the download waits for the file that the old firewall never sends (as the log text
    // shows it before the log box, which is refreshed every two seconds).
    static bool hangs(WizardSheet& sheet) {
        return sheet.bridge().logText(LogChannel::Download).ends_with("Optional file: /usr/local/etc/netperm-table - ");
    }
    // From IntroPage to DownloadStatus, logging in at port.
    static void startDownload(WizardSheet& sheet, int port);
};

void PhaseInterruptionTest::cleanup() {
    qunsetenv("UPGRADE_LOGIN_TIMEOUT");
    qunsetenv("UPGRADE_DOWNLOAD_TIMEOUT");
    MgmtSession().logout();
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), "a window was left open");
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void PhaseInterruptionTest::startDownload(WizardSheet& sheet, int port) {
    press(sheet, kNextButton);
    fillLogin(sheet.loginPage(), port);
    press(sheet, kNextButton);
}

void PhaseInterruptionTest::loginTimeOutShows118AndLeavesThePageUsable() {
    qputenv("UPGRADE_LOGIN_TIMEOUT", "0.5");
    testsupport::SilentListener silent;
    QVERIFY(silent.port() != 0);
    testsupport::ScratchDir work("wizard_work");
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, work.path(), &messages);
    sheet.show();
    DownloadStatus* page = sheet.downloadStatus();
    for (int attempt = 0; attempt < 2; ++attempt) {
        QElapsedTimer took;
        took.start();
        startDownload(sheet, silent.port());
        QCOMPARE(sheet.currentId(), int(kDownloadStatus));
        QVERIFY(waitUntilDone(page, 10'000));
        QVERIFY(took.elapsed() < 5'000);
        QVERIFY(!page->workerRunning());
        QTRY_COMPARE(messages, QStringList{stringText(118)});
        QCOMPARE(offeredButtons(sheet), kBackButton);
        QVERIFY(!sheet.busy());
        QVERIFY(logText(page).contains("Attempting to login...\nLogin failed\n"));
        QCOMPARE(page->statusLine()->text(), QStringLiteral("Stopped: see the messages above."));
        // Back starts over: the login page again, nothing left of the run.
        press(sheet, kBackButton);
        QCOMPARE(sheet.currentId(), int(kLoginPage));
        QVERIFY(sheet.workflow().workingDirectory().empty());
        QVERIFY(fs::is_empty(work.path()));
        messages.clear();
        press(sheet, kBackButton);
        QCOMPARE(sheet.currentId(), int(kIntroPage));
    }
    sheet.close();
}

void PhaseInterruptionTest::runningPhaseCannotBeLeftUntilItsPhaseTimeOut() {
    qputenv("UPGRADE_DOWNLOAD_TIMEOUT", "3");
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error, {"--hang", "/usr/local/etc/netperm-table"}), error.c_str());
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, firewalls.work(), &messages);
    sheet.show();
    startDownload(sheet, firewalls.oldPort());
    DownloadStatus* page = sheet.downloadStatus();

    // At once, and while the transfer hangs: busy, no button, Back and Next refused.
    for (bool hanging : {false, true}) {
        if (hanging) QTRY_VERIFY(hangs(sheet));
        QVERIFY(!page->isDone());
        QVERIFY(sheet.busy());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(offeredButtons(sheet), 0);
        press(sheet, kBackButton);
        press(sheet, kNextButton);
        sheet.next();
        sheet.goBack();
        QCOMPARE(sheet.currentId(), int(kDownloadStatus));
    }
    // The status line names the transfer that waits (the progress timer shows it within two seconds).
    QTRY_COMPARE(page->statusLine()->text(), QStringLiteral("Downloading files: file 8 of 13, netperm-table"));

    QVERIFY(waitUntilDone(page, 20'000));
    QTRY_COMPARE(messages, QStringList{stringText(121)});
    QCOMPARE(offeredButtons(sheet), kBackButton);
    QVERIFY(logText(page).contains("Aborting download!\n"));
    // The files fetched before the hang are whole; the working directory is forgotten.
    const std::string directory = firewalls.workingDirectory();
    QCOMPARE(testsupport::readFile(directory + "keys.conf.PRE60UPGRADE"), std::string("key_1=abc\n"));
    QVERIFY(sheet.workflow().workingDirectory().empty());
    press(sheet, kBackButton);
    QCOMPARE(sheet.currentId(), int(kLoginPage));
    sheet.close();
}

void PhaseInterruptionTest::closingTheSheetStopsTheRunningPhase() {
    Firewalls firewalls;
    std::string error;
    QVERIFY2(firewalls.startOld(&error, {"--hang", "/usr/local/etc/netperm-table"}), error.c_str());
    QStringList messages;
    std::string directory;
    {
        WizardSheet sheet;
        prepareSheet(sheet, firewalls.work(), &messages);
        sheet.show();
        startDownload(sheet, firewalls.oldPort());
        QTRY_VERIFY(hangs(sheet));
        directory = firewalls.workingDirectory();
        QElapsedTimer took;
        took.start();
        sheet.reject();
        QVERIFY(took.elapsed() < 5'000);
        QVERIFY(!sheet.isVisible());
        QVERIFY(!sheet.downloadStatus()->workerRunning());
        QVERIFY(!sheet.busy());
    }
    QCoreApplication::processEvents();
    // Nobody is asked anything once the sheet is closed; the log was closed properly.
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
    const std::string log = testsupport::readFile(directory + kLogFileName);
    QVERIFY2(log.ends_with("Upgrade Wizard shut down normally\n"), log.c_str());
}

QTEST_MAIN(PhaseInterruptionTest)
#include "phase_interruption_test.moc"
