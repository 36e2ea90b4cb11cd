// The state that every configuration tree in the process shares: the stream that tree messages go
// to, the live node counters reported in the save summary, the count of setting lines written, the
// wildcard scope stacks that narrow "**" and "##" while an if_leaf block runs, and the counters of
// edits to one watched tree that tell what a template script line did.
//
// One program runs one conversion at a time; all of this is used from one thread at a time and
// nothing here is locked.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class Branch;

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

// Edits made to the settings of the watched tree (see watchTreeEdits), counted since the program
// started. The counts follow settings in and out of that one tree, not the life of leaf objects:
// the leaves of search templates, of the items a verb parses before copying them, and of incoming
// settings that a merge joins into existing ones never enter it and are not counted. A setting
// moved inside the tree leaves and enters it; its name and place change, its value stays.
struct TreeEditCounts {
    long leavesIn = 0;       // leaves that entered the tree (added, copied, or moved within it)
    long leavesOut = 0;      // leaves that left it (destroyed, or taken out to be moved)
    long valueChanges = 0;   // leaves of the tree whose value was set to a different one
    long leavesRenamed = 0;  // leaves whose setting name changed because they or a branch above them
                             // were renamed in place
    long searchMatches = 0;  // results appended by searches of any tree with a search template
};
TreeEditCounts treeEditCounts();

// Makes root the tree whose edits are counted (null: none, the default) and returns the tree
// watched before, so that a scope can put it back. Counting costs a walk up to the root per change
// of a children list, name or value while a tree is watched, and nothing measurable otherwise. The
// tree is not owned; it must stay watched no longer than it lives.
const Branch* watchTreeEdits(const Branch* root);
