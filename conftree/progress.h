// Progress of long work on trees and scripts: leaves created while a tree is built, setting lines
// written while it is saved, script lines read.
//
// Two receivers may listen, both chosen by the front end and both off by default:
//  - a stream that gets the small activity dots ("." per 20 leaves created, per 20 lines written,
//    per 10 script lines read); nothing is written until a front end chooses one (standard error on
//    a terminal, for instance), so dots never land in a log or output file by accident;
//  - an observer that is told how many items of which kind were done, for front ends that show
//    progress their own way (the upgrade workflow turns it into progress reports).
//
// Process-wide state; used from one thread at a time like the rest of the tree code. The receivers
// are not owned and must outlive their use here.
#pragma once

#include <iosfwd>

// What a progress tick counts.
enum class ProgressKind {
    LeavesCreated,    // 20 leaves created (loading, merging, verbs adding settings)
    LinesWritten,     // 20 setting lines written (saving)
    ScriptLinesRead,  // 10 template script lines read
};

// Told about every tick; items is the number of items the tick stands for.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    virtual void advanced(ProgressKind kind, long items) = 0;
};

// Chooses where progress dots go; nullptr (the default) discards them.
void setProgressStream(std::ostream* stream);

// The stream chosen with setProgressStream, or nullptr.
std::ostream* progressStream();

// Chooses the observer told about every tick; nullptr (the default) tells no one. Returns the
// observer chosen before, so that a scope can put it back.
ProgressObserver* setProgressObserver(ProgressObserver* observer);

// One tick of kind: a "." to the chosen stream (flushed) and a word to the observer, when chosen.
void progressDot(ProgressKind kind);
