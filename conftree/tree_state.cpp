// The one place that holds the process-wide tree state.
#include "conftree/tree_state.h"

#include <iostream>

#include "conftree/progress.h"
#include "conftree/tree_internal.h"

namespace {

struct TreeState {
    std::ostream* log = &std::cout;
    long branches = 0;
    long leaves = 0;
    long leafWrites = 0;
    ScopeStack starScopes;
    ScopeStack hashScopes;
};

TreeState& state() {
    static TreeState s;
    return s;
}

}  // namespace

std::ostream& treeLog() { return *state().log; }
void setTreeLog(std::ostream& stream) { state().log = &stream; }
long branchCount() { return state().branches; }
long leafCount() { return state().leaves; }
long leafWriteCount() { return state().leafWrites; }
ScopeStack& starScopes() { return state().starScopes; }
ScopeStack& hashScopes() { return state().hashScopes; }

namespace conftree_internal {

void branchCreated() { ++state().branches; }
void branchDestroyed() { --state().branches; }

void leafCreated() {
    if (++state().leaves % 20 == 0) progressDot(ProgressKind::LeavesCreated);
}

void leafDestroyed() { --state().leaves; }

void leafWritten() {
    if (++state().leafWrites % 20 == 0) progressDot(ProgressKind::LinesWritten);
}

}  // namespace conftree_internal
