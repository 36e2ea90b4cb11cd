// Opening the shell's connection: the record, its settings, the handshake, and the wiping of the
// password once the keys are derived.
//
// `shell_connect` runs the state's connector (TCP by default) and then forgets the state's password,
// whatever the outcome. `open_offline_connection` makes a record whose transport accepts every byte
// and ends every read, so that the interpreter runs without a firewall (tests, fuzzing).
// Single-threaded.
#pragma once

#include "util/tovad/shell_state.h"

namespace tovac {

// The default connector: mgmt_open, minor version 2, client type 3, a fresh nonce seed, the second
// identity, mgmt_connect. Null when the TCP connection or the handshake failed, when the library
// reported an error, or when the record did not end established (a Welcome that failed its checks).
ShellConnection connect_to_firewall(ShellState& state);

// Closes any connection the state has, opens a new one through the state's connector and wipes the
// password. True when a connection is open.
bool shell_connect(ShellState& state);

// A record that talks to nobody: sends succeed and vanish, every receive finds the end of the stream.
ShellConnection open_offline_connection();

}  // namespace tovac
