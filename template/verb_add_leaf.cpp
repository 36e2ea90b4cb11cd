// The verb add_leaf: adds one setting to the tree, replacing an existing value.
#include "template/template_processor.h"

int TemplateProcessor::add_leaf(ConfigTree&, char*) {
    logFault("add_leaf", ": Verb not implemented yet (", "");
    return 0;
}
