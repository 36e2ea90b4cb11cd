// Conditional and control verbs: blocks (if_leaf, if_version, end_if), the version, imported files,
// warnings and errors for the administrator, and counting.
//
// Placeholders until the family is written: each logs that it did nothing and reports a failure.
#include "template/template_processor.h"

int TemplateProcessor::end_if(ConfigTree&, char*) {
    logFault("end_if", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::if_leaf(ConfigTree&, char*) {
    logFault("if_leaf", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::if_version(ConfigTree&, char*) {
    logFault("if_version", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::import_file(ConfigTree&, char*) {
    logFault("import_file", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::count(ConfigTree&, char*) {
    logFault("count", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::set_version(ConfigTree&, char*) {
    logFault("set_version", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::user_error(ConfigTree&, char*) {
    logFault("user_error", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::user_warning(ConfigTree&, char*) {
    logFault("user_warning", ": Verb not implemented yet (", "");
    return 0;
}
