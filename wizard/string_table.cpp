// The wizard's string table.
#include "wizard/string_table.h"

#include "upgrade/upgrade_strings.h"

QString loadString(int id) {
    switch (id) {
    case 101:
        return QStringLiteral("&About Upgrade...");
    case 102:
        return QStringLiteral("v.K60R0226a");
    case 103:
        return QStringLiteral("Windows sockets initialization failed.");
    case 104:
        return QStringLiteral(
            "The Upgrade Wizard was unable to automatically transfer your interface configuration because you have "
            "either modified your IP Addresses, or the number of interfaces is different.  Since \"Inside\" and "
            "\"Outside\" are optional settings in the firewall, the wizard was not able to assume that interfaces "
            "could be matched on the basis of these labels.\n\nFor each of the interfaces from your old firewall "
            "listed on the left, select one of the interfaces from the new firewall, listed on the right.  Rules "
            "containing modified interfaces will be changed accordingly.");
    case 105:
        return QStringLiteral(
            "You must select an interface on the new firewall for each interface on the old firewall.");
    case 116:
        return QStringLiteral("Welcome to the Kestrane Upgrade Wizard!");
    case 117:
        return QStringLiteral("Welcome to the Kestrane Upgrade Wizard");
    default:
        return QString::fromLatin1(upgradeString(id));
    }
}
