// The safety review: what an administrator must look at before the upgraded configuration goes
// onto the new firewall.
//
// The review reads the report's item records, pairing records and script path, and (once the final
// configuration exists) the new firewall's initial configuration and the final one, and appends its
// findings to the report: high (the upgrade may have opened the firewall or cut it off: a refusing
// rule dropped, a rule that now matches every address, interfaces merged or swapped from inside to
// outside, the new firewall's own settings left pointing at an interface that is gone, a sample
// script used), medium (the final configuration refers to something it does not define, an address
// that no longer lies in any of the firewall's networks, an invalid value carried over) and info
// (the new firewall's initial settings that the upgrade changed or removed). It never changes
// anything it reads.
//
// Every finding names the items as an administrator knows them (old setting prefix and label, new
// setting prefix) and lists the settings it concerns. Codes are stable:
//   high    deny-rule-dropped, became-any, interface-shared, moved-to-outside,
//           setting-refers-to-removed-interface, new-interface-dropped, sample-script
//   medium  undefined-reference, readdressed, invalid-value
//   info    new-settings-changed
//
// Cost: linear in the records, the initial configuration and the rule, group and service branches of
// the final configuration (lookups into the final tree by name); nothing is quadratic.
//
// Ownership: the trees are the caller's and are only read; the report is the caller's. Threads: one
// thread at a time (the trees are not thread-safe).
#pragma once

#include <string>

#include "report/upgrade_report.h"

class ConfigTree;

struct ReviewInputs {
    // The new firewall's initial configuration as loaded; null at the conversion-only stage.
    const ConfigTree* newInitial = nullptr;
    // The final configuration after postprocessing; null at the conversion-only stage.
    const ConfigTree* finalTree = nullptr;
    // The script used declares itself a sample (scriptDeclaresSample).
    bool scriptDeclaresSample = false;
};

// Appends the findings to report.findings (high, then medium, then info; in the order found within a
// severity; findings already there keep their place before new ones of their severity) and fills
// report.newSettingsChanged (replacing what it held; empty unless both trees are given).
void reviewUpgrade(UpgradeReport& report, const ReviewInputs& inputs);

// True when the script's leading comment lines (the lines starting with '#' before its first line
// that the processor would run; blank lines in between are passed over) contain the word "sample" in
// any letter case. False when the file cannot be read.
bool scriptDeclaresSample(const std::string& scriptPath);
