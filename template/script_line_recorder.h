// The record of one dispatched script line (script_line_record.h), made while the line runs.
//
// dispatchLine makes one recorder per verb line. The recorder appends the line's record at once, so
// that the records stay in the order the lines began (a block's opening line before the lines of its
// block), watches the tree the line works on, and fills in the counts when it goes out of scope:
// the tree's edit counters (conftree/tree_state.h) after the line less those before it.
//
// The lines of an if_leaf or if_version block are dispatched while their opening line is still
// running, each with a recorder of its own. Their counts are taken out of the opening line's, so
// that every edit is counted on exactly one line: the opening line counts only its own search, and
// the records of a run add up to what the script did.
//
// Ownership: the recorder refers to the processor and the tree for its own lifetime, which is one
// dispatch. Threads: the processor's.
#pragma once

#include <cstddef>
#include <string_view>

#include "conftree/tree_state.h"

class Branch;
class TemplateProcessor;

class ScriptLineRecorder {
public:
    // Starts the record of the line that processor dispatches now on tree: verb as written (the
    // table's name when known is true), and its arguments before the verb's handler changes them.
    ScriptLineRecorder(TemplateProcessor& processor, const Branch& tree, std::string_view verb, const char* arguments,
                       bool known);
    ~ScriptLineRecorder();

    ScriptLineRecorder(const ScriptLineRecorder&) = delete;
    ScriptLineRecorder& operator=(const ScriptLineRecorder&) = delete;

    // The section a marker line begins ("[MERGE_TREE1]" ...: the four section markers the phases end
    // their sections at, matched ignoring case), or empty when verb is none.
    static std::string_view sectionMarker(std::string_view verb);

private:
    TemplateProcessor& processor_;
    std::size_t index_;            // of the record in the processor's list
    const Branch* watchedBefore_;  // the tree an enclosing line watched
    TreeEditCounts before_;
};
