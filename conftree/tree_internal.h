// Internal to the conftree library: the counter updates made by node constructors, destructors and
// writers, and the one-line log helper. Not for use outside conftree/.
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
// unwatched process pays one load and compare per change, and inWatchedTree for the node that
// changes (for a children list, its owner) before counting.
extern const Branch* watchedTree;
inline bool watchingEdits() { return watchedTree != nullptr; }
bool inWatchedTree(const Node& node);  // walks up to the node's root
void countEntered(const Node& subtree);  // its leaves entered the watched tree
void countLeft(const Node& subtree);     // its leaves left it
void countRenamed(const Node& subtree);  // its leaves' names changed in place
void countValueChange();
void countSearchMatches(long results);

// Ends a tree log line: newline and flush, as every log line is flushed.
inline void endLine(std::ostream& stream) {
    stream.put('\n');
    stream.flush();
}

}  // namespace conftree_internal
