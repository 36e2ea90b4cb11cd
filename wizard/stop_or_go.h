// StopOrGo: after the download the administrator continues now (Next: K6LoginPage) or stops and comes
// back later (the page becomes the last one and offers Finish; the working directory keeps the
// downloaded and converted files for a resume). Window thread.
#pragma once

#include "wizard/sheet_page.h"

class QRadioButton;

class StopOrGo : public SheetPage {
    Q_OBJECT

public:
    explicit StopOrGo(WizardSheet& sheet);

    int nextId() const override;
    void initializePage() override;

    QRadioButton* continueRadio() const { return continue_; }
    QRadioButton* stopRadio() const { return stop_; }

private:
    // Next or Finish, as the radio buttons say.
    void choose();

    QRadioButton* continue_ = nullptr;
    QRadioButton* stop_ = nullptr;
};
