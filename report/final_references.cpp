// References in the final configuration to things it does not define (see final_references.h).
#include "report/final_references.h"

#include <string_view>
#include <unordered_map>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "convert/netobjects.h"
#include "report/finding_text.h"

namespace {

enum class ReferenceKind { None, NetObject, ServiceGroup, DestinationGroup, ForwardService, LocalService, Device };

std::string_view kindText(ReferenceKind kind) {
    switch (kind) {
    case ReferenceKind::NetObject:
        return "network object";
    case ReferenceKind::ServiceGroup:
        return "service group";
    case ReferenceKind::DestinationGroup:
        return "destination group";
    case ReferenceKind::ForwardService:
        return "forward packet filter service";
    case ReferenceKind::LocalService:
        return "local packet filter service";
    case ReferenceKind::Device:
        return "interface";
    case ReferenceKind::None:
        break;
    }
    return "name";
}

// The kind a value names by its form; None when it is no reference this review judges.
ReferenceKind referenceKind(std::string_view value) {
    auto named = [&](std::string_view prefix) { return value.size() > prefix.size() && value.starts_with(prefix); };
    if (named("net_")) {
        // "net_KIND_LABEL": a kind and a label after it.
        const std::size_t kindEnd = value.find('_', 4);
        return kindEnd != std::string_view::npos && kindEnd > 4 && kindEnd + 1 < value.size()
                   ? ReferenceKind::NetObject
                   : ReferenceKind::None;
    }
    if (named("service_group_")) return ReferenceKind::ServiceGroup;
    if (named("destination_group_")) return ReferenceKind::DestinationGroup;
    if (named("fpf-serv_")) return ReferenceKind::ForwardService;
    if (named("lpf-serv_")) return ReferenceKind::LocalService;
    return ReferenceKind::None;
}

int netObjectKindOf(std::string_view kind) {
    static constexpr std::pair<std::string_view, int> kinds[] = {
        {"ipaddr", kNetIpAddr}, {"iprange", kNetIpRange}, {"ipmask", kNetIpMask}, {"ipnet", kNetIpNet},
        {"pattern", kNetPattern}, {"dns", kNetDns},       {"email", kNetEmail}};
    for (const auto& [text, number] : kinds) {
        if (text == kind) return number;
    }
    return -1;
}

// The branch a name leads to, name components read as the setting parser reads them (leading zeros
// of a number dropped); null when there is none.
const Branch* branchAt(const Branch& tree, std::string_view name) {
    const Branch* branch = &tree;
    std::string canonical;
    std::size_t start = 0;
    while (branch != nullptr) {
        std::size_t end = name.find('_', start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view component = name.substr(start, end - start);
        if (component.size() > 1 && component[0] == '0') {
            canonical.assign(component);
            canonicalNumber(canonical);
            component = canonical;
        }
        branch = branch->findBranch(component);
        if (end == name.size()) break;
        start = end + 1;
    }
    return branch;
}

class ReferenceCheck {
public:
    ReferenceCheck(const Branch& final, const std::unordered_set<std::string>& devices)
        : final_(final), devices_(devices) {}

    // Judges a setting's value; `device` for settings that hold an interface device. settingName()
    // gives the setting's name, only asked for when the value names nothing.
    template <class SettingName>
    void check(const std::string& value, bool device, SettingName&& settingName) {
        if (value.empty() || value == "*") return;
        const ReferenceKind kind = device ? ReferenceKind::Device : referenceKind(value);
        if (kind == ReferenceKind::None || defined(kind, value)) return;
        auto [it, added] = missing_.try_emplace(value, Missing{kind, {}});
        if (added) order_.push_back(value);
        it->second.settings.push_back(settingName());
    }

    void report(std::vector<Finding>& out) {
        for (const std::string& name : order_) {
            Missing& missing = missing_[name];
            std::string message = "The final configuration refers to the " + std::string(kindText(missing.kind)) +
                                  " " + name + ", which it does not define (" + joinNames(missing.settings) + ").";
            out.push_back(makeFinding(Severity::Medium, "undefined-reference", std::move(message),
                                      std::move(missing.settings)));
        }
    }

private:
    struct Missing {
        ReferenceKind kind;
        std::vector<std::string> settings;
    };

    // True when some setting of the final tree begins with name + '_': the branch the name leads to
    // exists and holds something. The branch above the last component is looked up once per distinct
    // path ("net_ipaddr", "service_group"), so that each reference costs one lookup by name.
    bool definesPrefix(const std::string& name) {
        const std::size_t last = name.rfind('_');
        if (last == std::string::npos) return hasChildren(branchAt(final_, name));
        const std::string_view parentPath = std::string_view(name).substr(0, last);
        auto it = parents_.find(parentPath);
        if (it == parents_.end()) it = parents_.emplace(parentPath, branchAt(final_, parentPath)).first;
        if (it->second == nullptr) return false;
        return hasChildren(branchAt(*it->second, std::string_view(name).substr(last + 1)));
    }

    static bool hasChildren(const Branch* branch) { return branch != nullptr && !branch->children().empty(); }

    bool defined(ReferenceKind kind, const std::string& value) {
        if (kind == ReferenceKind::Device) return devices_.count(value) != 0;
        if (definesPrefix(value)) return true;
        if (kind != ReferenceKind::NetObject) return false;
        const std::size_t kindEnd = value.find('_', 4);
        const int objectKind = netObjectKindOf(std::string_view(value).substr(4, kindEnd - 4));
        return objectKind >= 0 && fixedObjects().exists(objectKind, value);
    }

    // A list that knows only the fixed objects.
    static const NetObjectList& fixedObjects() {
        static const NetObjectList list;
        return list;
    }

    const Branch& final_;
    const std::unordered_set<std::string>& devices_;
    std::unordered_map<std::string, Missing> missing_;
    // Branches by the path that leads to them; the keys view values of the final tree, which the
    // review does not change.
    std::unordered_map<std::string_view, const Branch*> parents_;
    std::vector<std::string> order_;
};

struct RuleList {
    const char* name;
    const char* fields[4];  // the settings that refer to something; unused places are null
};

void checkRules(const Branch& final, ReferenceCheck& check) {
    const Branch* rule = final.findBranch("rule");
    if (rule == nullptr) return;
    static const RuleList lists[] = {
        {"proxy", {"src", "dest", "service"}},
        {"pffwd", {"src", "dst", "service"}},
        {"pflcl", {"src", "dst", "service"}},
        {"natrule", {"global", "local", "remote", "network-interface"}},
        {"inatrule", {"legal", "illegal", "network-interface"}},
    };
    for (const RuleList& list : lists) {
        const Branch* rules = rule->findBranch(list.name);
        if (rules == nullptr) continue;
        const std::string listPrefix = std::string("rule_") + list.name + "_";
        for (const Node* node : rules->children()) {
            const Branch* branch = node->asBranch();
            if (branch == nullptr) continue;
            // One pass over the rule's settings (a rule has few); the first of each name counts, as a
            // lookup by name would find it.
            const char* seen[4] = {};
            for (const Node* child : branch->children()) {
                const Leaf* leaf = child->asLeaf();
                if (leaf == nullptr) continue;
                for (std::size_t i = 0; i < 4 && list.fields[i] != nullptr; ++i) {
                    const char* field = list.fields[i];
                    if (leaf->name() != field) continue;
                    if (seen[i] == nullptr) {
                        seen[i] = field;
                        const bool device = std::string_view(field) == "network-interface";
                        check.check(leaf->value(), device,
                                    [&] { return listPrefix + branch->name() + "_" + field; });
                    }
                    break;
                }
            }
        }
    }
}

// X_Y_elem_N_obj of every group under top_second ("service_group", "destination_group").
void checkGroupElements(const Branch& final, const char* top, const char* second, ReferenceCheck& check) {
    const Branch* topBranch = final.findBranch(top);
    const Branch* groups = topBranch != nullptr ? topBranch->findBranch(second) : nullptr;
    if (groups == nullptr) return;
    const std::string prefix = std::string(top) + "_" + second + "_";
    for (const Node* node : groups->children()) {
        const Branch* group = node->asBranch();
        const Branch* elements = group != nullptr ? group->findBranch("elem") : nullptr;
        if (elements == nullptr) continue;
        for (const Node* element : elements->children()) {
            const Branch* elementBranch = element->asBranch();
            const Leaf* object = elementBranch != nullptr ? elementBranch->findLeaf("obj") : nullptr;
            if (object == nullptr) continue;
            check.check(object->value(), false,
                        [&] { return prefix + group->name() + "_elem_" + elementBranch->name() + "_obj"; });
        }
    }
}

void checkDestinationObjects(const Branch& final, ReferenceCheck& check) {
    const Branch* destination = final.findBranch("destination");
    const Branch* objects = destination != nullptr ? destination->findBranch("destobj") : nullptr;
    if (objects == nullptr) return;
    for (const Node* group : objects->children()) {
        const Branch* groupBranch = group->asBranch();
        if (groupBranch == nullptr) continue;
        for (const Node* object : groupBranch->children()) {
            const Branch* objectBranch = object->asBranch();
            const Leaf* addr = objectBranch != nullptr ? objectBranch->findLeaf("addr") : nullptr;
            if (addr == nullptr) continue;
            check.check(addr->value(), false, [&] {
                return "destination_destobj_" + groupBranch->name() + "_" + objectBranch->name() + "_addr";
            });
        }
    }
}

// The interface of every service under a top-level "*-serv" branch.
void checkServiceInterfaces(const Branch& final, ReferenceCheck& check) {
    for (const Node* node : final.children()) {
        const Branch* services = node->asBranch();
        if (services == nullptr || !services->name().ends_with("-serv")) continue;
        for (const Node* service : services->children()) {
            const Branch* serviceBranch = service->asBranch();
            const Leaf* interface = serviceBranch != nullptr ? serviceBranch->findLeaf("interface") : nullptr;
            if (interface == nullptr) continue;
            check.check(interface->value(), true,
                        [&] { return services->name() + "_" + serviceBranch->name() + "_interface"; });
        }
    }
}

}  // namespace

void findUndefinedReferences(const Branch& final, const std::unordered_set<std::string>& devices,
                             std::vector<Finding>& out) {
    ReferenceCheck check(final, devices);
    checkRules(final, check);
    checkGroupElements(final, "service", "group", check);
    checkGroupElements(final, "destination", "group", check);
    checkDestinationObjects(final, check);
    checkServiceInterfaces(final, check);
    check.report(out);
}
