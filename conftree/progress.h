// Progress dots: the small activity marks written while long trees are built, saved, or while a
// template script is read. They never go into a log or output file by accident: nothing is written
// until the front end chooses a stream (standard error on a terminal, for instance).
//
// Process-wide state; used from one thread at a time like the rest of the tree code.
#pragma once

#include <iosfwd>

// Chooses where progress dots go; nullptr (the default) discards them. The stream is not owned and
// must outlive its use here.
void setProgressStream(std::ostream* stream);

// The stream chosen with setProgressStream, or nullptr.
std::ostream* progressStream();

// Writes one "." to the chosen stream (flushed), or nothing when none is chosen.
void progressDot();
