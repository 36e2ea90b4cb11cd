// Helpers shared by the configuration tree tests: a tree whose log is captured, building a tree
// from setting lines, writing a tree back as text, and scratch files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "conftree/conftree.h"

class TreeTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& path : scratch_) std::filesystem::remove_all(path);
        starScopes().clear();
        hashScopes().clear();
    }

    // Inserts each line as the file reader would (first occurrence wins).
    void add(std::initializer_list<const char*> lines, bool overwrite = false) {
        for (const char* line : lines) {
            auto chain = parseLine(line, 0);
            if (chain) tree.mergeNode(std::move(chain), overwrite);
        }
    }

    // The setting lines a save would write, without the summary.
    static std::string body(const Branch& branch) {
        std::ostringstream out;
        branch.Branch::write(out, true);
        return out.str();
    }

    std::string scratchPath(const std::string& name) {
        auto dir = std::filesystem::temp_directory_path() /
                   ("conftree_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        std::filesystem::create_directories(dir);
        scratch_.push_back(dir);
        return (dir / name).string();
    }

    std::string writeFile(const std::string& content, const std::string& name = "in.conf") {
        std::string path = scratchPath(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    std::string takeLog() {
        std::string text = log.str();
        log.str("");
        return text;
    }

    std::ostringstream log;
    ConfigTree tree{log};

private:
    std::vector<std::filesystem::path> scratch_;
    int counter_ = 0;
};
