// Shared set-up for the converter tests: a context that logs into strings as a conversion run would,
// the network object list the converters share, and the log lines as text. Trees are filled from
// setting lines and listed again with the test-support library's addSettings and settingLines (the
// first occurrence of a setting wins, as in a file load). No template processor is involved.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"
#include "support/setting_lines.h"

using Lines = testsupport::Lines;
using testsupport::addSettings;
using testsupport::settingLines;

// The context of a conversion run as far as the converters can tell: lines and faults go to the log
// (faults carry lineNumber), notes to the warnings, and settings are added as the add_leaf verb adds
// them (an existing leaf takes the new value).
class TestContext final : public ConverterContext {
public:
    TestContext(std::ostream& log, std::ostream& warnings) : log_(log), warnings_(warnings) {}

    void logLine(std::string_view text) override { log_ << text << '\n'; }
    void logFault(std::string_view name, std::string_view message, std::string_view subject) override {
        log_ << name << message << lineNumber << "): " << subject << '\n';
    }
    void logWarning(std::string_view text) override { warnings_ << text << '\n'; }
    void addSetting(ConfigTree& tree, std::string line) override {
        std::unique_ptr<Node> chain = parseLine(line, 0);
        if (!chain) {
            log_ << "add_leaf: Unable to parse object1: " << line << '\n';
            return;
        }
        tree.mergeNode(std::move(chain), true);
    }

    int lineNumber = 0;

private:
    std::ostream& log_;
    std::ostream& warnings_;
};

class ConverterTest : public ::testing::Test {
protected:
    // Setting lines of the tree that begin with prefix, in tree order.
    static Lines settingsUnder(const ConfigTree& tree, const std::string& prefix) {
        Lines out;
        for (const std::string& line : settingLines(tree)) {
            if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        }
        return out;
    }

    Lines logLines() const { return testsupport::splitLines(log.str()); }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    TestContext context{log, warnings};
    NetObjectList objects;  // the objects the converters make in one run
};
