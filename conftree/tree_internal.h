// Internal to the conftree library: the counter updates made by node constructors, destructors and
// writers, and the one-line log helper. Not for use outside conftree/.
#pragma once

#include <ostream>

namespace conftree_internal {

void branchCreated();
void branchDestroyed();
void leafCreated();  // may write a progress dot
void leafDestroyed();
void leafWritten();  // may write a progress dot

// Ends a tree log line: newline and flush, as every log line is flushed.
inline void endLine(std::ostream& stream) {
    stream.put('\n');
    stream.flush();
}

}  // namespace conftree_internal
