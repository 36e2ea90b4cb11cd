// Keys of the item record enumerations (see item_records.h).
#include "convert/item_records.h"

std::string_view itemKindKey(ItemKind kind) {
    switch (kind) {
    case ItemKind::Interface:
        return "interface";
    case ItemKind::InterfaceAlias:
        return "interface_alias";
    case ItemKind::NetObject:
        return "network_object";
    case ItemKind::ServiceGroup:
        return "service_group";
    case ItemKind::DestinationGroup:
        return "destination_group";
    case ItemKind::ProxyRule:
        return "proxy_rule";
    case ItemKind::NatRule:
        return "nat_rule";
    case ItemKind::InatRule:
        return "inat_rule";
    case ItemKind::ForwardRule:
        return "forward_rule";
    case ItemKind::LocalRule:
        return "local_rule";
    }
    return "unknown";
}

std::string_view itemOutcomeKey(ItemOutcome outcome) {
    switch (outcome) {
    case ItemOutcome::Converted:
        return "converted";
    case ItemOutcome::Changed:
        return "changed";
    case ItemOutcome::Dropped:
        return "dropped";
    case ItemOutcome::Created:
        return "created";
    }
    return "unknown";
}

std::string_view itemOriginKey(ItemOrigin origin) {
    switch (origin) {
    case ItemOrigin::Old:
        return "old";
    case ItemOrigin::New:
        return "new";
    case ItemOrigin::Upgrade:
        return "upgrade";
    }
    return "unknown";
}

std::string_view pairingMethodKey(PairingMethod method) {
    switch (method) {
    case PairingMethod::Address:
        return "address";
    case PairingMethod::Choice:
        return "choice";
    case PairingMethod::Unpaired:
        return "unpaired";
    }
    return "unknown";
}

const ItemField* ItemRecord::field(std::string_view name) const {
    for (const ItemField& f : fields) {
        if (f.name == name) return &f;
    }
    return nullptr;
}
