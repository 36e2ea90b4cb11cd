// Shared set-up for the converter tests: a processor with an empty script, trees filled from setting
// lines, and the written settings and log lines as text.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "template/template_processor.h"

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
    TemplateProcessor processor{log, warnings, std::make_unique<std::istringstream>(""), "test.tpl", "./"};
};
