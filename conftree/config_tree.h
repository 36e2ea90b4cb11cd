// ConfigTree: the root of a configuration held in memory, with the configuration file reader and
// writer. load merges a file's settings into the tree (the first occurrence of a setting wins);
// save writes the tree back as a file of setting lines and a summary of it into treeLog.
//
// Constructing a ConfigTree makes its log stream the process-wide treeLog (the most recently
// constructed tree decides). The tree owns all its nodes. Threads: see node.h.
#pragma once

#include <iosfwd>
#include <string>

#include "conftree/branch.h"
#include "util/files/write_result.h"

class ConfigTree : public Branch {
public:
    explicit ConfigTree(std::ostream& log);
    ~ConfigTree() override;

    // Path of the file last loaded successfully; empty until then.
    std::string sourceFile;
    // Version of the configuration; 0 means unknown (nothing in this system sets it).
    double version = 0;

    // Merges the file's settings into the tree. 0 on success; -1 when the file cannot be opened
    // ("Unable to open file: " + path in treeLog, tree and sourceFile unchanged) or cannot be read
    // to its end ("Unable to read file: " + path; settings read before the failure stay).
    [[nodiscard]] int load(const std::string& path);

    // The same for the lines of a stream, read from where it stands; name takes the place of the
    // path in the messages and in sourceFile. A stream that has already failed counts as a file
    // that cannot be opened; one that goes bad while being read, as a file that cannot be read.
    [[nodiscard]] int load(std::istream& stream, const std::string& name);

    // Writes the tree to the file and the summary to treeLog. A regular file (or a missing one) is
    // replaced whole: the lines go to a temporary file beside it that takes its place only once
    // complete and synced, and the saved file is owner-only (0600); after any failure the previous
    // file is left as it was. A device or a pipe is written directly. Returns false when the file
    // could not be created, fully written or put in place (then "Unable to write file: " + path
    // also goes to treeLog after the summary); result tells which step failed and why. A setting
    // whose line the reader would skip (longer than LineReader::kMaxLineLength) fails the save the
    // same way, named in treeLog (result: a Write failure with EMSGSIZE).
    [[nodiscard]] bool save(const std::string& path);
    [[nodiscard]] bool save(const std::string& path, files::WriteResult& result);

    // Writes the tree to an open stream (standard output, for instance) the same way, summary to
    // treeLog, and flushes it. Returns false when the stream did not take everything (nothing is
    // logged for that, the caller reports it) or when a setting's line would be too long to be read
    // back (that setting is logged; the stream may have had part of the tree).
    [[nodiscard]] bool save(std::ostream& stream);

    // Moves every top-level node of other into this tree (an incoming leaf's value wins); other is
    // left empty.
    void absorb(ConfigTree& other);

    void describe(int depth, std::ostream& stream, bool newline) const override;
    void write(std::ostream& stream, bool newline) const override;
    void writePath(std::ostream& stream, bool newline) const override;
    bool search(NodeList& results, const Node* templateNode) override;
};
