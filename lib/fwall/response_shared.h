// The response reader's process-wide areas (one response is read at a time in the process).
#pragma once

#include <cstddef>

#include "lib/fwall/response.h"

namespace fwall::response_shared {

extern unsigned char response_buffer[kResponseBufferSize];
extern char header_line[kHeaderLineMax + 1];
extern char challenge[kHeaderLineMax + 1];

}  // namespace fwall::response_shared
