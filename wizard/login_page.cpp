// The old firewall's login page.
#include "wizard/login_page.h"

#include "wizard/wizard_sheet.h"

LoginPage::LoginPage(WizardSheet& sheet)
    : FirewallLoginPage(
          sheet, QStringLiteral("Kestrane 5.x Firewall Login"),
          {QStringLiteral("Login to the firewall that is to be upgraded."),
           QStringLiteral("You now need to log in to the firewall that is to be upgraded in order to retrieve the "
                          "current configuration data."),
           QStringLiteral("Please note that any changes made to this firewall after you have downloaded the "
                          "configuration will NOT make it to the upgraded machine, and that you will have to "
                          "manually reenter those changes.")}) {}

void LoginPage::initializePage() { load(workflow().oldLogin); }

bool LoginPage::validatePage() {
    if (!FirewallLoginPage::validatePage()) return false;
    store(workflow().oldLogin);
    return true;
}
