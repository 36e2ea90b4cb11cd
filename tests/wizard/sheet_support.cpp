// The wizard tests' firewalls and sheet helpers.
#include "wizard/sheet_support.h"

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QTest>

#include "support/files.h"
#include "wizard/firewall_login_page.h"
#include "wizard/phase_page.h"
#include "wizard/string_table.h"
#include "wizard/wizard_sheet.h"

#include <QLineEdit>
#include <QSpinBox>

namespace fs = std::filesystem;

namespace wizardtest {

namespace {

fs::path onFirewall(const fs::path& root, const std::string& path) { return root / path.substr(1); }

}  // namespace

Firewalls::Firewalls() : work_(scratch_ / "work") {
    fs::create_directories(work_);
    fs::permissions(work_, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path oldRoot = scratch_ / "old-root";
    testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/mgmt/kestrane.conf"),
                           testsupport::readFile(kSamples + "branch-5x.conf"));
    testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/mgmt/keys.conf"), "key_1=abc\n");
    testsupport::writeFile(onFirewall(oldRoot, "/usr/local/etc/netperm-table"), "permit all\n");
}

bool Firewalls::startOld(std::string* error, const std::vector<std::string>& extra) {
    return start(oldSim_, "old", "5.5", extra, error);
}

bool Firewalls::startNew(std::string* error, const std::string& initConfig, const std::vector<std::string>& extra) {
    testsupport::writeFile(onFirewall(scratch_ / "new-root", "/usr/local/etc/mgmt/kestrane.conf"),
                           testsupport::readFile(kSamples + initConfig));
    return start(newSim_, "new", "KF6.0", extra, error);
}

bool Firewalls::start(fwsim::FwsimProcess& sim, const std::string& name, const std::string& version,
                      std::vector<std::string> extra, std::string* error) {
    std::vector<std::string> args{
        "--root", (scratch_ / (name + "-root")).string(), "--version", version, "--user", "admin", "--password",
        kPassword};
    args.insert(args.end(), extra.begin(), extra.end());
    const fs::path logDir = scratch_ / (name + "-sim");
    fs::create_directories(logDir);
    return sim.start(FWSIM_PROGRAM, args, logDir, *error);
}

std::string Firewalls::newFirewallConfig() const {
    return testsupport::readFile(onFirewall(scratch_ / "new-root", "/usr/local/etc/mgmt/kestrane.conf"));
}

std::string Firewalls::workingDirectory() const {
    std::string found;
    for (const auto& entry : fs::directory_iterator(work_)) found = entry.path().string() + "/";
    return found;
}

void prepareSheet(WizardSheet& sheet, const fs::path& work, QStringList* messages) {
    sheet.workflow().templateName = kTemplate;
    sheet.workflow().parentDirectory = work.string();
    sheet.setMessageHandler([messages](const QString& text) { messages->append(text); });
}

void fillLogin(FirewallLoginPage* page, int port, const QString& host) {
    page->hostEdit()->setText(host);
    page->portEdit()->setValue(port);
    page->userEdit()->setText(QStringLiteral("admin"));
    page->passwordEdit()->setText(QString::fromLatin1(kPassword));
}

void press(WizardSheet& sheet, int which) {
    const QWizard::WizardButton button = which == kBackButton   ? QWizard::BackButton
                                         : which == kNextButton ? QWizard::NextButton
                                                                : QWizard::FinishButton;
    QTest::mouseClick(sheet.button(button), Qt::LeftButton);
}

int offeredButtons(WizardSheet& sheet) {
    const auto offered = [&sheet](QWizard::WizardButton which) {
        const QAbstractButton* button = sheet.button(which);
        return button->isVisible() && button->isEnabled();
    };
    return (offered(QWizard::BackButton) ? kBackButton : 0) | (offered(QWizard::NextButton) ? kNextButton : 0) |
           (offered(QWizard::FinishButton) ? kFinishButton : 0);
}

bool waitUntilDone(PhasePage* page, int milliseconds) {
    return QTest::qWaitFor([page] { return page->isDone(); }, milliseconds);
}

QString logText(PhasePage* page) { return page->logBox()->toPlainText(); }

QString stringText(int id) { return loadString(id); }

}  // namespace wizardtest
