// The management client library in one include: connection record and TCP layer, handshake, block
// framing, message streams and the response reader.
#pragma once

#include "lib/fwall/conn.h"
#include "lib/fwall/crypto.h"
#include "lib/fwall/framing.h"
#include "lib/fwall/handshake.h"
#include "lib/fwall/options.h"
#include "lib/fwall/request.h"
#include "lib/fwall/response.h"
#include "lib/fwall/stream.h"
