// renumber_branches and merge_unique_num_branch: numbered children renamed 1, 2, 3 ..., and a
// branch dissolved into its parent under fresh numbers.
#include <random>
#include <string>

#include "support/verb_fixture.h"
#include "template/match_walk.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RenumberTest : public VerbFixture {};

TEST_F(RenumberTest, NumberedChildrenAreCountedFromOneAndOthersKeepTheirNames) {
    addSettings({"r_3_a=x", "r_desc=d", "r_7_a=y", "r_12_a=z"});
    EXPECT_EQ(dispatch("renumber_branches r trailing words"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_1_a=x", "r_desc=d", "r_2_a=y", "r_3_a=z"));
}

TEST_F(RenumberTest, NonCanonicalNumbersKeepTheirNames) {
    addSettings({"r_10_a=x", "r_2_a=y"});
    ASSERT_NE(tree->findBranch("r"), nullptr);
    // A loaded '007' would already be '7'; a rename can leave a name with leading zeros.
    addSettings({"r_9_a=z"});
    tree->findBranch("r")->findBranch("9")->setName("007");
    EXPECT_EQ(dispatch("renumber_branches r"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_1_a=x", "r_2_a=y", "r_007_a=z"));
}

TEST_F(RenumberTest, WildcardNamedChildrenAndNumberedLeavesTakeNumbersToo) {
    addSettings({"r_##_a=1", "r_5=leaf", "r_-4_a=2"});
    EXPECT_EQ(dispatch("renumber_branches r"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_1_a=1", "r_2=leaf", "r_3_a=2"));
}

TEST_F(RenumberTest, EveryMatchIsNumberedOnItsOwn) {
    addSettings({"g_a_5_x=1", "g_a_9_x=2", "g_b_4_x=3"});
    EXPECT_EQ(dispatch("renumber_branches g_**"), 1);
    EXPECT_THAT(settings(), ElementsAre("g_a_1_x=1", "g_a_2_x=2", "g_b_1_x=3"));
}

TEST_F(RenumberTest, FaultLines) {
    EXPECT_EQ(dispatch("renumber_branches", 1), 0);
    EXPECT_EQ(dispatch("renumber_branches #r", 2), 0);
    EXPECT_EQ(dispatch("renumber_branches r", 3), 1);
    EXPECT_THAT(faultLines(), ElementsAre("renumber_branches: Could not find search template (1): ",
                                          "renumber_branches: Unable to parse source template (2): #r",
                                          "renumber_branches: Search returned no data (3): r"));
}

class MergeUniqueNumTest : public VerbFixture {};

TEST_F(MergeUniqueNumTest, ChildrenJoinTheParentAfterItsHighestNumber) {
    addSettings({"p_1_v=a", "p_4_v=b", "p_new_a_v=c", "p_new_b_v=d"});
    EXPECT_EQ(dispatch("merge_unique_num_branch p_new"), 1);
    EXPECT_THAT(settings(), ElementsAre("p_1_v=a", "p_4_v=b", "p_5_v=c", "p_6_v=d"));
    EXPECT_EQ(tree->findBranch("p")->findBranch("new"), nullptr);
}

TEST_F(MergeUniqueNumTest, WithoutNumberedSiblingsNumberingStartsAtOne) {
    addSettings({"p_x=1", "p_new_a=c", "p_new_b_q=d"});
    EXPECT_EQ(dispatch("merge_unique_num_branch p_new"), 1);
    EXPECT_THAT(settings(), ElementsAre("p_x=1", "p_1=c", "p_2_q=d"));
}

TEST_F(MergeUniqueNumTest, SiblingNamesLoseLeadingZerosOnTheWay) {
    addSettings({"p_3_v=a", "p_new_a=c"});
    tree->findBranch("p")->findBranch("3")->setName("0012");
    EXPECT_EQ(dispatch("merge_unique_num_branch p_new"), 1);
    EXPECT_THAT(settings(), ElementsAre("p_12_v=a", "p_13=c"));
}

TEST_F(MergeUniqueNumTest, SeveralMatchesUnderOneParentTakeConsecutiveNumbers) {
    addSettings({"p_2_v=a", "p_x_a=1", "p_y_b=2", "p_y_c=3"});
    EXPECT_EQ(dispatch("merge_unique_num_branch p_**"), 1);
    // '2' itself matches: its child 'v' becomes '3' and joins p; then x's and y's children follow.
    EXPECT_THAT(settings(), ElementsAre("p_3=a", "p_4=1", "p_5=2", "p_6=3"));
}

TEST_F(MergeUniqueNumTest, TopLevelBranchDissolvesIntoTheRoot) {
    addSettings({"7=x", "grp_a=1"});
    EXPECT_EQ(dispatch("merge_unique_num_branch grp"), 1);
    EXPECT_THAT(settings(), ElementsAre("7=x", "8=1"));
}

TEST_F(MergeUniqueNumTest, NoNumberLeftAboveTheHighestLeavesTheBranchAlone) {
    addSettings({"p_9223372036854775807=x", "p_new_a=1"});
    EXPECT_EQ(dispatch("merge_unique_num_branch p_new", 5), 1);
    EXPECT_THAT(settings(), ElementsAre("p_9223372036854775807=x", "p_new_a=1"));
    EXPECT_THAT(faultLines(),
                ElementsAre("merge_unique_num_branch: No free numbers above the highest child (5): p_new_"));
}

TEST_F(MergeUniqueNumTest, FaultLines) {
    EXPECT_EQ(dispatch("merge_unique_num_branch", 1), 0);
    EXPECT_EQ(dispatch("merge_unique_num_branch #p", 2), 0);
    EXPECT_EQ(dispatch("merge_unique_num_branch p", 3), 1);
    EXPECT_THAT(faultLines(), ElementsAre("merge_unique_num_branch: Could not find templates (1): ",
                                          "merge_unique_num_branch: Unable to parse search template (2): #p",
                                          "merge_unique_num_branch: Search returned no data (3): p"));
}

// The plain procedure the verb follows: for every match, the highest number among its parent's
// children (their numeric names losing leading zeros on the way), then its children under the next
// numbers, then the match itself goes.
void plainMergeUniqueNum(ConfigTree& target, const std::string& templateText) {
    SearchTemplate pattern = SearchTemplate::branch(templateText);
    NodeList found;
    pattern.search(target, found);
    MatchWalk walk(std::move(found));
    while (Node* match = walk.next()) {
        Branch* dissolved = match->asBranch();
        Branch* parent = match->parent();
        if (dissolved == nullptr || parent == nullptr) continue;
        long highest = -1;
        for (Node* sibling : parent->children()) {
            std::string name = sibling->name();
            const long number = canonicalNumber(name);
            if (name != sibling->name()) sibling->setName(name);
            if (number > highest) highest = number;
        }
        for (auto& child : dissolved->children().takeAll()) {
            highest = highest == -1 ? 1 : highest + 1;
            child->setName(std::to_string(highest));
            parent->children().append(std::move(child));
        }
        walk.destroy(dissolved);
    }
}

TEST_F(MergeUniqueNumTest, WideRandomTreesComeOutAsThePlainProcedureLeavesThem) {
    const char* names[] = {"1", "2", "5", "12", "0", "x", "new", "y", "-1", "-4"};
    const char* leaves[] = {"a", "b", "3", "c_d", "7"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        Lines lines;
        for (int i = 0; i < 120; ++i) {
            lines.push_back("p" + std::to_string(random() % 3) + "_" + names[random() % 10] + "_" +
                            leaves[random() % 5] + "=" + std::to_string(i));
        }
        tree = std::make_unique<ConfigTree>(log);
        ConfigTree plain(log);
        addSettings(lines);
        testsupport::addSettings(plain, lines);
        // Leading zeros that only a rename leaves behind, in both trees alike.
        for (ConfigTree* each : {tree.get(), &plain}) {
            if (Branch* p = each->findBranch("p1")) {
                if (Node* five = p->children().find("5", false)) five->setName("005");
                if (Node* zero = p->children().find("0", false)) zero->setName("000");
            }
        }
        const std::string text = seed % 3 == 0 ? "**_**" : seed % 3 == 1 ? "p1_**" : "**_new";
        EXPECT_EQ(dispatch("merge_unique_num_branch " + text), 1);
        plainMergeUniqueNum(plain, text);
        EXPECT_EQ(settings(), testsupport::settingLines(plain)) << "seed " << seed << " template " << text;
    }
}

}  // namespace
