// Large upgrade reports, for the benchmark of the report's files and page (bench_report) and for
// looking at a big page by hand (gen_report).
//
// The records look like those of a large branch office: every kind, most rules converted, some
// changed (with reasons and rewritten addresses), a few dropped; labels in plain ASCII, in other
// scripts, with markup characters and, now and then, bytes that are not UTF-8. Findings of every
// severity, an interface pairing with shared and unpaired interfaces, script lines and changed
// settings of the new firewall. Same size and seed, same report. Pure functions; any thread.
#pragma once

#include <cstdint>

#include "report/upgrade_report.h"

struct ReportSize {
    int records = 100000;
    int interfaces = 200;  // pairing records; the interface records come out of `records`
    int findings = 500;    // of which 2% high and 10% medium
    int scriptLines = 400;
    int settingsChanged = 2000;
};

UpgradeReport generateReport(const ReportSize& size, std::uint64_t seed);
