// Writing the created network address objects into the merged tree (see netobjects.h).

#include <memory>
#include <string>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"

void NetObjectList::save(ConverterContext& context, ConfigTree& tree) {
    saved_ = objects_.size();
    context.logLine("Dumping " + std::to_string(objects_.size()) + " network address objects back into tree.");
    for (const NetObject& object : objects_) {
        if (object.type == kNetIpRange || object.type == kNetIpNet) continue;
        std::string line = object.name;
        line += netObjectSuffix(object.type);
        line += object.value;
        Leaf* bottom = nullptr;
        std::unique_ptr<Node> chain = parseLine(line, 0, &bottom);
        if (chain == nullptr || bottom == nullptr) continue;
        if (!object.desc.empty() && bottom->parent() != nullptr) {
            bottom->parent()->children().append(std::make_unique<Leaf>("desc", object.desc));
        }
        // Without overwrite: a setting the tree already holds keeps its value (and a differing one is
        // reported as a duplicate by the tree).
        tree.mergeNode(std::move(chain), false);
    }
}
