// The introduction page.
#include "wizard/intro_page.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "upgrade/file_names.h"
#include "wizard/string_table.h"
#include "wizard/wizard_sheet.h"

IntroPage::IntroPage(WizardSheet& sheet) : SheetPage(sheet) {
    QLabel* title = makeTitle(loadString(strings::kIntroTitle));
    auto* version = new QLabel(loadString(strings::kVersion), this);
    version->setObjectName(QStringLiteral("version"));
    QLabel* purpose = makeText(QStringLiteral(
        "This wizard helps you retrieve the current configuration from your existing firewall product, and "
        "upgrade it to support the new firewall product version."));
    QLabel* question = makeText(QStringLiteral("Where would you like to start?"));

    download_ = new QRadioButton(QStringLiteral("&Download System Configuration from Old Firewall"), this);
    download_->setObjectName(QStringLiteral("downloadRadio"));
    loadSaved_ = new QRadioButton(QStringLiteral("Load &Saved Configuration from Disk"), this);
    loadSaved_->setObjectName(QStringLiteral("loadSavedRadio"));
    loadFromDisk_ = new QPushButton(QStringLiteral("&Load From Disk"), this);
    loadFromDisk_->setObjectName(QStringLiteral("loadFromDiskButton"));
    download_->setChecked(true);
    loadFromDisk_->setEnabled(false);

    auto* loadRow = new QHBoxLayout;
    loadRow->addSpacing(style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) * 2);
    loadRow->addWidget(loadFromDisk_);
    loadRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addSpacing(12);
    layout->addWidget(purpose);
    layout->addSpacing(12);
    layout->addWidget(question);
    layout->addWidget(download_);
    layout->addWidget(loadSaved_);
    layout->addLayout(loadRow);
    layout->addStretch();

    connect(download_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) downloadChosen();
    });
    connect(loadSaved_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) loadSavedChosen();
    });
    connect(loadFromDisk_, &QPushButton::clicked, this, &IntroPage::chooseSavedConfiguration);
}

int IntroPage::nextId() const { return download_->isChecked() ? kLoginPage : kK6LoginPage; }

void IntroPage::downloadChosen() {
    setWizardButtons(kNextButton);
    loadFromDisk_->setEnabled(false);
}

void IntroPage::loadSavedChosen() {
    setWizardButtons(0);
    loadFromDisk_->setEnabled(true);
    loadFromDisk_->setFocus();
}

void IntroPage::chooseSavedConfiguration() {
    const QString name = QString::fromLatin1(kSavedOldConfigName);
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Select the configuration to convert"),
                                                        name, QStringLiteral("Upgrade Files (%1)").arg(name));
    if (!chosen.isEmpty()) (void)loadSavedConfiguration(chosen);
}

bool IntroPage::loadSavedConfiguration(const QString& path) {
    if (!workflow().openWorkingDirectory(QFile::encodeName(path).toStdString())) return false;
    setWizardButtons(kNextButton);
    sheet().button(QWizard::NextButton)->setFocus();
    return true;
}
