// FirewallLoginPage: what LoginPage and K6LoginPage share, a heading, the page's explanatory texts and
// the four login fields ("Firewall Name/Address" of at most 255 characters, "Port" 0 to 65535,
// "Admin User Name", and "Password", whose input is hidden), loaded from and stored to a
// FirewallLogin of the workflow. Offers Back and Next. Window thread.
#pragma once

#include <QStringList>

#include "upgrade/firewall_login.h"
#include "wizard/sheet_page.h"

class QLineEdit;
class QSpinBox;

class FirewallLoginPage : public SheetPage {
    Q_OBJECT

public:
    QLineEdit* hostEdit() const { return host_; }
    QSpinBox* portEdit() const { return port_; }
    QLineEdit* userEdit() const { return user_; }
    QLineEdit* passwordEdit() const { return password_; }

    void activated() override;

protected:
    FirewallLoginPage(WizardSheet& sheet, const QString& heading, const QStringList& texts);

    // Fills the fields from login, or stores them into it.
    void load(const FirewallLogin& login);
    void store(FirewallLogin& login) const;

private:
    QLineEdit* host_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};
