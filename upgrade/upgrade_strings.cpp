// The workflow's message texts.
#include "upgrade/upgrade_strings.h"

namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kStrings[] = {
    {106, "You have assigned both of your old interfaces to the same interface on the new firewall. This could "
          "have an unpredictable impact on your firewall configuration. Are you sure you want to do this?"},
    {107, "Error: Attempted login to Kestrane 6.0 firewall. This phase of upgrade only supports login to the 5.x "
          "generation of firewall products."},
    {108, "Error: Attempted login to non-Kestrane 6.0 firewall.  This phase of upgrade requires you to login to a "
          "Kestrane 6.0 firewall."},
    {109, "Unable to create directory %1 - %2"},
    {110, "Problem packaging VPN certs and/or the user databases. Please transfer these files to the new firewall "
          "manually. Do this before erasing old firewall.  Upgrade will continue."},
    {111, "Error: The Upgrade Wizard was unable to retrieve a critical file - %1.  Upgrade cannot continue until this "
          "problem is resolved."},
    {112, "Error: The Upgrade Wizard was unable to retrieve the /usr/local/etc/mgmt/kestrane.conf file from your 6.0 "
          "firewall.  Upgrade cannot continue until this problem is resolved."},
    {113, "Error: The Upgrade Wizard was unable to upload a critical file - %1.  Upgrade cannot continue until this "
          "problem is resolved."},
    {114, "Problem unpacking VPN certs and/or the user databases.  Please transfer these files to the new firewall "
          "manually. Upgrade will continue."},
    {115, "Error: Unable to apply new configuration to the firewall.  You may need to try again or apply the changes "
          "manually."},
    {118, "Unable to login.  Firewall address is either invalid or the connection timed out."},
    {119, "Failed to acquire lock on firewall - is there another GUI running?"},
    {120, "Error: The Upgrade Wizard was unable to locate a critical file - %1.  Upgrade cannot continue until this "
          "problem is resolved."},
    {121, "Error: The connection with the firewall timed-out."},
};

}  // namespace

const char* upgradeString(int id) {
    for (const Entry& entry : kStrings)
        if (entry.id == id) return entry.text;
    return "";
}

std::string formatUpgradeString(int id, std::string_view first, std::string_view second) {
    const std::string_view text = upgradeString(id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            out += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
