// LoginPage: the old (5.x) firewall's login, loaded from the workflow's old login whenever the page is
// entered and stored back on Next. Window thread.
#pragma once

#include "wizard/firewall_login_page.h"

class LoginPage : public FirewallLoginPage {
    Q_OBJECT

public:
    explicit LoginPage(WizardSheet& sheet);

    void initializePage() override;
    bool validatePage() override;
    int nextId() const override { return kDownloadStatus; }
};
