// The verb add_leaf: adds one 'name=value' setting to the tree, replacing an existing value. The
// converters call it too, for the settings they format themselves, so their faults show up under
// this verb's name.
#include <memory>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "template/template_processor.h"

int TemplateProcessor::add_leaf(ConfigTree& tree, char* text) {
    if (text == nullptr) {
        logStream_ << "add_leaf"
                   << ": Could not find objects at line " << lineNumber_ << '\n';
        logStream_.flush();
        return 0;
    }
    // parseLine reports a missing '=' itself (as line 0); the verb then names the text.
    std::unique_ptr<Node> chain = parseLine(text, 0);
    if (!chain) {
        logStream_ << "add_leaf"
                   << ": Unable to parse object1: " << text << '\n';
        logStream_.flush();
        return 0;
    }
    tree.mergeNode(std::move(chain), true);
    return 1;
}
