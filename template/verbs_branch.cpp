// Branch verbs: add to, delete, insert, join, dissolve, rename and renumber branches.
//
// Placeholders until the family is written: each logs that it did nothing and reports a failure.
#include "template/template_processor.h"

int TemplateProcessor::add_to_branch(ConfigTree&, char*) {
    logFault("add_to_branch", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::delete_branch(ConfigTree&, char*) {
    logFault("delete_branch", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::insert_branch(ConfigTree&, char*) {
    logFault("insert_branch", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::join_branches(ConfigTree&, char*) {
    logFault("join_branches", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::merge_unique_num_branch(ConfigTree&, char*) {
    logFault("merge_unique_num_branch", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::rename_branch(ConfigTree&, char*) {
    logFault("rename_branch", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::renumber_branches(ConfigTree&, char*) {
    logFault("renumber_branches", ": Verb not implemented yet (", "");
    return 0;
}

int TemplateProcessor::tokenize_leaf2branches(ConfigTree&, char*) {
    logFault("tokenize_leaf2branches", ": Verb not implemented yet (", "");
    return 0;
}
