// The processor's network address object operations: forwarding to its NetObjectList, and writing
// the created objects into the merged tree.

#include <memory>
#include <string>

#include "conftree/branch.h"
#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/parse.h"
#include "convert/netobjects.h"
#include "template/template_processor.h"

std::string TemplateProcessor::convertAddr(std::string_view text, std::string& port,
                                           const std::string& desc) {
    return netObjects.convertAddr(text, port, desc);
}

std::string TemplateProcessor::getNetObject(int kind, const std::string& value1,
                                            const std::string& value2, const std::string& desc) {
    return netObjects.get(kind, value1, value2, desc);
}

NetObjectRef TemplateProcessor::lookupNetObject(int kind, std::string_view value) const {
    return netObjects.lookup(kind, value);
}

bool TemplateProcessor::netObjectExists(int kind, std::string_view name) const {
    return netObjects.exists(kind, name);
}

NetObjectRef TemplateProcessor::createNetObject(int kind, const std::string& value,
                                                const std::string& desc) {
    return netObjects.create(kind, value, desc);
}

std::string TemplateProcessor::createCompoundNetObject(int kind, const std::string& label,
                                                       const std::string& firstName,
                                                       const std::string& secondName,
                                                       const std::string& desc) {
    return netObjects.createCompound(kind, label, firstName, secondName, desc);
}

void TemplateProcessor::saveNetObjects(ConfigTree& tree) {
    logLine("Dumping " + std::to_string(netObjects.size()) +
            " network address objects back into tree.");
    for (const NetObject& object : netObjects.objects()) {
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
