// Leaf verbs: copy, delete, move and rename whole settings.
//
// Placeholders until the family is written: each logs that it did nothing and reports a failure.
#include "template/template_processor.h"

int TemplateProcessor::copy_leaf(ConfigTree&, char*) {
    logFault("copy_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::delete_leaf(ConfigTree&, char*) {
    logFault("delete_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::demote_leaf(ConfigTree&, char*) {
    logFault("demote_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::promote_leaf(ConfigTree&, char*) {
    logFault("promote_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::rename_leaf(ConfigTree&, char*) {
    logFault("rename_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::spread_leaf(ConfigTree&, char*) {
    logFault("spread_leaf", ": Verb not implemented yet (", "");
    return 0;
}
