// The library's three exports over the process-wide interpreter state.
#include "util/tovad/tovac.h"

#include <cstdio>
#include <exception>

#include "lib/fwall/stream.h"
#include "util/tovad/shell_main.h"
#include "util/tovad/shell_state.h"

extern "C" int tovac_main(int argc, char** argv) {
    // Nothing may leave through the C boundary; running out of memory is a failed run.
    try {
        return tovac::shell_main(tovac::shell_state(), argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tovac: %s\n", e.what());
    } catch (...) {
        std::fputs("tovac: internal error\n", stderr);
    }
    return -1;
}

extern "C" int tovac_shutdown(void) {
    tovac::close_connection(tovac::shell_state());
    return 0;
}

extern "C" char* getResponceBuffer(void) {
    MgmtConnection* conn = tovac::shell_state().connection.get();
    MgmtReader* reader = conn != nullptr ? mgmt_reader(conn) : nullptr;
    return reader != nullptr ? reinterpret_cast<char*>(reader->delivery) : nullptr;
}
