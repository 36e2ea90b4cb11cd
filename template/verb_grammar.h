// The arguments of each verb: how a verb cuts the text after it on its script line, and what each
// piece must be. The table has one row per verb table row (the same order, the same codes); it is
// what the script checker knows of the verbs, kept beside the verb table so that a verb that changes
// its arguments changes one row here.
//
// A verb cuts its argument text the way the script reader cuts a line (TemplateProcessor::
// splitVerb): a Word piece is the first white-space-free word, a Rest piece all the text that is
// left (it may hold white space). Text left after the last Word piece is ignored by the verb.
//
// Constant data; any thread may read it.
#pragma once

#include <span>
#include <string>

enum class ArgumentKind {
    LeafTemplate,    // search template for settings, 'a_##_b=**' (parsed as a setting line)
    BranchTemplate,  // search template for branches, 'rule_proxy_##' (parsed as a name)
    InsertTemplate,  // insert_branch: both setting templates or both branch templates
    Setting,         // a new 'name=value' setting
    BranchPath,      // a branch path to create or move to, 'grp_**_members'
    LookupPrefix,    // object_lookup: the start of a branch template, completed by a value
    Name,            // a new leaf or branch name
    Component,       // replace_name_with_value: the template component whose node is renamed
    EditOperation,   // one of the edit_leaf operation words
    VersionText,     // what if_version compares the version with
    FileName,        // import_file: a file in the directory the run imports from
    Text,            // free text: a value, an operand, a message, a leaf name to read
};

enum class ArgumentSpan { Word, Rest };

struct ArgumentSpec {
    ArgumentSpan span;
    ArgumentKind kind;
    const char* label;  // as the usage line shows it: "LEAF_TEMPLATE"
    bool required = true;
    bool searched = false;      // the verb searches the tree with it (the if_leaf wildcard scopes apply)
    bool fillsMarkers = false;  // "##", "**" and "??" components are filled from each match
};

struct VerbGrammar {
    const char* verb;  // the verb table's name of the row
    std::span<const ArgumentSpec> arguments;
    bool readsItemLines = false;  // add_to_branch: further items on the lines up to an empty one
};

// The row of the verb whose verb table code is code (0 to kVerbCount - 1).
const VerbGrammar& verbGrammar(int code);

// "rename_leaf LEAF_TEMPLATE NEW_NAME", optional pieces in brackets.
std::string verbUsage(const VerbGrammar& grammar);
