// The script checker's look at one verb line's arguments: cut as the verb cuts them (verb_grammar.h)
// and checked piece by piece without touching a tree: missing and ignored pieces, search templates,
// settings and paths the tree parsers refuse (conftree's own parsers decide), wildcard markers a
// run cannot fill, edit_leaf operations, new names that would save as other settings, files that
// import_file would not find, and search templates that an enclosing if_leaf block leaves nothing to
// match.
//
// The parsers report a setting text without '=' to the process-wide tree log; the caller quiets it
// (see script_lint.cpp). Single-threaded like the parsers.
#pragma once

#include <string>

#include "template/lint_findings.h"

struct VerbRow;

// The innermost if_leaf block that a run opens around a line: while it runs, a "**" name component
// matches only the names its own "**" matched, a "##" only those of its "##", and none at all when
// its template has no such component.
struct WildcardScope {
    int line = 0;  // the if_leaf line
    bool star = false;
    bool hash = false;
};

struct ArgumentContext {
    int line = 0;
    const WildcardScope* scope = nullptr;  // null outside if_leaf blocks
    std::string scriptDirectory;           // import_file's files are looked for here (ends in '/')
};

// What the block and section checks need to know of a verb line.
struct LineFacts {
    // if_leaf: the run accepts the template (it parses, with at most one "**" and one "##" name
    // component) and opens a block; its wildcard name components.
    bool usableTemplate = false;
    bool starName = false;
    bool hashName = false;
    // A searched template can match nothing inside the enclosing if_leaf block.
    bool findsNothing = false;
    // if_version: the text could equal a version set_version sets (a digit, '.', a digit).
    bool versionCanMatch = false;
    // add_to_branch: the lines after this one, up to an empty one, are its items.
    bool itemLinesFollow = false;
};

// Checks the argument text (null when the line holds only the verb) of a line whose verb is row.
LineFacts checkVerbArguments(const VerbRow& row, const char* argumentText, const ArgumentContext& context,
                             LintFindings& findings);
