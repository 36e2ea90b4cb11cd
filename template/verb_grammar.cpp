// The argument table of the verbs, row by row in verb table order.
#include "template/verb_grammar.h"

#include <array>

#include "template/verb_table.h"

namespace {

using K = ArgumentKind;
constexpr ArgumentSpan W = ArgumentSpan::Word;
constexpr ArgumentSpan R = ArgumentSpan::Rest;

// A piece the verb searches the tree with.
constexpr ArgumentSpec searched(ArgumentSpan span, ArgumentKind kind, const char* label) {
    return ArgumentSpec{span, kind, label, true, true, false};
}
constexpr ArgumentSpec needed(ArgumentSpan span, ArgumentKind kind, const char* label) {
    return ArgumentSpec{span, kind, label, true, false, false};
}
constexpr ArgumentSpec optional(ArgumentSpan span, ArgumentKind kind, const char* label) {
    return ArgumentSpec{span, kind, label, false, false, false};
}
// A new setting or path whose wildcard markers are filled from each match.
constexpr ArgumentSpec filled(ArgumentSpan span, ArgumentKind kind, const char* label, bool required = true) {
    return ArgumentSpec{span, kind, label, required, false, true};
}

constexpr ArgumentSpec kAddLeaf[] = {needed(R, K::Setting, "SETTING")};
constexpr ArgumentSpec kAddToBranch[] = {searched(W, K::BranchTemplate, "BRANCH_TEMPLATE"),
                                         needed(R, K::Setting, "ITEM")};
constexpr ArgumentSpec kAddressConvert[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"),
                                            filled(W, K::Setting, "DESTINATION", false),
                                            optional(W, K::Text, "DESCRIPTION_LEAF")};
constexpr ArgumentSpec kChangeValue[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), needed(R, K::Text, "VALUE")};
constexpr ArgumentSpec kCopyLeaf[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), filled(R, K::Setting, "ITEM")};
constexpr ArgumentSpec kCount[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), filled(R, K::Setting, "ITEM")};
constexpr ArgumentSpec kDeleteBranch[] = {searched(R, K::BranchTemplate, "BRANCH_TEMPLATE")};
constexpr ArgumentSpec kDeleteLeaf[] = {searched(R, K::LeafTemplate, "LEAF_TEMPLATE")};
constexpr ArgumentSpec kDemoteLeaf[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), needed(R, K::Name, "NEW_NAME")};
constexpr ArgumentSpec kEditLeaf[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"),
                                      needed(W, K::EditOperation, "OPERATION"), needed(R, K::Text, "OPERAND")};
constexpr ArgumentSpec kIfLeaf[] = {searched(R, K::LeafTemplate, "LEAF_TEMPLATE")};
constexpr ArgumentSpec kIfVersion[] = {needed(R, K::VersionText, "VERSION")};
constexpr ArgumentSpec kImportFile[] = {needed(W, K::FileName, "FILE")};
constexpr ArgumentSpec kInsertBranch[] = {searched(W, K::InsertTemplate, "TEMPLATE"),
                                          needed(R, K::InsertTemplate, "LONGER_TEMPLATE")};
constexpr ArgumentSpec kJoinBranches[] = {searched(W, K::BranchTemplate, "SOURCE_BRANCH_TEMPLATE"),
                                          needed(R, K::BranchPath, "DESTINATION_PATH")};
constexpr ArgumentSpec kMergeNameValue[] = {searched(W, K::BranchTemplate, "BRANCH_TEMPLATE"),
                                            filled(R, K::BranchPath, "DESTINATION_PATH")};
constexpr ArgumentSpec kOneBranchTemplate[] = {searched(W, K::BranchTemplate, "BRANCH_TEMPLATE")};
constexpr ArgumentSpec kObjectLookup[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"),
                                          searched(R, K::LookupPrefix, "PATH_PREFIX")};
constexpr ArgumentSpec kOneLeafTemplate[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE")};
constexpr ArgumentSpec kRenameBranch[] = {searched(W, K::BranchTemplate, "BRANCH_TEMPLATE"),
                                          needed(R, K::Name, "NEW_NAME")};
constexpr ArgumentSpec kRenameLeaf[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), needed(R, K::Name, "NEW_NAME")};
constexpr ArgumentSpec kReplaceNameWithValue[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"),
                                                  optional(W, K::Component, "COMPONENT")};
constexpr ArgumentSpec kWholeLeafTemplate[] = {searched(R, K::LeafTemplate, "LEAF_TEMPLATE")};
constexpr ArgumentSpec kSpreadLeaf[] = {searched(W, K::LeafTemplate, "SOURCE_LEAF_TEMPLATE"),
                                        searched(R, K::BranchTemplate, "DESTINATION_BRANCH_TEMPLATE")};
constexpr ArgumentSpec kTokenize[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"),
                                      filled(R, K::BranchPath, "DESTINATION_PATH")};
constexpr ArgumentSpec kUserError[] = {optional(R, K::Text, "MESSAGE")};
constexpr ArgumentSpec kUserWarning[] = {searched(W, K::LeafTemplate, "LEAF_TEMPLATE"), needed(R, K::Text, "MESSAGE")};

constexpr std::array<VerbGrammar, kVerbCount> kGrammar{{
    {"add_leaf", kAddLeaf},
    {"add_to_branch", kAddToBranch, true},
    {"address_convert", kAddressConvert},
    {"change_value", kChangeValue},
    {"copy_leaf", kCopyLeaf},
    {"count", kCount},
    {"delete_branch", kDeleteBranch},
    {"delete_leaf", kDeleteLeaf},
    {"demote_leaf", kDemoteLeaf},
    {"edit_leaf", kEditLeaf},
    {"end_if", {}},
    {"if_leaf", kIfLeaf},
    {"if_version", kIfVersion},
    {"import_file", kImportFile},
    {"insert_branch", kInsertBranch},
    {"join_branches", kJoinBranches},
    {"merge_name_value", kMergeNameValue},
    {"merge_unique_num_branch", kOneBranchTemplate},
    {"object_lookup", kObjectLookup},
    {"promote_leaf", kOneLeafTemplate},
    {"rename_branch", kRenameBranch},
    {"rename_leaf", kRenameLeaf},
    {"renumber_branches", kOneBranchTemplate},
    {"replace_name_with_value", kReplaceNameWithValue},
    {"replace_value_with_name", kWholeLeafTemplate},
    {"set_version", kWholeLeafTemplate},
    {"spread_leaf", kSpreadLeaf},
    {"tokenize_leaf2branches", kTokenize},
    {"translate_cybermasks", kOneLeafTemplate},
    {"user_error", kUserError},
    {"user_warning", kUserWarning},
    {"[PREPROCESS]", {}},
    {"[POSTPROCESS]", {}},
}};

}  // namespace

const VerbGrammar& verbGrammar(int code) { return kGrammar.at(static_cast<std::size_t>(code)); }

std::string verbUsage(const VerbGrammar& grammar) {
    std::string usage = grammar.verb;
    for (const ArgumentSpec& argument : grammar.arguments) {
        usage += ' ';
        usage += argument.required ? argument.label : std::string("[") + argument.label + "]";
    }
    if (grammar.readsItemLines) usage += " (more ITEM lines up to an empty line)";
    return usage;
}
