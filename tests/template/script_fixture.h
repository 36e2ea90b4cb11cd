// Test helpers for the template processor: a tree and a processor that reads its script from a
// string, both logging into one string stream, as the upgrade log does. The dispatch works on the
// fixture's own ScriptLine buffer, which the tests read back, and the settings are compared as one
// text; trees are filled and listed with the test-support library's setting-line helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "conftree/config_tree.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

class ScriptFixture : public ::testing::Test {
protected:
    // Makes the processor read script; resets the log so it holds only what the script causes.
    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", "/nonexistent-dir/");
        log.str("");
    }

    // Adds settings as a file load would (the first occurrence wins); the log keeps nothing of it.
    void addSettings(const testsupport::Lines& lines) {
        testsupport::addSettings(tree, lines);
        log.str("");
    }

    // The tree's setting lines, in order, without the save summary.
    std::string settings() const { return testsupport::settingText(tree); }

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
