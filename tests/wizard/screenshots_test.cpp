// Renders the wizard's windows to PNG files in SCREENSHOT_DIR, at the size they open with, so that
// their look can be reviewed without a display: the interface merge dialog, and every page of the
// sheet as an upgrade between two simulated firewalls reaches it, a progress page while its phase runs
// and one whose phase failed. Each file is checked to have been written; what is in it is for a
// person to judge.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QtTest>
#include <chrono>
#include <string>

#include "convert/interface_pairing.h"
#include "lib/fwall/mgmt_session.h"
#include "support/closed_port.h"
#include "support/silent_listener.h"
#include "wizard/download_status.h"
#include "wizard/interface_merge_dialog.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
#include "wizard/sheet_support.h"
#include "wizard/status_page.h"
#include "wizard/wizard_sheet.h"

using namespace std::chrono_literals;
using namespace wizardtest;

namespace {

// Old interfaces as a 5.x firewall names them, new ones as a 6.0 firewall does.
struct Interfaces {
    Interfaces(int oldCount, int newCount) : physicalCount(oldCount) {
        const char* places[] = {"Outside", "Inside", "DMZ", "Servers", "Lab", "Guests"};
        for (int i = 0; i < oldCount; ++i) {
            InterfaceRecord r;
            r.interface = "eth" + std::to_string(i);
            r.addr = "172.16." + std::to_string(i) + ".254";
            r.location = places[i % 6];
            oldList.push_back(r);
        }
        for (int j = 0; j < newCount; ++j) {
            InterfaceRecord r;
            r.interface = "em" + std::to_string(j);
            r.addr = "192.168." + std::to_string(j + 1) + ".1";
            r.location = places[j % 6];
            newList.push_back(r);
        }
    }
    InterfaceList oldList;
    InterfaceList newList;
    int physicalCount;
    InterfacePairing pairing{oldList, physicalCount, newList};
};

}  // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(SCREENSHOT_DIR)); }
    void cleanup() {
        MgmtSession().logout();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void mergeDialog_data() {
        QTest::addColumn<int>("oldCount");
        QTest::addColumn<int>("newCount");
        QTest::newRow("merge-dialog-equal-counts") << 3 << 3;
        QTest::newRow("merge-dialog-different-counts") << 2 << 4;
        QTest::newRow("merge-dialog-12-old") << 12 << 4;
    }
    void mergeDialog() {
        QFETCH(int, oldCount);
        QFETCH(int, newCount);
        Interfaces interfaces(oldCount, newCount);
        InterfaceMergeDialog dialog(interfaces.pairing);
        render(dialog, QTest::currentDataTag());
    }

    // The download path from the introduction to the summary, each page as the administrator sees it.
    void sheetThroughAWholeUpgrade() {
        Firewalls firewalls;
        std::string error;
        QVERIFY2(firewalls.startOld(&error), error.c_str());
        QVERIFY2(firewalls.startNew(&error), error.c_str());
        QStringList messages;
        WizardSheet sheet;
        prepareSheet(sheet, firewalls.work(), &messages);

        render(sheet, "sheet-1-intro");
        press(sheet, kNextButton);
        QCOMPARE(sheet.currentId(), int(kLoginPage));
        render(sheet, "sheet-2-login-empty");
        fillLogin(sheet.loginPage(), firewalls.oldPort());
        render(sheet, "sheet-2-login-filled");
        press(sheet, kNextButton);
        QVERIFY(waitUntilDone(sheet.downloadStatus()));
        settle();
        render(sheet, "sheet-3-download-finished");
        press(sheet, kNextButton);
        QCOMPARE(sheet.currentId(), int(kStopOrGo));
        render(sheet, "sheet-4-stop-or-go");
        press(sheet, kNextButton);
        QCOMPARE(sheet.currentId(), int(kK6LoginPage));
        render(sheet, "sheet-5-new-login-preset");
        fillLogin(sheet.k6LoginPage(), firewalls.newPort());
        press(sheet, kNextButton);
        QVERIFY(waitUntilDone(sheet.statusPage()));
        settle();
        render(sheet, "sheet-6-upload-finished");
        press(sheet, kNextButton);
        QCOMPARE(sheet.currentId(), int(kUpgradeSummary));
        render(sheet, "sheet-7-summary");
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        sheet.close();
    }

    // The download page while its phase runs: the login waits on a firewall that never answers, and
    // the log and the progress report of later steps are fed to the page the way the workflow's
    // worker feeds them, so that a long log and a status line can be seen. The login time-out then
    // ends the phase.
    void downloadPageWhileItsPhaseRuns() {
        Firewalls firewalls;
        testsupport::SilentListener silent;
        QVERIFY(silent.port() > 0);
        UpgradeTimeouts timeouts;
        timeouts.login = 6s;  // two refreshes of the status line, two seconds apart
        QStringList messages;
        WizardSheet sheet(timeouts);
        prepareSheet(sheet, firewalls.work(), &messages);
        sheet.show();
        press(sheet, kNextButton);
        fillLogin(sheet.loginPage(), silent.port());
        press(sheet, kNextButton);
        QVERIFY(silent.awaitClient(5s));

        WorkflowBridge& bridge = sheet.bridge();
        for (const char* line : kRunningLog) bridge.appendLog(line, true);
        bridge.reportProgress(ProgressReport{"Converting the old configuration", 1830, 0});
        QLabel* status = sheet.downloadStatus()->statusLine();
        QVERIFY(QTest::qWaitFor([status] { return status->text().startsWith("Converting"); }, 5000));
        render(sheet, "sheet-3-download-running");
        // A transfer names its file and the bytes moved so far.
        bridge.reportProgress(ProgressReport{"Downloading files", 12, 13, "/tmp/full-backup.tar", 40 << 20});
        QVERIFY(QTest::qWaitFor([status] { return status->text().startsWith("Downloading"); }, 5000));
        QCOMPARE(status->text(), QStringLiteral("Downloading files: file 13 of 13, full-backup.tar (40.00 MiB)"));
        QVERIFY(waitUntilDone(sheet.downloadStatus(), 15'000));
        sheet.close();
    }

    // A download whose firewall refuses the connection: the message, and the page offering Back.
    void downloadPageAfterAFailure() {
        Firewalls firewalls;
        QStringList messages;
        WizardSheet sheet;
        prepareSheet(sheet, firewalls.work(), &messages);
        sheet.show();
        press(sheet, kNextButton);
        fillLogin(sheet.loginPage(), testsupport::closedPort());
        press(sheet, kNextButton);
        QVERIFY(waitUntilDone(sheet.downloadStatus()));
        settle();
        QCOMPARE(messages.size(), 1);
        render(sheet, "sheet-3-download-failed");
        sheet.close();
    }

private:
    // What a download's log holds, after its first line, by the time it converts.
    static constexpr const char* kRunningLog[] = {
        "Logged in - firewall version 5.5",
        "Created new working directory: /home/admin/upgrades/10.1.1.1-07-Dec-2026-00-12-19/",
        "Packaging any VPN Certs for download...",
        "Done.",
        "Retrieving files from old firewall...",
        "kestrane.conf",
        "keys.conf",
        "netperm-table",
        "Logged out.",
        "Starting conversion...",
        "File loaded and parsed",
    };

    // Lets the completion timer of a finished phase run (it adds to the log) and the layout settle.
    static void settle() { QTest::qWait(1500); }

    // Shows the window at the size it opens with and writes what it draws to NAME.png.
    static void render(QWidget& window, const QString& name) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QApplication::processEvents();
        const QString path = QDir(SCREENSHOT_DIR).filePath(name + ".png");
        QVERIFY2(window.grab().save(path), qPrintable(path));
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
