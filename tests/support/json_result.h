// Reading upgrade-cli's --json output in tests: standard output must be one JSON object on one line
// and nothing else.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

namespace testsupport {

// The object standard output holds; a discarded value (and a test failure) when it holds anything
// else: no text, text around the object, more than one line, or not JSON.
inline nlohmann::ordered_json jsonResult(const std::string& out) {
    const bool oneLine = !out.empty() && out.back() == '\n' && out.find('\n') == out.size() - 1;
    EXPECT_TRUE(oneLine) << "standard output: " << out;
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(out, nullptr, false);
    EXPECT_FALSE(json.is_discarded()) << "standard output: " << out;
    EXPECT_TRUE(json.is_discarded() || json.is_object()) << out;
    return json;
}

// The keys every object has, in their order.
inline void expectCommonKeys(const nlohmann::ordered_json& json) {
    const char* const keys[] = {"command", "outcome", "exit_status", "working_directory", "files", "report", "failure"};
    auto it = json.begin();
    for (const char* key : keys) {
        ASSERT_NE(it, json.end()) << "missing " << key << " in " << json.dump();
        EXPECT_EQ(it.key(), key) << json.dump();
        ++it;
    }
}

}  // namespace testsupport
