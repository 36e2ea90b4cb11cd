// UpgradeSummary: the last page after a successful upload. It shows the warnings the conversion
// collected (or that none were necessary), the report panel beside them, and offers only Finish.
// Window thread.
#pragma once

#include "wizard/sheet_page.h"

class QPlainTextEdit;
class ReportPanel;

class UpgradeSummary : public SheetPage {
    Q_OBJECT

public:
    explicit UpgradeSummary(WizardSheet& sheet);

    int nextId() const override { return -1; }
    void initializePage() override;

    QPlainTextEdit* summaryText() const { return summary_; }
    ReportPanel* reportPanel() const { return reportPanel_; }

private:
    QPlainTextEdit* summary_ = nullptr;
    ReportPanel* reportPanel_ = nullptr;
};
