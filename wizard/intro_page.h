// IntroPage: the wizard's first page. The administrator chooses between downloading the configuration
// from the old firewall (next: LoginPage) and resuming a stopped upgrade from a saved configuration on
// disk (next: K6LoginPage, once "Load From Disk" has opened the saved file's working directory).
// Window thread.
#pragma once

#include "wizard/sheet_page.h"

class QPushButton;
class QRadioButton;

class IntroPage : public SheetPage {
    Q_OBJECT

public:
    explicit IntroPage(WizardSheet& sheet);

    int nextId() const override;

    // Resumes the upgrade whose saved old configuration is path (what "Load From Disk" does with the
    // file chosen): true, with Next offered, when its working directory was opened. On failure the
    // workflow has shown why and Next stays refused.
    bool loadSavedConfiguration(const QString& path);

    QRadioButton* downloadRadio() const { return download_; }
    QRadioButton* loadSavedRadio() const { return loadSaved_; }
    QPushButton* loadFromDiskButton() const { return loadFromDisk_; }

private:
    void downloadChosen();
    void loadSavedChosen();
    // Asks for the saved configuration and loads it.
    void chooseSavedConfiguration();

    QRadioButton* download_ = nullptr;
    QRadioButton* loadSaved_ = nullptr;
    QPushButton* loadFromDisk_ = nullptr;
};
