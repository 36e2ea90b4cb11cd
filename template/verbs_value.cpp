// Value editing verbs: set or edit the values of existing settings in place.
//
// Placeholders until the family is written: each logs that it did nothing and reports a failure.
#include "template/template_processor.h"

int TemplateProcessor::change_value(ConfigTree&, char*) {
    logFault("change_value", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::edit_leaf(ConfigTree&, char*) {
    logFault("edit_leaf", ": Verb not implemented yet (", "");
    return 0;
}
