// What every page of the wizard shares: the page ids, the wizard buttons a page offers (the mask of
// setWizardButtons), the refusal of Back, and the labels built with the sheet's fonts.
//
// A page offers Next or Finish through isComplete() as well as through the buttons, so that QWizard
// never enables them on its own; Back is offered only by the mask, and the sheet asks the page
// (leaveBackward) before it goes back. Pages belong to the sheet and live on the window thread.
#pragma once

#include <QWizardPage>

class QLabel;
class UpgradeWorkflow;
class WizardSheet;

// The pages, by their ids in the sheet.
enum PageId {
    kIntroPage,
    kLoginPage,
    kDownloadStatus,
    kStopOrGo,
    kK6LoginPage,
    kStatusPage,
    kUpgradeSummary,
};

// The wizard buttons a page offers.
inline constexpr int kBackButton = 1;
inline constexpr int kNextButton = 2;
inline constexpr int kFinishButton = 4;

class SheetPage : public QWizardPage {
    Q_OBJECT

public:
    explicit SheetPage(WizardSheet& sheet);

    // The buttons this page offers now (kBackButton | kNextButton | kFinishButton).
    int wizardButtons() const { return buttons_; }
    bool isComplete() const override;
    // Next (or Finish) only while the page offers it.
    bool validatePage() override;
    // Back was pressed: true to go back (after whatever the page does first), false to stay.
    virtual bool leaveBackward() { return true; }
    // The page was shown, whichever way the administrator came to it.
    virtual void activated() {}

protected:
    // Offers the buttons of mask and no others.
    void setWizardButtons(int mask);

    WizardSheet& sheet() const { return sheet_; }
    UpgradeWorkflow& workflow() const;

    // A page heading in the heading font, or a title in the title font.
    QLabel* makeHeading(const QString& text);
    QLabel* makeTitle(const QString& text);
    // An explanatory text that wraps with the page's width.
    QLabel* makeText(const QString& text);

private:
    WizardSheet& sheet_;
    int buttons_ = kNextButton;
};
