// What the administrator types to log in to a firewall: its address, port, user and password. The
// password is wiped from memory when the value is destroyed or wipePassword() is called.
#pragma once

#include <string>

struct FirewallLogin {
    static constexpr unsigned kDefaultPort = 8004;

    std::string host;
    unsigned port = kDefaultPort;
    std::string user;
    std::string password;

    FirewallLogin() = default;
    FirewallLogin(const FirewallLogin&) = default;
    FirewallLogin& operator=(const FirewallLogin&) = default;
    ~FirewallLogin() { wipePassword(); }

    // Overwrites the password's characters before emptying it.
    void wipePassword();
};
