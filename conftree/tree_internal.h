// Internal to the conftree library: the counter updates made by node constructors, destructors and
// writers, the counts of edits to the watched tree made by the children lists and the nodes, and
// the one-line log helper. Not for use outside conftree/.
#pragma once

#include <ostream>

class Branch;
class Leaf;
class Node;

namespace conftree_internal {

void branchCreated();
void branchDestroyed();
void leafCreated();  // may write a progress dot
void leafDestroyed();
void leafWritten();  // may write a progress dot

// Edits to the watched tree (tree_state.h). The callers test watchingEdits() first, so that an
// unwatched process pays one load and compare per change; the counting functions, out of line, walk
// up from the node that changes (for a children list, from its owner) and count only when it lies
// in the watched tree.
extern const Branch* watchedTree;
inline bool watchingEdits() { return watchedTree != nullptr; }
void countEntered(const Branch& owner, const Node& subtree);  // subtree's leaves entered owner's list
void countLeft(const Branch& owner, const Node& subtree);     // and left it
void countRenamed(const Node& node);                          // node's leaves' names changed in place
void countValueChange(const Leaf& leaf);
void countSearchMatches(long results);

// Ends a tree log line: newline and flush, as every log line is flushed.
inline void endLine(std::ostream& stream) {
    stream.put('\n');
    stream.flush();
}

}  // namespace conftree_internal
