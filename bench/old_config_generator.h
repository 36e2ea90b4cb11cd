// Large old (5.x) configurations and matching new (6.0) initial configurations, for the benchmark of
// the offline conversion and for trying the conversion on big inputs by hand (gen_old_config).
//
// The content follows the sample in data/samples/branch-5x.conf, scaled: physical interfaces with
// aliases, service groups with authentication over proxy configuration sets, destination records,
// proxy rules (some without destination, state or log level, a few without source), NAT and INAT
// rules (a few bound to "*"), packet filter edit lines in both directions with options and masks,
// new-style packet filter rules and database-proxy hosts. Old rule numbers come in a shuffled order
// with repeats. The new configuration lists the same interface addresses under new device names, so
// the interfaces pair by address and every reference is rewritten. Same sizes and seed, same files.
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <iosfwd>

struct OldConfigSize {
    int interfaces = 200;  // physical interfaces, each with two aliases
    int proxyRules = 50000;
    int editLines = 20000;  // packet filter edit lines, half forward, half local
    int natRules = 10000;
    int destinationRecords = 10000;
    int serviceGroups = 50;
    int newStyleRules = 200;  // new-style packet filter rules already in the old configuration

    // Every count multiplied by factor.
    OldConfigSize scaled(int factor) const;
};

// Writes the old configuration; returns the number of setting lines written.
long writeOldConfig(std::ostream& out, const OldConfigSize& size, std::uint64_t seed);
// Writes the new firewall's initial configuration for an old one of this size.
long writeNewConfig(std::ostream& out, const OldConfigSize& size);
