// The new firewall's login page.
#include "wizard/k6_login_page.h"

#include "wizard/wizard_sheet.h"

K6LoginPage::K6LoginPage(WizardSheet& sheet)
    : FirewallLoginPage(
          sheet, QStringLiteral("Kestrane 6.0 Firewall Login"),
          {QStringLiteral("Login to the newly installed Kestrane 6 firewall."),
           QStringLiteral("You now need to log in to the newly-installed Kestrane 6.0 machine."),
           QStringLiteral("Remember that during installation you were supposed to have configured all of the hardware "
                          "interfaces that are to be used on this machine, and have configured all of the firewall "
                          "administrator users and permitted hosts."),
           QStringLiteral("If you have not done so yet, go back to the new firewall and do it now with its setup "
                          "command-line utility before you continue.")}) {}

void K6LoginPage::initializePage() {
    const UpgradeWorkflow& upgrade = workflow();
    // Often the same administrator and password on both firewalls: start from what was typed before.
    load(upgrade.newLogin.host.empty() ? upgrade.oldLogin : upgrade.newLogin);
}

bool K6LoginPage::validatePage() {
    if (!FirewallLoginPage::validatePage()) return false;
    store(workflow().newLogin);
    return true;
}
