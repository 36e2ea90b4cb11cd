// The login form shared by the two login pages.
#include "wizard/firewall_login_page.h"

#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kMaxHostLength = 255;
constexpr int kMaxPort = 65535;

QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLocal(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace

FirewallLoginPage::FirewallLoginPage(WizardSheet& sheet, const QString& heading, const QStringList& texts)
    : SheetPage(sheet) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(heading));
    for (const QString& text : texts) {
        layout->addSpacing(6);
        layout->addWidget(makeText(text));
    }

    host_ = new QLineEdit(this);
    host_->setObjectName(QStringLiteral("hostEdit"));
    host_->setMaxLength(kMaxHostLength);
    port_ = new QSpinBox(this);
    port_->setObjectName(QStringLiteral("portEdit"));
    port_->setRange(0, kMaxPort);
    port_->setValue(static_cast<int>(FirewallLogin::kDefaultPort));
    port_->setGroupSeparatorShown(false);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("userEdit"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("passwordEdit"));
    password_->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("Firewall &Name/Address"), host_);
    form->addRow(QStringLiteral("&Port"), port_);
    form->addRow(QStringLiteral("Admin &User Name"), user_);
    form->addRow(QStringLiteral("Pass&word"), password_);
    layout->addSpacing(12);
    layout->addLayout(form);
    layout->addStretch();

    setTabOrder(host_, port_);
    setTabOrder(port_, user_);
    setTabOrder(user_, password_);
    setWizardButtons(kBackButton | kNextButton);
}

void FirewallLoginPage::activated() { host_->setFocus(); }

void FirewallLoginPage::load(const FirewallLogin& login) {
    host_->setText(fromLocal(login.host));
    port_->setValue(static_cast<int>(login.port));
    user_->setText(fromLocal(login.user));
    password_->setText(fromLocal(login.password));
}

void FirewallLoginPage::store(FirewallLogin& login) const {
    login.host = toLocal(host_->text());
    login.port = static_cast<unsigned>(port_->value());
    login.user = toLocal(user_->text());
    login.wipePassword();
    login.password = toLocal(password_->text());
}
