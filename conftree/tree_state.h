// The state that every configuration tree in the process shares: the stream that tree messages go
// to, the live node counters reported in the save summary, the count of setting lines written, and
// the wildcard scope stacks that narrow "**" and "##" while an if_leaf block runs.
//
// One program runs one conversion at a time; all of this is used from one thread at a time and
// nothing here is locked.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// An ordered list of names (duplicates allowed) and a stack of them; the back is the top.
using NameList = std::vector<std::string>;
using ScopeStack = std::vector<NameList>;

// Where tree messages go (duplicate leaves, unparsable lines, load failures, the save summary).
// Standard output until a ConfigTree is constructed; every ConfigTree constructor replaces it with
// the stream it is given. The stream is not owned.
std::ostream& treeLog();
void setTreeLog(std::ostream& stream);

// Live Branch objects in the process (tree roots included) and live Leaf objects.
long branchCount();
long leafCount();

// Setting lines written since the program started.
long leafWriteCount();

// Wildcard restrictions for name components: while a stack is not empty, its top list replaces the
// rule for "**" (starScopes) or "##" (hashScopes). Pushed and popped by the if_leaf verb.
ScopeStack& starScopes();
ScopeStack& hashScopes();
