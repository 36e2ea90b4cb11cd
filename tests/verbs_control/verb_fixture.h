// A small test bench for template verbs: a tree built from setting lines, a processor reading an
// in-memory script, and the log and warnings it writes.
//
// Trees are built with the same parser and insertion rule as a loaded file. settings() lists the
// tree as the file writer would (one 'name=value' per leaf, depth-first) without the save summary.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "template/template_processor.h"

class VerbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        tree = std::make_unique<ConfigTree>(log);
        useScript("");
    }

    void TearDown() override {
        // No if_leaf block may leave a wildcard restriction behind.
        EXPECT_TRUE(starScopes().empty());
        EXPECT_TRUE(hashScopes().empty());
        // The tree log must not point at this fixture's stream once it is gone.
        setTreeLog(std::cout);
    }

    // Adds settings as a file load would (the first occurrence of a name wins).
    void addSettings(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) tree->mergeNode(parseLine(line, 0), false);
    }

    // Replaces the processor by one that reads script from memory.
    void useScript(const std::string& script, const std::string& workingDirectory = "") {
        processor = std::make_unique<TemplateProcessor>(
            log, warnings, std::make_unique<std::istringstream>(script), "test.tpl", workingDirectory);
    }

    // Runs one verb line through the dispatch, as if it were script line lineNumber.
    int dispatch(const std::string& line, int lineNumber = 7) {
        processor->setLineNumber(lineNumber);
        line_.assign(line.begin(), line.end());
        line_.push_back('\0');
        return processor->dispatchLine(*tree, line_.data());
    }

    // Runs the whole in-memory script as one section without an end marker.
    bool runScript(const std::string& script) {
        useScript(script);
        return processor->runScriptSection(*tree, nullptr);
    }

    // The settings of the tree, one per leaf, in the file writer's order.
    std::vector<std::string> settings() const {
        std::ostringstream out;
        for (const Node* child : tree->children()) child->write(out, true);
        std::vector<std::string> lines;
        std::istringstream in(out.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // The log lines written so far; clearLog() forgets them.
    std::vector<std::string> logLines() const {
        std::vector<std::string> lines;
        std::istringstream in(log.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Only the lines that are not the dispatch's "Processing ..." echo.
    std::vector<std::string> faultLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : logLines()) {
            if (line.rfind("Processing ", 0) != 0) lines.push_back(line);
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
};

using Lines = std::vector<std::string>;
