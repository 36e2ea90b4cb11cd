// Wiping a password.
#include "upgrade/firewall_login.h"

#include <string.h>

void FirewallLogin::wipePassword() {
    // explicit_bzero is not optimised away even though the string is emptied right after.
    if (!password.empty()) explicit_bzero(password.data(), password.size());
    password.clear();
}
