// Test helpers for the template processor: a tree and a processor that reads its script from a
// string, both logging into one string stream, as the upgrade log does.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "template/template_processor.h"

class ScriptFixture : public ::testing::Test {
protected:
    // Makes the processor read script; resets the log so it holds only what the script causes.
    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", "/nonexistent-dir/");
        log.str("");
    }

    void addSettings(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) tree.mergeNode(parseLine(line), false);
        log.str("");
    }

    // The tree's setting lines, in order, without the save summary.
    std::string settings() const {
        std::ostringstream out;
        for (Node* child : tree.children()) child->write(out, true);
        return out.str();
    }

    // Dispatches one line as if it were script line number n.
    int dispatch(const std::string& line, int n = 1) {
        if (!processor) useScript("");
        processor->setLineNumber(n);
        copyToBuffer(line);
        return processor->dispatchLine(tree, buffer.data());
    }

    void copyToBuffer(const std::string& line) {
        ASSERT_LT(line.size(), buffer.size());
        std::memcpy(buffer.data(), line.c_str(), line.size() + 1);
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree tree{log};
    std::unique_ptr<TemplateProcessor> processor;
    ScriptLine buffer{};
};
