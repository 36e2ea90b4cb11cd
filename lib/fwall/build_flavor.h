// Which copy of the management client library is being compiled.
//
// The library is built twice from the same sources: `fwall` for the upgrade program and `fwall_tovac`
// for the command-shell library. The second build defines FWALL_TOVAC_BUILD=1; every behaviour in which
// that copy differs is selected by kTovacBuild below (or by the macro where a declaration differs), so
// that the two copies never drift apart in the code they share.
#pragma once

#ifndef FWALL_TOVAC_BUILD
#define FWALL_TOVAC_BUILD 0
#endif

namespace fwall {

// True in the command-shell library's copy. Differences it selects:
//  - mgmt_open never resolves host names;
//  - tcp_connect's fixed failure texts and its walk over every address of a name;
//  - sock_recv prints "Empty buffer!" on a failed receive;
//  - the last-error codes 101-106;
//  - two-key triple DES at privacy levels 1 and 2 alike;
//  - no ';' after the request path;
//  - response bodies in text mode, and only into an opened output file.
inline constexpr bool kTovacBuild = FWALL_TOVAC_BUILD != 0;

}  // namespace fwall
