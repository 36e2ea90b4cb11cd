// The words of the safety review's findings: how an item, an interface and a list of names are
// written in a finding's sentence, and which settings a finding about an item lists.
//
// Items are named as an administrator knows them: kind, old setting prefix, label, and the prefix it
// was written as ("proxy rule rule_proxy_2 (Mail), now rule_proxy_1").
//
// Ownership: plain values. Threads: any.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "report/upgrade_report.h"

// "proxy rule", "forward rule", "NAT rule", "interface alias", ...
std::string_view itemKindText(ItemKind kind);

// "proxy rule rule_proxy_2 (Mail), now rule_proxy_1"; the label part is left out when there is no
// label, the new part when the item was not written or kept its name. Items the upgrade made are
// named by the first name they were written as.
std::string itemText(const ItemRecord& record);

// itemText capitalised as the subject of a sentence, the new part closed by a comma ("Proxy rule
// rule_proxy_2 (Mail), now rule_proxy_1,"), to be followed by a verb.
std::string itemSubject(const ItemRecord& record);

// The record's old setting prefix followed by the prefixes it was written as (empty ones left out).
std::vector<std::string> recordSettings(const ItemRecord& record);

// "eth1 (Inside)", or just "eth1" without a name.
std::string deviceText(std::string_view device, std::string_view name);

// "a", "a and b", "a, b and c"; past `most` names, "a, b, c and 4 more".
std::string joinNames(const std::vector<std::string>& names, std::size_t most = 5);

// The text with its first letter in upper case.
std::string capitalised(std::string text);

Finding makeFinding(Severity severity, std::string_view code, std::string message, std::vector<std::string> settings);
