// UpgradeSummary: the last page after a successful upload. It shows the warnings the conversion
// collected (or that none were necessary) and offers only Finish. Window thread.
#pragma once

#include "wizard/sheet_page.h"

class QPlainTextEdit;

class UpgradeSummary : public SheetPage {
    Q_OBJECT

public:
    explicit UpgradeSummary(WizardSheet& sheet);

    int nextId() const override { return -1; }
    void initializePage() override;

    QPlainTextEdit* summaryText() const { return summary_; }

private:
    QPlainTextEdit* summary_ = nullptr;
};
