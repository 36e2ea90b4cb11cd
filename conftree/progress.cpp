// Progress dots go to one stream chosen by the front end, or nowhere.
#include "conftree/progress.h"

#include <ostream>

namespace {
std::ostream* g_progressStream = nullptr;
}

void setProgressStream(std::ostream* stream) { g_progressStream = stream; }

std::ostream* progressStream() { return g_progressStream; }

void progressDot() {
    if (g_progressStream != nullptr) {
        g_progressStream->put('.');
        g_progressStream->flush();
    }
}
