// The step most tree-editing verbs begin with: parse the verb's search template, search the tree
// with it, and log the verb's own fault line when the template does not parse or finds nothing.
// Each verb words those faults itself, so it hands its texts in.
//
// The result owns the parsed template (verbs fill wildcard markers from its bottom node); the nodes
// found belong to the tree. One thread at a time, like the processor.
#pragma once

#include <string_view>

#include "conftree/node.h"
#include "conftree/search_template.h"

class ConfigTree;
class TemplateProcessor;

// Which parser reads the template: a leaf template matches settings, a branch template branches.
enum class TemplateKind { Leaf, Branch };

// What searchForVerb found. When matched is false the verb is over: its fault line is written and
// it returns verdict, 0 when the template did not parse, 1 when it parsed but found nothing.
struct VerbSearch {
    SearchTemplate pattern;
    NodeList found;
    bool matched = false;
    int verdict = 0;
};

// Parses templateText as a kind template and searches tree with it. A text that does not parse logs
// verb + parseFault + line number + "): " + templateText; a search that finds nothing logs the same
// with emptyFault. Both fault texts begin with ": " and end with "(" (see logFault).
VerbSearch searchForVerb(TemplateProcessor& processor, ConfigTree& tree, std::string_view verb,
                         TemplateKind kind, std::string_view templateText, std::string_view parseFault,
                         std::string_view emptyFault);
