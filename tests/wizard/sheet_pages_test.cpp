// The wizard's pages without a firewall: the introduction's choice and resuming from a saved
// configuration, the two logins, the summary without a working directory, the About box and the
// command line. (Whole paths through the sheet are in wizard_upgrade_test.)
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include "lib/fwall/mgmt_session.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "wizard/about_dialog.h"
#include "wizard/command_line.h"
#include "wizard/intro_page.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
#include "wizard/sheet_support.h"
#include "wizard/string_table.h"
#include "wizard/upgrade_summary.h"
#include "wizard/wizard_sheet.h"

using namespace wizardtest;

class SheetPagesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void introductionOffersNextOnlyOnceASavedConfigurationIsLoaded();
    void aSavedConfigurationThatCannotBeOpenedIsShownAndNextStaysRefused();
    void newLoginStartsFromTheOldOneUntilItIsStored();
    void summaryWithoutWorkingDirectorySaysNoExtraInformation();
    void aboutButtonOpensTheAboutBoxWithTheVersion();
    void commandLineAnswersHelpAndVersionAndRefusesTheUnknown();
};

void SheetPagesTest::cleanup() {
    MgmtSession().logout();
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), "a window was left open");
}

void SheetPagesTest::introductionOffersNextOnlyOnceASavedConfigurationIsLoaded() {
    testsupport::ScratchDir saved("wizard_saved");
    const std::string file = saved.file("kestrane.conf.PRE60UPGRADE");
    QVERIFY(testsupport::writeFile(file, testsupport::readFile(kSamples + "branch-5x.conf")));
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, saved.path(), &messages);
    sheet.show();
    IntroPage* intro = sheet.introPage();
    QVERIFY(intro->downloadRadio()->isChecked());
    QVERIFY(!intro->loadFromDiskButton()->isEnabled());
    QCOMPARE(offeredButtons(sheet), kNextButton);

    intro->loadSavedRadio()->setChecked(true);
    QVERIFY(intro->loadFromDiskButton()->isEnabled());
    QCOMPARE(offeredButtons(sheet), 0);
    sheet.next();  // refused: nothing is loaded yet
    QCOMPARE(sheet.currentId(), int(kIntroPage));

    QVERIFY(intro->loadSavedConfiguration(QString::fromStdString(file)));
    QCOMPARE(offeredButtons(sheet), kNextButton);
    QCOMPARE(sheet.workflow().workingDirectory(), saved.path().string() + "/");
    QVERIFY(messages.isEmpty());
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kK6LoginPage));
    QCOMPARE(offeredButtons(sheet), kBackButton | kNextButton);
    press(sheet, kBackButton);
    QCOMPARE(sheet.currentId(), int(kIntroPage));

    // Back on the download choice: Next again, and the load button is off.
    intro->downloadRadio()->setChecked(true);
    QVERIFY(!intro->loadFromDiskButton()->isEnabled());
    QCOMPARE(offeredButtons(sheet), kNextButton);
    press(sheet, kNextButton);
    QCOMPARE(sheet.currentId(), int(kLoginPage));
    sheet.close();
}

void SheetPagesTest::aSavedConfigurationThatCannotBeOpenedIsShownAndNextStaysRefused() {
    testsupport::ScratchDir scratch("wizard_saved");
    QStringList messages;
    WizardSheet sheet;
    prepareSheet(sheet, scratch.path(), &messages);
    sheet.show();
    sheet.introPage()->loadSavedRadio()->setChecked(true);
    const QString missing = QString::fromStdString(scratch.file("gone/kestrane.conf.PRE60UPGRADE"));
    QVERIFY(!sheet.introPage()->loadSavedConfiguration(missing));
    QTRY_COMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith("Unable to resume from " + missing + ": "), qPrintable(messages.first()));
    QCOMPARE(offeredButtons(sheet), 0);
    QVERIFY(sheet.workflow().workingDirectory().empty());
    sheet.close();
}

void SheetPagesTest::newLoginStartsFromTheOldOneUntilItIsStored() {
    WizardSheet sheet;
    sheet.setStartId(kLoginPage);
    sheet.show();
    LoginPage* login = sheet.loginPage();
    QCOMPARE(login->portEdit()->value(), 8004);
    QCOMPARE(login->passwordEdit()->echoMode(), QLineEdit::Password);
    QCOMPARE(login->hostEdit()->maxLength(), 255);
    fillLogin(login, 9100, QStringLiteral("old.example"));
    QVERIFY(login->validatePage());
    QCOMPARE(sheet.workflow().oldLogin.host, std::string("old.example"));
    QCOMPARE(sheet.workflow().oldLogin.port, 9100u);

    K6LoginPage* k6 = sheet.k6LoginPage();
    k6->initializePage();
    QCOMPARE(k6->hostEdit()->text(), QStringLiteral("old.example"));
    QCOMPARE(k6->portEdit()->value(), 9100);
    QCOMPARE(k6->passwordEdit()->text(), QString::fromLatin1(kPassword));
    fillLogin(k6, 9200, QStringLiteral("new.example"));
    QVERIFY(k6->validatePage());
    QCOMPARE(sheet.workflow().newLogin.host, std::string("new.example"));
    QCOMPARE(sheet.workflow().oldLogin.host, std::string("old.example"));
    // Entered again, the page shows the new login it stored.
    k6->initializePage();
    QCOMPARE(k6->hostEdit()->text(), QStringLiteral("new.example"));
    QCOMPARE(k6->portEdit()->value(), 9200);
    sheet.close();
}

void SheetPagesTest::summaryWithoutWorkingDirectorySaysNoExtraInformation() {
    WizardSheet sheet;
    sheet.setStartId(kUpgradeSummary);
    sheet.show();
    QCOMPARE(sheet.upgradeSummary()->summaryText()->toPlainText(),
             QStringLiteral("No extra information was necessary"));
    QCOMPARE(offeredButtons(sheet), kFinishButton);
    sheet.close();
}

void SheetPagesTest::aboutButtonOpensTheAboutBoxWithTheVersion() {
    WizardSheet sheet;
    sheet.show();
    QAbstractButton* about = sheet.button(QWizard::CustomButton1);
    QVERIFY(about->isVisible());
    QCOMPARE(about->text(), QStringLiteral("&About Upgrade..."));
    QString title;
    QString version;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        title = box->windowTitle();
        version = box->versionText();
        box->accept();
    });
    QTest::mouseClick(about, Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("About Upgrade"));
    QCOMPARE(version, loadString(strings::kVersion));
    sheet.close();
}

void SheetPagesTest::commandLineAnswersHelpAndVersionAndRefusesTheUnknown() {
    setApplicationIdentity();
    CommandLineAnswer answer = earlyCommandLine({"upgrade", "--version"});
    QVERIFY(answer.handled);
    QCOMPARE(answer.exitStatus, 0);
    QCOMPARE(answer.output, QStringLiteral("upgrade v.K60R0226a\n"));

    answer = earlyCommandLine({"upgrade", "--help"});
    QVERIFY(answer.handled);
    QVERIFY2(answer.output.startsWith("Usage: "), qPrintable(answer.output));
    QVERIFY(answer.output.contains("--version"));
    QVERIFY(answer.output.contains("UPGRADE_LOGIN_TIMEOUT"));

    // Qt's own options are not refused before Qt has seen them; nothing at all starts the wizard.
    QVERIFY(!earlyCommandLine({"upgrade", "-platform", "offscreen"}).handled);
    QVERIFY(!checkCommandLine({"upgrade"}).handled);

    answer = checkCommandLine({"upgrade", "--bogus"});
    QVERIFY(answer.handled);
    QCOMPARE(answer.exitStatus, 2);
    QVERIFY2(answer.error.contains("bogus"), qPrintable(answer.error));
    QCOMPARE(checkCommandLine({"upgrade", "stray"}).exitStatus, 2);
}

QTEST_MAIN(SheetPagesTest)
#include "sheet_pages_test.moc"
