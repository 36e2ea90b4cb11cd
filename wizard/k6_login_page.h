// K6LoginPage: the new (6.0) firewall's login. The first time it is entered in an upgrade (no new
// login stored yet) the fields are preset from the old firewall's login; Next stores them as the new
// login. Window thread.
#pragma once

#include "wizard/firewall_login_page.h"

class K6LoginPage : public FirewallLoginPage {
    Q_OBJECT

public:
    explicit K6LoginPage(WizardSheet& sheet);

    void initializePage() override;
    bool validatePage() override;
    int nextId() const override { return kStatusPage; }
};
