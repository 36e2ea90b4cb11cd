// Helpers shared by the configuration tree tests: a tree whose log is captured, building a tree
// from setting lines, writing a tree back as text, and scratch files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "support/setting_lines.h"

class TreeTest : public ::testing::Test {
protected:
    void TearDown() override {
        starScopes().clear();
        hashScopes().clear();
    }

    // Inserts each line as the file reader would (first occurrence wins).
    void add(std::initializer_list<const char*> lines, bool overwrite = false) {
        testsupport::addSettings(tree, testsupport::Lines(lines.begin(), lines.end()), overwrite);
    }

    // The setting lines a save would write, without the summary.
    static std::string body(const Branch& branch) {
        std::ostringstream out;
        branch.Branch::write(out, true);
        return out.str();
    }

    // A path `name` in a directory of its own (made; the file itself is not).
    std::string scratchPath(const std::string& name) {
        const std::filesystem::path dir = scratch_ / std::to_string(counter_++);
        std::filesystem::create_directories(dir);
        return (dir / name).string();
    }

    std::string writeFile(const std::string& content, const std::string& name = "in.conf") {
        std::string path = scratchPath(name);
        testsupport::writeFile(path, content);
        return path;
    }

    static std::string readFile(const std::string& path) { return testsupport::readFile(path); }

    std::string takeLog() {
        std::string text = log.str();
        log.str("");
        return text;
    }

    std::ostringstream log;
    ConfigTree tree{log};

private:
    testsupport::ScratchDir scratch_{"conftree_test"};
    int counter_ = 0;
};
