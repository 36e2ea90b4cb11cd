// The step that most tree-editing verbs and every converter begin with: parse a search template,
// search the tree with it, and log the caller's own fault line when the template does not parse or
// finds nothing. Each caller words those faults itself, so it hands its texts in.
//
// The result owns the parsed template (verbs fill wildcard markers from its bottom node); the nodes
// found belong to the tree. The context is only borrowed for the fault line. One thread at a time,
// like the tree.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "conftree/node.h"
#include "conftree/search_template.h"

class ConfigTree;
class ConverterContext;

// Which parser reads the template: a leaf template matches settings, a branch template branches.
enum class TemplateKind { Leaf, Branch };

// What searchTree found. When matched is false the caller is over: its fault line is written and a
// verb returns verdict, 0 when the template did not parse, 1 when it parsed but found nothing.
struct TreeSearch {
    SearchTemplate pattern;
    NodeList found;
    bool matched = false;
    int verdict = 0;
};

// How the fault lines of one search differ from the usual single line that names the template.
struct FaultLines {
    std::optional<std::string_view> subject;  // named instead of the template text
    std::size_t count = 1;                    // each fault line is written this many times

    static FaultLines naming(std::string_view text) { return {text, 1}; }
    static FaultLines repeated(std::size_t times) { return {std::nullopt, times}; }
};

// Parses templateText as a kind template and searches tree with it. A text that does not parse logs
// name + parseFault + line number + "): " + templateText; a search that finds nothing logs the same
// with emptyFault. Both fault texts begin with ": " and end with "(" (see ConverterContext::logFault).
TreeSearch searchTree(ConverterContext& context, ConfigTree& tree, std::string_view name, TemplateKind kind,
                      std::string_view templateText, std::string_view parseFault, std::string_view emptyFault,
                      const FaultLines& lines = {});
