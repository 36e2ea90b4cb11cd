// Cutting setting texts into node chains: the rules that turn 'rule_proxy_3_action=allow' into the
// branches 'rule', 'proxy', '3' and the leaf 'action' (value 'allow'), used by the file reader, by
// search templates and by every verb that adds settings.
//
// The chains returned are detached and owned by the caller (usually handed to mergeNode or used
// as a search template and dropped). Thread use: any thread, but the nodes count in the
// process-wide counters and a line without '=' is reported to treeLog.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class Branch;
class Leaf;
class Node;

// Cuts a 'name=value' text into a chain of branches ending in a leaf and returns its top node (the
// leaf itself when the name has no path). Trailing white space is removed first; a text shorter
// than 2 characters or starting with '#' gives nullptr silently; a text without '=' gives nullptr
// and "Line <lineNumber>: Unable to find '=' in <text>" in treeLog (lineNumber 0 for texts that do
// not come from a file). bottom, when given, receives the leaf (nullptr on failure).
[[nodiscard]] std::unique_ptr<Node> parseLine(std::string_view text, long lineNumber = 0, Leaf** bottom = nullptr);

// Cuts an underscore-separated name (no '=' handling, no trailing-space removal) into a chain of
// branches and returns the top one; nullptr for an empty text or one that starts with '#'.
// bottom, when given, receives the last branch (nullptr on failure).
[[nodiscard]] std::unique_ptr<Branch> parseName(std::string_view text, Branch** bottom = nullptr);

// Strips leading zeros of a decimal number in place: '007' -> '7' (returns 7), '000' -> '0'
// (returns 0), '-4' stays (returns -4). A text that is not a plain decimal number once its leading
// zeros are gone ('1a', ' 5', '+5', '0x10', '') stays unchanged and gives -1.
long canonicalNumber(std::string& text);

// True when text is a decimal integer in canonical form: "0", "12", "-3"; not "", "+3", "03", "3a".
bool isCanonicalInteger(std::string_view text);
