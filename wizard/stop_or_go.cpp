// The page between the two phases.
#include "wizard/stop_or_go.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

StopOrGo::StopOrGo(WizardSheet& sheet) : SheetPage(sheet) {
    continue_ = new QRadioButton(QStringLiteral("&Continue with the upgrade now"), this);
    continue_->setObjectName(QStringLiteral("continueRadio"));
    stop_ = new QRadioButton(QStringLiteral("&Stop now and complete the upgrade later"), this);
    stop_->setObjectName(QStringLiteral("stopRadio"));
    continue_->setChecked(true);

    // Each radio button's explanation sits under its text.
    auto* choices = new QGridLayout;
    choices->setColumnMinimumWidth(0, style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) * 2);
    choices->setColumnStretch(1, 1);
    choices->addWidget(continue_, 0, 0, 1, 2);
    choices->addWidget(makeText(QStringLiteral(
                           "If your new firewall is already prepared to accept the old configuration data, you may "
                           "go ahead and push this configuration to your new firewall.")),
                       1, 1);
    choices->setRowMinimumHeight(2, 12);
    choices->addWidget(stop_, 3, 0, 1, 2);
    choices->addWidget(
        makeText(QStringLiteral("If your new firewall is not ready to receive the upgraded configuration data, you may "
                                "stop now, and come back and complete the upgrade at a later time.")),
        4, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(QStringLiteral("Continue with upgrade?")));
    layout->addSpacing(6);
    layout->addWidget(
        makeText(QStringLiteral("You need to decide if you are going to continue with upgrade, or come back later.")));
    layout->addSpacing(6);
    layout->addWidget(makeText(QStringLiteral("At this point, you have two options:")));
    layout->addSpacing(6);
    layout->addLayout(choices);
    layout->addStretch();

    connect(continue_, &QRadioButton::toggled, this, &StopOrGo::choose);
}

int StopOrGo::nextId() const { return stop_->isChecked() ? -1 : kK6LoginPage; }

void StopOrGo::initializePage() { choose(); }

void StopOrGo::choose() {
    const bool stop = stop_->isChecked();
    // QWizard shows Finish in place of Next on a final page.
    setFinalPage(stop);
    setWizardButtons(stop ? kFinishButton : kNextButton);
}
