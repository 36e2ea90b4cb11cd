// The wizard's pages without a firewall: the page that follows each one on both paths, the buttons
// each page offers, the login fields, the choice between stopping and going on, resuming from a
// saved configuration, the summary without a working directory, the About box and the command line.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "lib/fwall/mgmt_session.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "wizard/about_dialog.h"
#include "wizard/command_line.h"
#include "wizard/intro_page.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
#include "wizard/sheet_support.h"
#include "wizard/stop_or_go.h"
#include "wizard/string_table.h"
#include "wizard/upgrade_summary.h"
#include "wizard/wizard_sheet.h"

#include <QPlainTextEdit>

using namespace wizardtest;

class SheetPagesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void eachPageLeadsToTheNextOfItsPath();
    void introductionOffersNextOnlyOnceASavedConfigurationIsLoaded();
    void aSavedConfigurationThatCannotBeOpenedIsShownAndNextStaysRefused();
    void loginPagesStartEmptyOnPort8004WithTheirLimits();
    void newLoginIsPresetFromTheOldOneUntilItIsStored();
    void stopRadioMakesStopOrGoTheLastPageWithFinish();
    void summaryWithoutWorkingDirectorySaysNoExtraInformation();
    void aboutButtonOpensTheAboutBoxWithTheVersion();
    void sheetCarriesTheCaptionAndTheFonts();
    void commandLineAnswersHelpAndVersionAndRefusesTheUnknown();
};

void SheetPagesTest::cleanup() {
    MgmtSession().logout();
    for (QWidget* widget : QApplication::topLevelWidgets()) QVERIFY2(!widget->isVisible(), "a window was left open");
}

void SheetPagesTest::eachPageLeadsToTheNextOfItsPath() {
    WizardSheet sheet;
    QCOMPARE(sheet.startId(), int(kIntroPage));
    // Download path.
    QCOMPARE(sheet.introPage()->nextId(), int(kLoginPage));
    QCOMPARE(sheet.loginPage()->nextId(), int(kDownloadStatus));
    QCOMPARE(sheet.page(kDownloadStatus)->nextId(), int(kStopOrGo));
    QCOMPARE(sheet.stopOrGo()->nextId(), int(kK6LoginPage));
    QCOMPARE(sheet.k6LoginPage()->nextId(), int(kStatusPage));
    QCOMPARE(sheet.page(kStatusPage)->nextId(), int(kUpgradeSummary));
    QCOMPARE(sheet.upgradeSummary()->nextId(), -1);
    // Resume path, and stopping between the phases.
    sheet.introPage()->loadSavedRadio()->setChecked(true);
    QCOMPARE(sheet.introPage()->nextId(), int(kK6LoginPage));
    sheet.stopOrGo()->stopRadio()->setChecked(true);
    QCOMPARE(sheet.stopOrGo()->nextId(), -1);
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
    QCOMPARE(sheet.currentId(), int(kIntroPage));
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
    QVERIFY2(messages.first().startsWith("Unable to open the log in "), qPrintable(messages.first()));
    QCOMPARE(offeredButtons(sheet), 0);
    QVERIFY(sheet.workflow().workingDirectory().empty());
    sheet.close();
}

void SheetPagesTest::loginPagesStartEmptyOnPort8004WithTheirLimits() {
    WizardSheet sheet;
    for (FirewallLoginPage* page :
         {static_cast<FirewallLoginPage*>(sheet.loginPage()), static_cast<FirewallLoginPage*>(sheet.k6LoginPage())}) {
        page->initializePage();
        QVERIFY(page->hostEdit()->text().isEmpty());
        QCOMPARE(page->hostEdit()->maxLength(), 255);
        QCOMPARE(page->portEdit()->value(), 8004);
        QCOMPARE(page->portEdit()->minimum(), 0);
        QCOMPARE(page->portEdit()->maximum(), 65535);
        QVERIFY(page->userEdit()->text().isEmpty());
        QVERIFY(page->passwordEdit()->text().isEmpty());
        QCOMPARE(page->passwordEdit()->echoMode(), QLineEdit::Password);
        // Every field has its label.
        for (QWidget* field : std::initializer_list<QWidget*>{page->hostEdit(), page->portEdit(), page->userEdit(),
                                                              page->passwordEdit()}) {
            bool labelled = false;
            for (QLabel* label : page->findChildren<QLabel*>()) labelled = labelled || label->buddy() == field;
            QVERIFY(labelled);
        }
    }
}

void SheetPagesTest::newLoginIsPresetFromTheOldOneUntilItIsStored() {
    WizardSheet sheet;
    sheet.setStartId(kLoginPage);
    sheet.show();
    LoginPage* login = sheet.loginPage();
    fillLogin(login, 9100, QStringLiteral("old.example"));
    QVERIFY(login->validatePage());
    QCOMPARE(sheet.workflow().oldLogin.host, std::string("old.example"));
    QCOMPARE(sheet.workflow().oldLogin.port, 9100u);
    QCOMPARE(sheet.workflow().oldLogin.password, std::string(kPassword));

    K6LoginPage* k6 = sheet.k6LoginPage();
    k6->initializePage();
    QCOMPARE(k6->hostEdit()->text(), QStringLiteral("old.example"));
    QCOMPARE(k6->portEdit()->value(), 9100);
    QCOMPARE(k6->userEdit()->text(), QStringLiteral("admin"));
    QCOMPARE(k6->passwordEdit()->text(), QString::fromLatin1(kPassword));

    fillLogin(k6, 9200, QStringLiteral("new.example"));
    QVERIFY(k6->validatePage());
    QCOMPARE(sheet.workflow().newLogin.host, std::string("new.example"));
    QCOMPARE(sheet.workflow().newLogin.port, 9200u);
    QCOMPARE(sheet.workflow().oldLogin.host, std::string("old.example"));
    // Entered again, the page shows the new login it stored, not the old one.
    k6->initializePage();
    QCOMPARE(k6->hostEdit()->text(), QStringLiteral("new.example"));
    QCOMPARE(k6->portEdit()->value(), 9200);
    sheet.close();
}

void SheetPagesTest::stopRadioMakesStopOrGoTheLastPageWithFinish() {
    WizardSheet sheet;
    sheet.setStartId(kStopOrGo);
    sheet.show();
    StopOrGo* page = sheet.stopOrGo();
    QVERIFY(page->continueRadio()->isChecked());
    QCOMPARE(offeredButtons(sheet), kNextButton);

    page->stopRadio()->setChecked(true);
    QVERIFY(!page->continueRadio()->isChecked());
    QCOMPARE(offeredButtons(sheet), kFinishButton);
    QVERIFY(!sheet.button(QWizard::NextButton)->isVisible());

    page->continueRadio()->setChecked(true);
    QCOMPARE(offeredButtons(sheet), kNextButton);
    QVERIFY(!sheet.button(QWizard::FinishButton)->isVisible());

    page->stopRadio()->setChecked(true);
    press(sheet, kFinishButton);
    QVERIFY(!sheet.isVisible());
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
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

void SheetPagesTest::sheetCarriesTheCaptionAndTheFonts() {
    WizardSheet sheet;
    QCOMPARE(sheet.windowTitle(), QStringLiteral("Welcome to the Kestrane Upgrade Wizard!"));
    QVERIFY(sheet.titleFont().bold());
    QCOMPARE(sheet.titleFont().pointSize(), 12);
    QVERIFY(sheet.headingFont().bold());
    QCOMPARE(sheet.headingFont().pointSize(), 10);
    QVERIFY(!sheet.testOption(QWizard::HaveHelpButton));
    auto* title = sheet.introPage()->findChild<QLabel*>(QStringLiteral("heading"));
    QVERIFY(title != nullptr);
    QCOMPARE(title->text(), QStringLiteral("Welcome to the Kestrane Upgrade Wizard"));
    QCOMPARE(title->font(), sheet.titleFont());
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
    answer = checkCommandLine({"upgrade", "stray"});
    QVERIFY(answer.handled);
    QCOMPARE(answer.exitStatus, 2);
}

QTEST_MAIN(SheetPagesTest)
#include "sheet_pages_test.moc"
