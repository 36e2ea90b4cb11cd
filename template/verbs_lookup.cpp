// Name/value lookup and translation verbs.
//
// Placeholders until the family is written: each logs that it did nothing and reports a failure.
#include "template/template_processor.h"

int TemplateProcessor::address_convert(ConfigTree&, char*) {
    logFault("address_convert", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::merge_name_value(ConfigTree&, char*) {
    logFault("merge_name_value", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::object_lookup(ConfigTree&, char*) {
    logFault("object_lookup", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::replace_name_with_value(ConfigTree&, char*) {
    logFault("replace_name_with_value", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::replace_value_with_name(ConfigTree&, char*) {
    logFault("replace_value_with_name", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::translate_cybermasks(ConfigTree&, char*) {
    logFault("translate_cybermasks", ": Verb not implemented yet (", "");
    return 0;
}
