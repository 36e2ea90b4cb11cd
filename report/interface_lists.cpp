// Reading the 6.0 interface list for the safety review (see interface_lists.h).
#include "report/interface_lists.h"

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "report/interface_roles.h"

namespace {

const Branch* elementsOf(const Branch& tree) {
    const Branch* branch = tree.findBranch("netobj");
    for (const char* name : {"list", "Outside", "element"}) {
        if (branch == nullptr) return nullptr;
        branch = branch->findBranch(name);
    }
    return branch;
}

}  // namespace

std::vector<ListedInterface> listedInterfaces(const Branch& tree) {
    std::vector<ListedInterface> list;
    const Branch* elements = elementsOf(tree);
    if (elements == nullptr) return list;
    list.reserve(elements->children().size());
    for (const Node* node : elements->children()) {
        const Branch* element = node->asBranch();
        if (element == nullptr) continue;
        ListedInterface item;
        item.prefix = "netobj_list_Outside_element_" + element->name();
        for (const Node* child : element->children()) {
            const Leaf* leaf = child->asLeaf();
            if (leaf == nullptr) continue;
            const std::string& name = leaf->name();
            if (name == "interface") {
                item.device = leaf->value();
            } else if (name == "name") {
                item.name = leaf->value();
            } else if (name == "addr") {
                item.addr = leaf->value();
            } else if (name == "netmask") {
                item.netmask = leaf->value();
            } else if (name == "location") {
                item.location = leaf->value();
            } else if (name == "nat") {
                item.nat = natFlagOn(leaf->value());
            } else if (name == "alias") {
                item.alias = equalsIgnoringCase(leaf->value(), "yes");
            }
        }
        list.push_back(std::move(item));
    }
    return list;
}

bool interfaceNetwork(std::string_view addr, std::string_view netmask, Ipv4Range& network) {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    if (!readDottedQuad(addr, address) || !readDottedQuad(netmask, mask) || !isContiguousMask(mask)) return false;
    network.first = address & mask;
    network.last = network.first | ~mask;
    return true;
}
