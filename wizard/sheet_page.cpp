// The page base of the wizard.
#include "wizard/sheet_page.h"

#include <QLabel>

#include "wizard/wizard_sheet.h"

SheetPage::SheetPage(WizardSheet& sheet) : sheet_(sheet) {}

bool SheetPage::isComplete() const { return (buttons_ & (kNextButton | kFinishButton)) != 0; }

bool SheetPage::validatePage() { return isComplete(); }

void SheetPage::setWizardButtons(int mask) {
    buttons_ = mask;
    // QWizard enables Next and Finish from isComplete(); the sheet then applies the whole mask.
    emit completeChanged();
    if (sheet_.currentPage() == this) sheet_.applyWizardButtons(mask);
}

UpgradeWorkflow& SheetPage::workflow() const { return sheet_.workflow(); }

QLabel* SheetPage::makeHeading(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setFont(sheet_.headingFont());
    label->setObjectName(QStringLiteral("heading"));
    return label;
}

QLabel* SheetPage::makeTitle(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setFont(sheet_.titleFont());
    label->setObjectName(QStringLiteral("heading"));
    label->setWordWrap(true);
    return label;
}

QLabel* SheetPage::makeText(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    return label;
}
