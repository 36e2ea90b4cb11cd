// The firewall's upgrade actions as fwsim carries them out under its root, the way a firewall would.
//
//  packcerts (on the old firewall) saves each authentication database that exists as its ".save" file
//    beside it (tovad-authdb, fw-authdb, pop3-authdb), and writes under /usr/local/etc/mgmt/upgrade/:
//    kvpn_certs.tar, a tar archive of the certificate directory kCertDir (an absent or empty directory
//    gives an empty archive); kvpn_cert_status.conf, "certificates=N" and a line "certificate_I=PATH"
//    per file archived; authlist.txt, the firewall path of each database saved, one a line;
//    extrafiles.txt, the firewall paths of what lies in the certificate directory but could not be
//    archived (links, devices, pipes), one a line, usually none.
//  unpackcerts (on the new firewall) extracts /usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE
//    (where the upgrade puts it) into the certificate directory, refusing a hostile archive as a
//    whole (see cert_archive.h), and restores each database from a ".save" file beside it. 404 when
//    there is no archive, 500 when it is refused or anything fails.
//  updateconf installs /usr/local/etc/mgmt/kestrane.conf.new as kestrane.conf when it loads as a
//    configuration with at least one setting, keeping the previous kestrane.conf beside it as
//    kestrane.conf.previous, then removes kestrane.conf.new. Otherwise 500 and nothing changes.
//
// Every file is written through the atomic writer. An action prepares all its files before it puts
// any of them in place, so a failure part way leaves the firewall as it was (the extraction of an
// archive, which is checked whole first, and a failing disk are the exceptions: each file is then
// still whole or untouched).
//
// Threads: any connection's thread may call these; they run one at a time (one process-wide lock,
// which also keeps the configuration reader's process-wide state to one user at a time).
#pragma once

#include <string>
#include <string_view>

#include "sim/firewall_root.h"

namespace fwsim {

// The simulated firewall's certificate directory.
inline constexpr std::string_view kCertDir = "/usr/local/etc/kvpn/certs";

struct ActionResult {
    int status = 500;
    std::string note;  // for the request's log line
};

ActionResult pack_certs(const FirewallRoot& root);
ActionResult unpack_certs(const FirewallRoot& root);
ActionResult update_conf(const FirewallRoot& root);

// The action of that name (one of kActionNames); 404 for any other name.
ActionResult run_action(std::string_view name, const FirewallRoot& root);

}  // namespace fwsim
