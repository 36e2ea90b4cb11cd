// The test bench of the template verbs: a tree built from setting lines, a processor reading an
// in-memory script, the log and warnings it writes, and checks at the end of every test that each
// node the test made was destroyed exactly once (no leak, no double destruction) and that no if_leaf
// block left a wildcard restriction behind.
//
// settings() lists the tree as the file writer would (one 'name=value' per leaf, depth-first) without
// the save summary; faultLines() drops the dispatch's "Processing ..." echo lines. Header only: the
// suites that use it link the template processor themselves.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

using Lines = testsupport::Lines;

class VerbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        branchesBefore_ = branchCount();
        leavesBefore_ = leafCount();
        tree = std::make_unique<ConfigTree>(log);
        useScript("");
    }

    void TearDown() override {
        processor.reset();
        tree.reset();
        // Every node the test made was destroyed exactly once with the tree.
        EXPECT_EQ(branchCount(), branchesBefore_);
        EXPECT_EQ(leafCount(), leavesBefore_);
        // No if_leaf block may leave a wildcard restriction behind.
        EXPECT_TRUE(starScopes().empty());
        EXPECT_TRUE(hashScopes().empty());
        // The tree log must not point at this fixture's stream once it is gone.
        setTreeLog(std::cout);
    }

    // Adds settings as a file load would (the first occurrence of a name wins).
    void addSettings(const Lines& lines) { testsupport::addSettings(*tree, lines); }

    // Replaces the processor by one that reads `script` from memory; import_file looks for files in
    // `workingDirectory`.
    void useScript(const std::string& script, const std::string& workingDirectory = "") {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", workingDirectory);
    }

    // Runs one verb line through the dispatch, as if it were script line lineNumber.
    int dispatch(const std::string& line, int lineNumber = 7) {
        processor->setLineNumber(lineNumber);
        line_.assign(line.begin(), line.end());
        line_.push_back('\0');
        return processor->dispatchLine(*tree, line_.data());
    }

    // Runs a whole in-memory script as one section without an end marker.
    bool runScript(const std::string& script) {
        useScript(script);
        return processor->runScriptSection(*tree, nullptr);
    }

    Lines settings() const { return testsupport::settingLines(*tree); }

    Lines logLines() const { return testsupport::splitLines(log.str()); }

    Lines faultLines() const {
        Lines lines;
        for (const std::string& line : logLines()) {
            if (line.rfind("Processing ", 0) != 0) lines.push_back(line);
        }
        return lines;
    }

    // Lines the dispatch echoed as processed ("Processing <n>: <verb>\t<args>").
    Lines processedLines() const {
        Lines lines;
        for (const std::string& line : logLines()) {
            if (line.rfind("Processing ", 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    void clearLog() { log.str(""); }

    std::ostringstream log;
    std::ostringstream warnings;
    std::unique_ptr<ConfigTree> tree;
    std::unique_ptr<TemplateProcessor> processor;

private:
    std::vector<char> line_;
    long branchesBefore_ = 0;
    long leavesBefore_ = 0;
};
