// Shared set-up for the converter tests: a context that logs into strings as a conversion run would,
// the network object list the converters share, trees filled from setting lines, and the written
// settings and log lines as text. No template processor is involved.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "convert/converter_context.h"
#include "convert/netobjects.h"

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
    // Adds setting lines as the file reader does (the first occurrence of a setting wins).
    static void load(ConfigTree& tree, std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) {
            if (auto chain = parseLine(line)) tree.mergeNode(std::move(chain), false);
        }
    }

    // Every setting line of the tree, in tree order.
    static std::vector<std::string> settings(const ConfigTree& tree) {
        std::ostringstream out;
        for (const Node* child : tree.children()) child->write(out, true);
        return splitLines(out.str());
    }

    // Setting lines of the tree that begin with prefix, in tree order.
    static std::vector<std::string> settingsUnder(const ConfigTree& tree, const std::string& prefix) {
        std::vector<std::string> out;
        for (const std::string& line : settings(tree)) {
            if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
        }
        return out;
    }

    std::vector<std::string> logLines() const { return splitLines(log.str()); }

    static std::vector<std::string> splitLines(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    TestContext context{log, warnings};
    NetObjectList objects;  // the objects the converters make in one run
};
