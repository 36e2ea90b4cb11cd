// Network address objects: lookups, creation and the address-text grammar (see netobjects.h).

#include "convert/netobjects.h"

#include <cstdint>
#include <functional>

#include "conftree/parse.h"
#include "convert/text_fields.h"

namespace {

// The objects every firewall knows, in lookup order. They are found by lookups and existence tests
// but never created or written.
struct FixedObjects {
    std::vector<NetObject> rows;
    NetObjectIndex byValue;  // (kind, value) -> first row
    NetObjectIndex byName;   // (kind, name) -> first row
};

std::string suffixKey(int kind, std::string_view text) {
    std::string key = std::to_string(kind);
    key += '\n';
    key += text;
    return key;
}

std::string dottedMask(int bits) {
    const std::uint32_t mask = bits == 0 ? 0u : (0xFFFFFFFFu << (32 - bits));
    return std::to_string(mask >> 24) + "." + std::to_string((mask >> 16) & 0xFF) + "." +
           std::to_string((mask >> 8) & 0xFF) + "." + std::to_string(mask & 0xFF);
}

FixedObjects makeFixedObjects() {
    FixedObjects fixed;
    auto add = [&](int kind, std::string name, std::string label, std::string value) {
        fixed.rows.push_back(NetObject{kind, std::move(name), std::move(label), std::move(value), {}});
    };
    add(kNetPattern, "net_pattern_any", "pattern-any", "*");
    add(kNetPattern, "net_pattern_TOVAD", "pattern-TOVAD", "127.0.0.1");
    add(kNetPattern, "net_pattern_Trusted", "pattern-Trusted", "127.0.0.1");
    add(kNetIpAddr, "net_ipaddr_0.0.0.0", "ipaddr-0.0.0.0", "0.0.0.0");
    add(kNetIpAddr, "net_ipaddr_localhost", "ipaddr-localhost", "127.0.0.1");
    add(kNetIpNet, "net_ipnet_any", "ipany", "");
    add(kNetNetAddrLink, "net_ipnet_any", "ipany", "net_ipaddr_0.0.0.0");
    add(kNetNetMaskLink, "net_ipnet_any", "ipany", "net_ipmask_any");
    add(kNetIpMask, "net_ipmask_any", "ipmask-any", "0.0.0.0");
    add(kNetIpMask, "net_ipmask_host", "ipmask-host", "255.255.255.255");
    for (int bits = 2; bits <= 30; ++bits) {
        std::string tag;
        if (bits == 8) {
            tag = "class-a";
        } else if (bits == 16) {
            tag = "class-b";
        } else if (bits == 24) {
            tag = "class-c";
        } else {
            tag = (bits < 10 ? "0" : "") + std::to_string(bits) + "bit";
        }
        add(kNetIpMask, "net_ipmask_" + tag, "ipmask-" + tag, dottedMask(bits));
    }
    for (std::size_t i = 0; i < fixed.rows.size(); ++i) {
        fixed.byValue.emplace(NetObjectKey{fixed.rows[i].type, fixed.rows[i].value}, i);
        fixed.byName.emplace(NetObjectKey{fixed.rows[i].type, fixed.rows[i].name}, i);
    }
    return fixed;
}

const FixedObjects& fixedObjects() {
    static const FixedObjects fixed = makeFixedObjects();
    return fixed;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isTrimBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::string_view netObjectPrefix(int kind) {
    switch (kind) {
    case kNetIpAddr:
        return "net_ipaddr_";
    case kNetIpRange:
        return "net_iprange_";
    case kNetIpMask:
        return "net_ipmask_";
    case kNetIpNet:
        return "net_ipnet_";
    case kNetPattern:
        return "net_pattern_";
    case kNetDns:
        return "net_dns_";
    case kNetEmail:
        return "net_email_";
    default:
        return {};
    }
}

std::string_view netObjectSuffix(int kind) {
    switch (kind) {
    case kNetIpAddr:
    case kNetDns:
    case kNetEmail:
    case kNetNetAddrLink:
        return "_addr=";
    case kNetIpMask:
    case kNetNetMaskLink:
        return "_mask=";
    case kNetPattern:
        return "_pat=";
    case kNetRangeStartLink:
        return "_start=";
    case kNetRangeEndLink:
        return "_end=";
    default:
        return {};
    }
}

std::string netObjectLabel(std::string_view value) {
    std::string label;
    label.reserve(value.size());
    for (char c : value) {
        if (c == '_' || c == ' ' || c == ';' || c == '.' || c == '=') {
            label += '-';
        } else if (c == '*') {
            label += "any";
        } else {
            label += c;
        }
    }
    return label;
}

std::size_t NetObjectKeyHash::operator()(const NetObjectKeyView& k) const noexcept {
    return std::hash<std::string_view>{}(k.text) * 31u + static_cast<std::size_t>(k.kind);
}

NetObjectList::NetObjectList() = default;

NetObjectRef NetObjectList::lookup(int kind, std::string_view value) const {
    const FixedObjects& fixed = fixedObjects();
    if (auto it = fixed.byValue.find(NetObjectKeyView{kind, value}); it != fixed.byValue.end()) {
        const NetObject& o = fixed.rows[it->second];
        return {o.name, o.label};
    }
    if (auto it = byValue_.find(NetObjectKeyView{kind, value}); it != byValue_.end()) {
        const NetObject& o = objects_[it->second];
        return {o.name, o.label};
    }
    return {};
}

bool NetObjectList::exists(int kind, std::string_view name) const {
    const FixedObjects& fixed = fixedObjects();
    return fixed.byName.find(NetObjectKeyView{kind, name}) != fixed.byName.end() ||
           byName_.find(NetObjectKeyView{kind, name}) != byName_.end();
}

std::string NetObjectList::valueOf(int kind, std::string_view name) const {
    const FixedObjects& fixed = fixedObjects();
    if (auto it = fixed.byName.find(NetObjectKeyView{kind, name}); it != fixed.byName.end()) {
        return fixed.rows[it->second].value;
    }
    if (auto it = byName_.find(NetObjectKeyView{kind, name}); it != byName_.end()) return objects_[it->second].value;
    return {};
}

void NetObjectList::append(NetObject object) {
    const std::size_t index = objects_.size();
    byValue_.emplace(NetObjectKey{object.type, object.value}, index);
    byName_.emplace(NetObjectKey{object.type, object.name}, index);
    objects_.push_back(std::move(object));
}

// Two different values can give the same label ("10.1.1.1" and "10_1_1_1"), and a created name can
// equal a fixed one; the first comer keeps the plain label, later ones get "-2", "-3", ... An empty
// label would give a name that ends in '_' and cannot be written back as its own object, so it is
// replaced by "empty". A label that the file reader would rewrite as a number ("010" is read back as
// "10") would leave the rules pointing at a name that no longer exists; it is kept
// from being read as a number by an 'x' in front.
std::string NetObjectList::uniqueLabel(int kind, const std::string& label) {
    std::string base = label.empty() ? std::string("empty") : label;
    std::string canonical = base;
    canonicalNumber(canonical);
    if (canonical != base) base.insert(0, 1, 'x');
    const std::string prefix(netObjectPrefix(kind));
    if (!exists(kind, prefix + base)) return base;
    int& next = nextSuffix_[suffixKey(kind, base)];
    if (next < 2) next = 2;
    for (;;) {
        std::string candidate = base + "-" + std::to_string(next++);
        if (!exists(kind, prefix + candidate)) return candidate;
    }
}

NetObjectRef NetObjectList::create(int kind, const std::string& value, const std::string& desc) {
    const std::string label = uniqueLabel(kind, netObjectLabel(value));
    NetObject object{kind, std::string(netObjectPrefix(kind)) + label, label, value, desc};
    NetObjectRef ref{object.name, object.label};
    append(std::move(object));
    return ref;
}

std::string NetObjectList::createCompound(int kind, const std::string& label, const std::string& firstName,
                                          const std::string& secondName, const std::string& desc) {
    const std::string unique = uniqueLabel(kind, label);
    const std::string name = std::string(netObjectPrefix(kind)) + unique;
    const std::size_t index = objects_.size();
    // The compound's value stays the label it was asked for: that is what later lookups ask by.
    append(NetObject{kind, name, unique, label, desc});
    const bool network = kind == kNetIpNet;
    append(NetObject{network ? kNetNetAddrLink : kNetRangeStartLink, name, unique, firstName, {}});
    append(NetObject{network ? kNetNetMaskLink : kNetRangeEndLink, name, unique, secondName, {}});
    compoundByParts_.emplace(NetObjectKey{kind, firstName + '\n' + secondName}, index);
    return name;
}

std::string NetObjectList::get(int kind, const std::string& value1, const std::string& value2,
                               const std::string& desc) {
    const bool compound = kind == kNetIpRange || kind == kNetIpNet;
    const int firstKind = compound ? kNetIpAddr : kind;
    NetObjectRef first = lookup(firstKind, value1);
    if (first.name.empty()) first = create(firstKind, value1, desc);
    if (!compound) return first.name;

    const int secondKind = kind == kNetIpRange ? kNetIpAddr : kNetIpMask;
    NetObjectRef second = lookup(secondKind, value2);
    // A network with a host mask is the host address itself.
    if (second.name == "net_ipmask_host") return first.name;
    if (second.name.empty()) second = create(secondKind, value2, desc);

    // A compound is reused when it is built from the same two parts. Looking it up by its label alone
    // could pick a compound of other parts whose labels happen to join to the same text
    // ("1-2" + "3-4-5-6" and "1-2-3" + "4-5-6").
    auto it = compoundByParts_.find(NetObjectKeyView{kind, first.name + '\n' + second.name});
    if (it != compoundByParts_.end()) return objects_[it->second].name;
    return createCompound(kind, first.label + "-" + second.label, first.name, second.name, desc);
}

std::string NetObjectList::convertAddr(std::string_view text, std::string& port, const std::string& desc) {
    port.clear();
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isTrimBlank(text[begin])) ++begin;
    while (end > begin && isTrimBlank(text[end - 1])) --end;
    const std::string t(text.substr(begin, end - begin));

    if (t.find_first_of("*;") != std::string::npos) return get(kNetPattern, t, {}, desc);
    if (t.find('@') != std::string::npos) return get(kNetEmail, t, {}, desc);
    for (char c : t) {
        if (isAsciiLetter(c)) return get(kNetDns, t, {}, desc);
    }

    const std::size_t sep = t.find_first_of(":- \t;");
    if (t.empty() || sep == 0) return {};
    if (sep == std::string::npos) return get(kNetIpAddr, t, {}, desc);

    const std::string firstPart = t.substr(0, sep);
    std::size_t rest = sep + 1;
    while (rest < t.size() && isTrimBlank(t[rest])) ++rest;
    const std::string secondPart = t.substr(rest);
    if (secondPart.empty()) return firstPart;

    const char separator = t[sep];
    switch (separator) {
    case ':':
        return get(kNetIpNet, firstPart, secondPart, {});
    case '-':
        return get(kNetIpRange, firstPart, secondPart, {});
    case ' ':
    case '\t':
        if (isPrintedBackInteger(secondPart)) {
            port = secondPart;
            return get(kNetIpAddr, firstPart, {}, desc);
        }
        break;
    default:
        break;
    }
    return get(kNetPattern, firstPart + separator + secondPart, {}, desc);
}
