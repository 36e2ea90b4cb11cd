// Dispatch of one script line: verb lookup, the log lines, and the verb table.
#include <set>
#include <string>

#include "script_fixture.h"
#include "template/text_util.h"
#include "template/verb_table.h"

namespace {

using Dispatch = ScriptFixture;

TEST_F(Dispatch, VerbIsFoundIgnoringCaseAndLoggedAsTheTableSpellsIt) {
    EXPECT_EQ(dispatch("ADD_LEAF a_b=1", 7), 1);
    EXPECT_EQ(log.str(), "Processing 7: add_leaf\ta_b=1\n");
    EXPECT_EQ(settings(), "a_b=1\n");
}

TEST_F(Dispatch, LeadingBlanksBeforeTheVerbAreAllowed) {
    EXPECT_EQ(dispatch("   add_leaf x=1"), 1);
    EXPECT_EQ(settings(), "x=1\n");
}

TEST_F(Dispatch, UnknownVerbIsReportedAsWrittenAndSkipped) {
    EXPECT_EQ(dispatch("Renamee_leaf a=1 b", 3), 0);
    EXPECT_EQ(dispatch(" # note", 4), 0);
    EXPECT_EQ(log.str(), "Unrecognized verb at line 3: Renamee_leaf\n"
                         "Unrecognized verb at line 4: #\n");
    EXPECT_EQ(settings(), "");
}

TEST_F(Dispatch, BlankLineHasNoVerbAndLogsNothing) {
    EXPECT_EQ(dispatch(" \t "), 0);
    EXPECT_EQ(log.str(), "");
}

TEST_F(Dispatch, SectionWordsAreLoggedAndDoNothing) {
    EXPECT_EQ(dispatch("[PREPROCESS]", 1), 1);
    EXPECT_EQ(dispatch("[postprocess] ignored words", 2), 1);
    EXPECT_EQ(dispatch("[MERGE_TREE1]", 3), 0);
    EXPECT_EQ(log.str(), "Processing 1: [PREPROCESS]\t\n"
                         "Processing 2: [POSTPROCESS]\tignored words\n"
                         "Unrecognized verb at line 3: [MERGE_TREE1]\n");
}

TEST_F(Dispatch, AfterADispatchTheLineHoldsOnlyTheVerb) {
    dispatch("[merge_tree2] trailing text");
    EXPECT_STREQ(buffer.data(), "[merge_tree2]");
}

TEST_F(Dispatch, EveryTableRowIsReachedByItsName) {
    for (const VerbRow& row : verbTable()) {
        ScriptFixture::log.str("");
        useScript("");
        dispatch(row.name, 5);
        const std::string first = log.str().substr(0, log.str().find('\n') + 1);
        EXPECT_EQ(first, std::string("Processing 5: ") + row.name + "\t\n");
    }
}

TEST_F(Dispatch, FaultLinesNameTheVerbTheScriptLineAndTheSubject) {
    useScript("");
    processor->setLineNumber(57);
    processor->logFault("add_to_branch", ": Search returned no data (", "rule_proxy_##");
    processor->logFault("end_if", ": Attempting end_if with no if_leaf pending (", "");
    EXPECT_EQ(log.str(), "add_to_branch: Search returned no data (57): rule_proxy_##\n"
                         "end_if: Attempting end_if with no if_leaf pending (57): \n");
}

TEST(VerbTable, HasThirtyThreeRowsNumberedInOrderWithDistinctNames) {
    ASSERT_EQ(verbTable().size(), 33u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < verbTable().size(); ++i) {
        const VerbRow& row = verbTable()[i];
        EXPECT_EQ(row.code, static_cast<int>(i));
        EXPECT_EQ(row.handler == nullptr, i >= 31) << row.name;
        std::string lower;
        for (const char* p = row.name; *p; ++p) lower += asciiLower(*p);
        EXPECT_TRUE(names.insert(lower).second) << row.name;
    }
    EXPECT_STREQ(verbTable()[0].name, "add_leaf");
    EXPECT_STREQ(verbTable()[30].name, "user_warning");
    EXPECT_EQ(findVerb("Tokenize_Leaf2Branches"), &verbTable()[27]);
    EXPECT_EQ(findVerb("add_lea"), nullptr);
    EXPECT_EQ(findVerb("add_leafs"), nullptr);
}

}  // namespace
