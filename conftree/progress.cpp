// Progress ticks go to one stream and one observer chosen by the front end, or nowhere.
#include "conftree/progress.h"

#include <ostream>

namespace {

std::ostream* g_progressStream = nullptr;
ProgressObserver* g_progressObserver = nullptr;

long itemsPerTick(ProgressKind kind) { return kind == ProgressKind::ScriptLinesRead ? 10 : 20; }

}  // namespace

void setProgressStream(std::ostream* stream) { g_progressStream = stream; }

std::ostream* progressStream() { return g_progressStream; }

ProgressObserver* setProgressObserver(ProgressObserver* observer) {
    ProgressObserver* previous = g_progressObserver;
    g_progressObserver = observer;
    return previous;
}

void progressDot(ProgressKind kind) {
    if (g_progressStream != nullptr) {
        g_progressStream->put('.');
        g_progressStream->flush();
    }
    if (g_progressObserver != nullptr) g_progressObserver->advanced(kind, itemsPerTick(kind));
}
