// Failure injection for the atomic writer: a test makes one chosen operation fail the way the system
// would, then checks what the failure left behind (the previous file whole, no temporary file).
//
// Process-wide and guarded by a lock, since the writer may run on another thread than the test (a
// download, the simulator). Only tests arm it; unarmed, it costs the writer one atomic load per
// system call.
#pragma once

#include "util/files/write_result.h"

namespace files::testing {

// The count-th operation of step from now on (1: the next one) fails with error. Create counts each
// attempt at a temporary name (EEXIST there makes the writer try another name), Write each write to
// the file (a failing write first writes half of its bytes, like a disk filling up during the
// write), Sync and Rename one per commit. Replaces any failure armed before.
void failAt(Step step, int count, int error);

// Disarms the seam.
void clearFailure();

// True while an armed failure has not happened yet.
bool failurePending();

// Arms the seam for one scope.
class ScopedFailure {
public:
    ScopedFailure(Step step, int count, int error) { failAt(step, count, error); }
    ~ScopedFailure() { clearFailure(); }
    ScopedFailure(const ScopedFailure&) = delete;
    ScopedFailure& operator=(const ScopedFailure&) = delete;
};

}  // namespace files::testing
