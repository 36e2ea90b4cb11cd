// Test bench for the verbs that reshape the tree: a tree built from setting lines, a processor
// reading an in-memory script, the log it writes, and a check that every node a test created or
// moved is accounted for (no node leaks, none is destroyed twice).
//
// settings() lists the tree as the file writer would (one 'name=value' per leaf, depth-first)
// without the save summary. faultLines() drops the dispatch's "Processing ..." echo lines.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "template/template_processor.h"

using Lines = std::vector<std::string>;

class TreeVerbFixture : public ::testing::Test {
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
        EXPECT_TRUE(starScopes().empty());
        EXPECT_TRUE(hashScopes().empty());
        setTreeLog(std::cout);
    }

    // Adds settings as a file load would (the first occurrence of a name wins).
    void addSettings(const Lines& lines) {
        for (const std::string& line : lines) tree->mergeNode(parseLine(line, 0), false);
    }

    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(
            log, warnings, std::make_unique<std::istringstream>(script), "test.tpl", "");
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

    Lines settings() const {
        std::ostringstream out;
        for (const Node* child : tree->children()) child->write(out, true);
        return splitLines(out.str());
    }

    Lines logLines() const { return splitLines(log.str()); }

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

    static Lines splitLines(const std::string& text) {
        Lines lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::ostringstream log;
    std::ostringstream warnings;
    std::unique_ptr<ConfigTree> tree;
    std::unique_ptr<TemplateProcessor> processor;

private:
    std::vector<char> line_;
    long branchesBefore_ = 0;
    long leavesBefore_ = 0;
};
