// The verb table's rows, in the order in which lines are matched against them.
#include "template/verb_table.h"

#include "template/text_util.h"

namespace {

using TP = TemplateProcessor;

constexpr VerbRow kRows[kVerbCount] = {
    {0, "add_leaf", &TP::add_leaf},
    {1, "add_to_branch", &TP::add_to_branch},
    {2, "address_convert", &TP::address_convert},
    {3, "change_value", &TP::change_value},
    {4, "copy_leaf", &TP::copy_leaf},
    {5, "count", &TP::count},
    {6, "delete_branch", &TP::delete_branch},
    {7, "delete_leaf", &TP::delete_leaf},
    {8, "demote_leaf", &TP::demote_leaf},
    {9, "edit_leaf", &TP::edit_leaf},
    {10, "end_if", &TP::end_if},
    {11, "if_leaf", &TP::if_leaf},
    {12, "if_version", &TP::if_version},
    {13, "import_file", &TP::import_file},
    {14, "insert_branch", &TP::insert_branch},
    {15, "join_branches", &TP::join_branches},
    {16, "merge_name_value", &TP::merge_name_value},
    {17, "merge_unique_num_branch", &TP::merge_unique_num_branch},
    {18, "object_lookup", &TP::object_lookup},
    {19, "promote_leaf", &TP::promote_leaf},
    {20, "rename_branch", &TP::rename_branch},
    {21, "rename_leaf", &TP::rename_leaf},
    {22, "renumber_branches", &TP::renumber_branches},
    {23, "replace_name_with_value", &TP::replace_name_with_value},
    {24, "replace_value_with_name", &TP::replace_value_with_name},
    {25, "set_version", &TP::set_version},
    {26, "spread_leaf", &TP::spread_leaf},
    {27, "tokenize_leaf2branches", &TP::tokenize_leaf2branches},
    {28, "translate_cybermasks", &TP::translate_cybermasks},
    {29, "user_error", &TP::user_error},
    {30, "user_warning", &TP::user_warning},
    {31, "[PREPROCESS]", nullptr},
    {32, "[POSTPROCESS]", nullptr},
};

}  // namespace

std::span<const VerbRow> verbTable() { return kRows; }

const VerbRow* findVerb(const char* verb) {
    if (verb == nullptr) return nullptr;
    for (const VerbRow& row : kRows) {
        if (equalsIgnoreCase(row.name, verb)) return &row;
    }
    return nullptr;
}
