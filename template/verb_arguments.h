// Helpers the tree-editing verbs share: cutting an argument text into words the way the script
// reader cuts a line (TemplateProcessor::splitVerb), and spelling out where a node sits in the tree
// for log lines and lookups.
//
// Pure functions over copies of their inputs; any thread.
#pragma once

#include <optional>
#include <string>

class Branch;
class Node;

// An argument text cut into its first word and the rest. whole is the text as the verb received
// it (empty when there was none), kept for fault lines, which quote it unchanged.
struct VerbArguments {
    std::string whole;
    std::optional<std::string> first;  // none when the text is missing or blank
    std::optional<std::string> rest;   // none when nothing follows the first word
};

// Cuts text (may be null) with the splitVerb rule: first word, the character that ends it, white
// space, the rest.
VerbArguments splitArguments(const char* text);

// The node's full setting name: every ancestor's name and "_" from the top-level branch down, then
// its own name (the tree root contributes nothing). For a leaf 'action' under 'rule', 'proxy', '3':
// "rule_proxy_3_action".
std::string fullNodeName(const Node& node);

// A branch's path as Branch::writePath writes it: every component followed by "_".
std::string branchPathText(const Branch& branch);

// text without leading and trailing white space.
std::string trimmedText(const std::string& text);

// Whether a text taken from a setting's value can become a name component or leaf name: a setting
// line is cut at its first '=' and ends at a line break, so a name holding either would be written
// as a different setting than the one made here.
bool usableAsSettingName(const std::string& text);
