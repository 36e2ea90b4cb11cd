// The summary page.
#include "wizard/upgrade_summary.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "upgrade/file_names.h"
#include "upgrade/warnings_text.h"
#include "wizard/report_panel.h"
#include "wizard/wizard_sheet.h"

UpgradeSummary::UpgradeSummary(WizardSheet& sheet) : SheetPage(sheet) {
    summary_ = new QPlainTextEdit(this);
    summary_->setObjectName(QStringLiteral("summaryText"));
    summary_->setReadOnly(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeTitle(QStringLiteral("Upgrade Summary")));
    layout->addSpacing(6);
    layout->addWidget(makeText(QStringLiteral(
        "You have successfully upgraded your firewall!  We recommend you start the Firewall GUI and verify that all "
        "configuration information was properly transferred.  See below for information related to your upgrade.")));
    layout->addSpacing(6);
    layout->addWidget(makeText(QStringLiteral("Please note that you MUST reboot your firewall before using it.")));
    layout->addSpacing(6);
    reportPanel_ = new ReportPanel(this);
    layout->addWidget(summary_, 3);
    layout->addWidget(reportPanel_, 2);
    setWizardButtons(kFinishButton);
}

void UpgradeSummary::initializePage() {
    UpgradeWorkflow& upgrade = workflow();
    // Nothing writes warnings any more: closing the file puts everything written on disk.
    upgrade.closeWarnings();
    const std::string& directory = upgrade.lastWorkingDirectory();
    reportPanel_->showReport(upgrade.report(), directory);
    if (directory.empty()) {
        summary_->setPlainText(QStringLiteral("No extra information was necessary"));
        return;
    }
    const std::string text = warningsText(directory + kWarningsFileName);
    summary_->setPlainText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}
