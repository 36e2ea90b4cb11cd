// change_value and edit_leaf on a small tree: effects, the fault lines, and the operations that look
// at the other matches of the line (make_counter, make_legal) or move settings (do_x400_thang).
#include <random>
#include <string>

#include "support/verb_fixture.h"
#include "template/edit_operations.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ChangeValueTest : public VerbFixture {};

TEST_F(ChangeValueTest, SetsEveryMatchToTheLiteralValueBlanksIncluded) {
    addSettings({"a_1_n=x", "a_2_n=y", "a_2_m=z"});
    EXPECT_EQ(dispatch("change_value a_##_n=** two  words ##"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_1_n=two  words ##", "a_2_n=two  words ##", "a_2_m=z"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(ChangeValueTest, Faults) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("change_value a_z=** v"), 1);
    EXPECT_EQ(dispatch("change_value a_b=**"), 0);
    EXPECT_EQ(dispatch("change_value"), 0);
    EXPECT_EQ(dispatch("change_value ab v"), 0);
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
    EXPECT_THAT(faultLines(),
                ElementsAre("change_value: Could not find target (7): a_z=**",
                            "change_value: Could not find objects (7): a_b=**",
                            "change_value: Could not find objects (7): ", "Line 0: Unable to find '=' in ab",
                            "change_value: Could not parse search template (7): ab"));
}

class EditLeafTest : public VerbFixture {};

TEST_F(EditLeafTest, FaultLinesNameTheFirstWordOrTheOperation) {
    addSettings({"a_b=1"});
    EXPECT_EQ(dispatch("edit_leaf a_b=** append"), 0);
    EXPECT_EQ(dispatch("edit_leaf"), 0);
    EXPECT_EQ(dispatch("edit_leaf ab append x"), 0);
    EXPECT_EQ(dispatch("edit_leaf a_b=** frobnicate x"), 0);
    EXPECT_EQ(dispatch("edit_leaf a_c=** append x"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b=1"));
    EXPECT_THAT(faultLines(),
                ElementsAre("edit_leaf: Could not find 3 parameters (7): a_b=**",
                            "edit_leaf: Could not find 3 parameters (7): ", "Line 0: Unable to find '=' in ab",
                            "edit_leaf: Unable to parse search template (7): ab",
                            "edit_leaf: Unable to match operation type (7): frobnicate",
                            "edit_leaf: Could not find target (7): a_c=**"));
}

TEST_F(EditLeafTest, OperationNamesIgnoreCaseAndOperandsKeepTheirBlanks) {
    addSettings({"a_b=x"});
    EXPECT_EQ(dispatch("edit_leaf a_b=** APPEND  and more"), 1);
    EXPECT_EQ(dispatch("edit_leaf a_b=** append ' '"), 1);
    EXPECT_EQ(dispatch("edit_leaf a_b=** Insert ' '"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b= xand more "));
}

TEST_F(EditLeafTest, EditsEveryMatchInTreeOrder) {
    addSettings({"h_1_name=web.local", "h_2_name=db", "h_3_name=mail.local"});
    EXPECT_EQ(dispatch("edit_leaf h_##_name=** nuke_from .local"), 1);
    EXPECT_EQ(dispatch("edit_leaf h_##_name=** insert_valname -"), 1);
    EXPECT_THAT(settings(), ElementsAre("h_1_name=nameweb", "h_2_name=namedb", "h_3_name=namemail"));
}

TEST_F(EditLeafTest, MakeCounterNumbersTheMatchesFromOne) {
    addSettings({"r_7_n=a", "r_3_n=b", "r_x_n=c", "r_5_n=d", "r_1_n=e"});
    EXPECT_EQ(dispatch("edit_leaf r_**_n=** make_counter -"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_7_n=1", "r_3_n=2", "r_x_n=3", "r_5_n=4", "r_1_n=5"));
}

TEST_F(EditLeafTest, MaxAndMinReplaceOnlyNumbersBeyondTheLimit) {
    addSettings({"t_1=250", "t_2=50", "t_3=abc", "t_4=3"});
    tree->findBranch("t")->findLeaf("4")->setValue("0250");  // a loaded value never keeps its zeros
    EXPECT_EQ(dispatch("edit_leaf t_##=** max 100"), 1);
    EXPECT_THAT(settings(), ElementsAre("t_1=100", "t_2=50", "t_3=abc", "t_4=0250"));
    EXPECT_EQ(dispatch("edit_leaf t_##=** min 75"), 1);
    EXPECT_THAT(settings(), ElementsAre("t_1=100", "t_2=75", "t_3=abc", "t_4=0250"));
}

TEST_F(EditLeafTest, MakeLegalAvoidsEveryValueOfTheLineIncludingOnesJustMade) {
    addSettings({"n_1=a b", "n_2=a.b", "n_3=a-b", "n_4=plain"});
    EXPECT_EQ(dispatch("edit_leaf n_##=** make_legal -"), 1);
    EXPECT_THAT(settings(), ElementsAre("n_1=a-b-1", "n_2=a-b-2", "n_3=a-b", "n_4=plain"));
}

TEST_F(EditLeafTest, MakeLegalSkipsNumbersAlreadyTaken) {
    addSettings({"n_1=x y", "n_2=x-y", "n_3=x-y-1", "n_4=all*", "n_5=web_server"});
    EXPECT_EQ(dispatch("edit_leaf n_##=** make_legal -"), 1);
    EXPECT_THAT(settings(), ElementsAre("n_1=x-y-2", "n_2=x-y", "n_3=x-y-1", "n_4=allany", "n_5=web-server"));
}

TEST_F(EditLeafTest, MakeLegalOnlyComparesWithTheMatchesOfTheLine) {
    addSettings({"n_1=a b", "other=a-b"});
    EXPECT_EQ(dispatch("edit_leaf n_##=** make_legal -"), 1);
    EXPECT_THAT(settings(), ElementsAre("n_1=a-b", "other=a-b"));
}

TEST_F(EditLeafTest, X400SettingsMoveToTheirNewNames) {
    addSettings({"proxy_amta-host-2=x", "proxy_amta-count=4", "proxy_fmta-routing-rule-3-2=z",
                 "proxy_amta-gdi=a=A1;c=C1;p=P1", "proxy_amta-3=q", "proxy_fmta-routing-rule-count=2"});
    EXPECT_EQ(dispatch("edit_leaf proxy_**=** do_x400_thang x"), 1);
    EXPECT_THAT(settings(), ElementsAre("proxy_amta-count=4", "proxy_amta-3=q", "proxy_fmta-routing-rule-count=2",
                                        "def_proxy_X400_amta_2_host=x", "def_proxy_X400_amta_gdi=a=A1;c=C1;p=P1",
                                        "def_proxy_X400_amta_gdi-a=A1", "def_proxy_X400_amta_gdi-c=C1",
                                        "def_proxy_X400_amta_gdi-p=P1", "def_proxy_X400_fmta_3_routing_2_rule=z"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(EditLeafTest, X400ConversionKeepsTheEmptiedBranchAndOverwritesAnExistingSetting) {
    addSettings({"old_fmta-x=new", "def_proxy_X400_fmta_x=stale", "fmta-y=8"});
    EXPECT_EQ(dispatch("edit_leaf old_**=** do_x400_thang x"), 1);
    EXPECT_EQ(dispatch("edit_leaf **=** do_x400_thang x"), 1);
    EXPECT_THAT(settings(), ElementsAre("def_proxy_X400_fmta_x=new", "def_proxy_X400_fmta_y=8"));
    ASSERT_NE(tree->findBranch("old"), nullptr);
    EXPECT_TRUE(tree->findBranch("old")->children().empty());
}

TEST_F(EditLeafTest, X400GdiPartsThatAreNotACOrPAreReportedAndTheRestIsKept) {
    addSettings({"amta-gdi=A=1;junk;;p=P"});
    EXPECT_EQ(dispatch("edit_leaf amta-gdi=** do_x400_thang x"), 1);
    EXPECT_THAT(settings(), ElementsAre("def_proxy_X400_amta_gdi=A=1;junk;;p=P", "def_proxy_X400_amta_gdi-a=1",
                                        "def_proxy_X400_amta_gdi-c=", "def_proxy_X400_amta_gdi-p=P"));
    EXPECT_THAT(faultLines(), ElementsAre("edit_leaf: Unrecognized X400 gdi string (7): A=1;junk;;p=P",
                                          "edit_leaf: Unrecognized X400 gdi string (7): A=1;junk;;p=P"));
}

TEST_F(EditLeafTest, X400SettingsReplaceOnesConvertedBefore) {
    addSettings({"def_proxy_X400_amta_gdi-a=older", "amta-gdi=a=new"});
    EXPECT_EQ(dispatch("edit_leaf amta-gdi=** do_x400_thang x"), 1);
    EXPECT_THAT(settings(), ElementsAre("def_proxy_X400_amta_gdi-a=new", "def_proxy_X400_amta_gdi=a=new",
                                        "def_proxy_X400_amta_gdi-c=", "def_proxy_X400_amta_gdi-p="));
}

// The plain procedure of make_legal: each match in turn takes its legal form, numbered "-1", "-2",
// ... past every value that a match holds at that moment.
void plainMakeLegal(const NodeList& matches) {
    for (Node* node : matches) {
        Leaf& leaf = *node->asLeaf();
        const std::string legal = legalName(leaf.value());
        if (legal == leaf.value()) continue;
        auto taken = [&matches](const std::string& candidate) {
            for (const Node* other : matches)
                if (other->asLeaf()->value() == candidate) return true;
            return false;
        };
        std::string candidate = legal;
        for (long next = 1; taken(candidate); ++next) candidate = legal + "-" + std::to_string(next);
        leaf.setValue(candidate);
    }
}

class MakeLegalTest : public VerbFixture {};

TEST_F(MakeLegalTest, RandomValuesComeOutAsThePlainProcedureLeavesThem) {
    const char* pieces[] = {"a", " ", ".", "-", "1", "2", "b", "_", "*", "any", "-1"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        Lines lines;
        for (int i = 0; i < 200; ++i) {
            std::string value;
            for (unsigned k = 1 + random() % 4; k > 0; --k) value += pieces[random() % 11];
            lines.push_back("n_" + std::to_string(i) + "=" + value);
        }
        tree = std::make_unique<ConfigTree>(log);
        ConfigTree plain(log);
        addSettings(lines);
        testsupport::addSettings(plain, lines);
        EXPECT_EQ(dispatch("edit_leaf n_##=** make_legal -"), 1);
        SearchTemplate pattern = SearchTemplate::leaf("n_##=**");
        NodeList matches;
        pattern.search(plain, matches);
        plainMakeLegal(matches);
        EXPECT_EQ(settings(), testsupport::settingLines(plain)) << "seed " << seed;
    }
}

}  // namespace
