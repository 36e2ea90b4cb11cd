// The tables the checker works from: the argument table beside the verb table, and suggestions for
// misspelt words.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "template/name_suggestion.h"
#include "template/verb_grammar.h"
#include "template/verb_table.h"

namespace {

TEST(VerbGrammar, HasOneRowPerVerbInVerbTableOrder) {
    for (const VerbRow& row : verbTable()) {
        EXPECT_STREQ(verbGrammar(row.code).verb, row.name) << "code " << row.code;
    }
}

TEST(VerbGrammar, UsageShowsOptionalArgumentsInBracketsAndItemLines) {
    const auto usage = [](std::string_view verb) { return verbUsage(verbGrammar(findVerb(verb.data())->code)); };
    EXPECT_EQ(usage("rename_leaf"), "rename_leaf LEAF_TEMPLATE NEW_NAME");
    EXPECT_EQ(usage("address_convert"), "address_convert LEAF_TEMPLATE [DESTINATION] [DESCRIPTION_LEAF]");
    EXPECT_EQ(usage("end_if"), "end_if");
    EXPECT_EQ(usage("add_to_branch"), "add_to_branch BRANCH_TEMPLATE ITEM (more ITEM lines up to an empty line)");
}

TEST(EditDistance, CountsEditsIgnoringCaseAndStopsPastTheLimit) {
    EXPECT_EQ(editDistanceIgnoringCase("rename_leaf", "RENAME_LEAF", 3), 0u);
    EXPECT_EQ(editDistanceIgnoringCase("renam_leaf", "rename_leaf", 3), 1u);
    EXPECT_EQ(editDistanceIgnoringCase("reanme_leaf", "rename_leaf", 3), 1u);  // two neighbours swapped
    EXPECT_EQ(editDistanceIgnoringCase("endif", "end_if", 3), 1u);
    EXPECT_EQ(editDistanceIgnoringCase("abc", "xyz", 3), 3u);
    EXPECT_EQ(editDistanceIgnoringCase("abcdef", "uvwxyz", 2), 3u);
    EXPECT_EQ(editDistanceIgnoringCase(std::string(5000, 'a'), "add_leaf", 3), 4u);
    EXPECT_EQ(editDistanceIgnoringCase("", "", 0), 0u);
}

TEST(ClosestName, SuggestsOnlyWordsThatAreASlipAway) {
    std::vector<std::string_view> names;
    for (const VerbRow& row : verbTable()) names.push_back(row.name);
    EXPECT_EQ(closestName("renam_leaf", names), "rename_leaf");
    EXPECT_EQ(closestName("DELETE_LEAFS", names), "delete_leaf");
    EXPECT_EQ(closestName("endif", names), "end_if");
    EXPECT_EQ(closestName("[preprocess", names), "[PREPROCESS]");
    EXPECT_EQ(closestName("ad_leaf", names), "add_leaf");
    EXPECT_EQ(closestName("xy", names), "");
    EXPECT_EQ(closestName("frobnicate_everything", names), "");
}

}  // namespace
