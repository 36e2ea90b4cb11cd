// The words of the safety review's findings (see finding_text.h).
#include "report/finding_text.h"

#include <utility>

std::string_view itemKindText(ItemKind kind) {
    switch (kind) {
    case ItemKind::Interface:
        return "interface";
    case ItemKind::InterfaceAlias:
        return "interface alias";
    case ItemKind::NetObject:
        return "network object";
    case ItemKind::ServiceGroup:
        return "service group";
    case ItemKind::DestinationGroup:
        return "destination group";
    case ItemKind::ProxyRule:
        return "proxy rule";
    case ItemKind::NatRule:
        return "NAT rule";
    case ItemKind::InatRule:
        return "INAT rule";
    case ItemKind::ForwardRule:
        return "forward rule";
    case ItemKind::LocalRule:
        return "local rule";
    }
    return "item";
}

std::string itemText(const ItemRecord& record) {
    std::string text(itemKindText(record.kind));
    const std::string* firstNew = nullptr;
    for (const std::string& id : record.newIds) {
        if (!id.empty()) {
            firstNew = &id;
            break;
        }
    }
    const std::string& identity = !record.oldId.empty() ? record.oldId : firstNew != nullptr ? *firstNew : record.label;
    if (!identity.empty()) text += " " + identity;
    if (!record.label.empty() && record.label != identity) text += " (" + record.label + ")";
    if (firstNew != nullptr && *firstNew != identity) text += ", now " + *firstNew;
    return text;
}

std::string itemSubject(const ItemRecord& record) {
    std::string text = capitalised(itemText(record));
    if (text.find(", now ") != std::string::npos) text += ',';
    return text;
}

std::vector<std::string> recordSettings(const ItemRecord& record) {
    std::vector<std::string> settings;
    if (!record.oldId.empty()) settings.push_back(record.oldId);
    for (const std::string& id : record.newIds) {
        if (!id.empty() && id != record.oldId) settings.push_back(id);
    }
    return settings;
}

std::string deviceText(std::string_view device, std::string_view name) {
    std::string text(device);
    if (!name.empty() && name != device) {
        text += " (";
        text += name;
        text += ")";
    }
    return text;
}

std::string joinNames(const std::vector<std::string>& names, std::size_t most) {
    if (most == 0) most = 1;
    const std::size_t shown = names.size() > most ? most : names.size();
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) text += (i + 1 == shown && shown == names.size()) ? " and " : ", ";
        text += names[i];
    }
    if (shown < names.size()) text += " and " + std::to_string(names.size() - shown) + " more";
    return text;
}

std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

Finding makeFinding(Severity severity, std::string_view code, std::string message, std::vector<std::string> settings) {
    Finding finding;
    finding.severity = severity;
    finding.code = std::string(code);
    finding.message = std::move(message);
    finding.settings = std::move(settings);
    return finding;
}
