// What one line of the template script did, for the upgrade report.
//
// The processor records every verb line it dispatches: the section it ran in, the verb, how many
// settings its searches found, and how many settings it changed, added or removed. The counts come
// from the tree's process-wide counters taken around the line: a setting created and another
// destroyed by the same line (a rename, a move) count as one change.
#pragma once

#include <string>

struct ScriptLineRecord {
    int line = 0;          // line number in the script
    std::string section;   // "[PREPROCESS]", "[MERGE_TREE1]", ...; empty before the first marker
    std::string verb;
    std::string arguments; // the rest of the line after the verb, as written
    long matches = 0;      // settings and branches the line's searches found
    long changed = 0;
    long added = 0;
    long removed = 0;
    bool known = true;     // false for a verb the table does not know (the line did nothing); the
                           // four section markers count as known: the phases end sections at them
};
