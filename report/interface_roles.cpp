// Interface roles (see interface_roles.h).
#include "report/interface_roles.h"

#include <cstddef>

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

InterfaceRole interfaceRole(std::string_view location, bool nat) {
    const std::string_view label = trimmed(location);
    for (std::string_view outside : {"outside", "external", "internet"}) {
        if (equalsIgnoringCase(label, outside)) return InterfaceRole::Outside;
    }
    if (nat) return InterfaceRole::Outside;
    for (std::string_view inside : {"inside", "internal", "lan", "trusted"}) {
        if (equalsIgnoringCase(label, inside)) return InterfaceRole::Inside;
    }
    return InterfaceRole::Unknown;
}

std::string_view interfaceRoleText(InterfaceRole role) {
    switch (role) {
    case InterfaceRole::Inside:
        return "inside";
    case InterfaceRole::Outside:
        return "outside";
    case InterfaceRole::Unknown:
        break;
    }
    return "unknown";
}

bool natFlagOn(std::string_view value) { return equalsIgnoringCase(trimmed(value), "on"); }
