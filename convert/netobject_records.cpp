// The network address objects' records for the upgrade report (see netobjects.h).
#include <string>
#include <vector>

#include "convert/netobjects.h"
#include "convert/text_fields.h"

void NetObjectList::appendRecords(std::vector<ItemRecord>& out) const {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const NetObject& object = objects_[i];
        const bool network = object.type == kNetIpNet;
        const bool range = object.type == kNetIpRange;
        if (netObjectPrefix(object.type).empty()) continue;  // a link: part of the network or range before it
        std::string value = object.value;
        // A network or a range is followed by its two links, whose values name its parts.
        if ((network || range) && i + 2 < objects_.size() &&
            objects_[i + 1].type == (network ? kNetNetAddrLink : kNetRangeStartLink)) {
            const std::string first = valueOf(kNetIpAddr, objects_[i + 1].value);
            const std::string second = valueOf(network ? kNetIpMask : kNetIpAddr, objects_[i + 2].value);
            value = joinText({first, network ? ":" : "-", second});
        }
        ItemRecord item;
        item.kind = ItemKind::NetObject;
        item.outcome = ItemOutcome::Created;
        item.origin = ItemOrigin::Upgrade;
        item.label = value;
        if (i < saved_) item.newIds.push_back(object.name);
        item.fields.push_back({"value", std::string(), std::move(value)});
        out.push_back(std::move(item));
    }
}
