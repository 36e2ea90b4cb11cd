// The safety review's checks, one function per kind of finding. Each appends its findings, in the
// order of the records (or settings) it reads, to `out`; reviewUpgrade (safety_review.h) runs them
// and puts the findings in severity order.
//
// Ownership: the checks read the report, the facts and the trees and keep nothing. Threads: one
// thread at a time.
#pragma once

#include <vector>

#include "report/review_facts.h"

class Branch;

// A proxy, forward or local rule that refused traffic and was dropped (high, deny-rule-dropped).
void findDroppedDenyRules(const UpgradeReport& report, std::vector<Finding>& out);

// A rule whose source or destination now matches every address where it named something narrower
// or nothing before (high, became-any).
void findRulesThatBecameAny(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out);

// A written item carrying an invalid address, mask, port range, action or NAT type (medium,
// invalid-value).
void findInvalidValues(const UpgradeReport& report, std::vector<Finding>& out);

// Several old interfaces paired with one new interface (high, interface-shared).
void findSharedInterfaces(const UpgradeReport& report, std::vector<Finding>& out);

// A rule of the old firewall that acted on an inside interface and now acts on an outside one
// (high, moved-to-outside).
void findRulesMovedOutside(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out);

// An interface of the new firewall's initial configuration that the merge did not write (high,
// new-interface-dropped).
void findDroppedNewInterfaces(const UpgradeReport& report, std::vector<Finding>& out);

// The new firewall's own settings that name an interface the final configuration no longer has
// (high, setting-refers-to-removed-interface). Needs both trees.
void findSettingsOnRemovedInterfaces(const Branch& initial, const Branch& final, const ReviewFacts& facts,
                                     std::vector<Finding>& out);

// An address of an old rule that lay in an old interface's network and lies in none of the new
// firewall's networks (medium, readdressed). Nothing is found while the new side is unknown.
void findReaddressedAddresses(const UpgradeReport& report, const ReviewFacts& facts, std::vector<Finding>& out);
