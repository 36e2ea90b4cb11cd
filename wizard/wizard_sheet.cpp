// The wizard sheet: its pages, buttons, fonts, busy state and messages.
#include "wizard/wizard_sheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <utility>

#include "upgrade/file_names.h"
#include "upgrade/template_location.h"
#include "wizard/about_dialog.h"
#include "wizard/download_status.h"
#include "wizard/intro_page.h"
#include "wizard/k6_login_page.h"
#include "wizard/login_page.h"
#include "wizard/status_page.h"
#include "wizard/stop_or_go.h"
#include "wizard/string_table.h"
#include "wizard/upgrade_summary.h"

namespace {

constexpr int kTitlePoints = 12;
constexpr int kHeadingPoints = 10;
// The sheet's least size, in characters and lines of its font.
constexpr int kLeastColumns = 96;
constexpr int kLeastLines = 30;

QFont boldFont(const QFont& base, int points) {
    QFont font = base;
    font.setBold(true);
    font.setPointSize(points);
    return font;
}

}  // namespace

WizardSheet::WizardSheet(const UpgradeTimeouts& timeouts, QWidget* parent)
    : QWizard(parent),
      timeouts_(timeouts),
      titleFont_(boldFont(font(), kTitlePoints)),
      headingFont_(boldFont(font(), kHeadingPoints)) {
    setWindowTitle(loadString(strings::kCaption));
    // The pages carry their own headings: the plain style, without a banner above them.
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::HaveHelpButton, false);
    setOption(QWizard::HaveCustomButton1, true);
    setButtonText(QWizard::CustomButton1, loadString(strings::kAboutMenuItem));
    setButtonLayout({QWizard::CustomButton1, QWizard::Stretch, QWizard::BackButton, QWizard::NextButton,
                     QWizard::FinishButton, QWizard::CancelButton});
    connect(this, &QWizard::customButtonClicked, this, [this](int which) {
        if (which == QWizard::CustomButton1) showAbout();
    });

    // Not found: the conversion then says that the script cannot be read.
    workflow_.templateName = locateTemplateScript().value_or(kTemplateName);
    bridge_.setMessageHandler([this](const QString& text) { showMessageBox(text); });

    intro_ = new IntroPage(*this);
    login_ = new LoginPage(*this);
    download_ = new DownloadStatus(*this);
    stopOrGo_ = new StopOrGo(*this);
    status_ = new StatusPage(*this);
    summary_ = new UpgradeSummary(*this);
    k6Login_ = new K6LoginPage(*this);
    setPage(kIntroPage, intro_);
    setPage(kLoginPage, login_);
    setPage(kDownloadStatus, download_);
    setPage(kStopOrGo, stopOrGo_);
    setPage(kK6LoginPage, k6Login_);
    setPage(kStatusPage, status_);
    setPage(kUpgradeSummary, summary_);
    setStartId(kIntroPage);

    // Back asks the page first: a page whose phase runs refuses, DownloadStatus restarts the upgrade.
    QAbstractButton* back = button(QWizard::BackButton);
    back->disconnect(this);
    connect(back, &QAbstractButton::clicked, this, &WizardSheet::goBack);
    connect(this, &QWizard::currentIdChanged, this, &WizardSheet::pageChanged);

    // Room for the longest explanations and a log of some lines. Word-wrapped texts do not make the
    // layouts ask for the height they need when narrowed, so the sheet grows from here but does not
    // shrink below it.
    const QFontMetrics metrics = fontMetrics();
    const QSize least(metrics.averageCharWidth() * kLeastColumns, metrics.lineSpacing() * kLeastLines);
    setMinimumSize(sizeHint().expandedTo(least));
    resize(minimumSize());
}

WizardSheet::~WizardSheet() {
    stopPhases();
    // The log ends with its closing line; the working directory keeps every file for a later resume.
    workflow_.restart();
    setBusy(false);
}

void WizardSheet::applyWizardButtons(int mask) {
    button(QWizard::BackButton)->setEnabled((mask & kBackButton) != 0);
    button(QWizard::NextButton)->setEnabled((mask & kNextButton) != 0);
    button(QWizard::FinishButton)->setEnabled((mask & kFinishButton) != 0);
}

void WizardSheet::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void WizardSheet::setMessageHandler(std::function<void(const QString&)> handler) {
    bridge_.setMessageHandler(std::move(handler));
}

void WizardSheet::showMessageBox(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Upgrade"), text, QMessageBox::Ok, this);
    // The wait cursor of a running phase is not for the box that asks to be read.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    QApplication::restoreOverrideCursor();
}

void WizardSheet::goBack() {
    auto* page = qobject_cast<SheetPage*>(currentPage());
    if (page != nullptr && ((page->wizardButtons() & kBackButton) == 0 || !page->leaveBackward())) return;
    back();
}

void WizardSheet::done(int result) {
    if (result == QDialog::Rejected) {
        stopPhases();
        setBusy(false);
        // Nobody is left to read what the stopped phase has to say.
        bridge_.setMessageHandler({});
    }
    QWizard::done(result);
}

void WizardSheet::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void WizardSheet::pageChanged(int id) {
    auto* page = qobject_cast<SheetPage*>(this->page(id));
    if (page == nullptr) return;
    applyWizardButtons(page->wizardButtons());
    page->activated();
}

void WizardSheet::stopPhases() {
    download_->stopAndWait();
    status_->stopAndWait();
}
