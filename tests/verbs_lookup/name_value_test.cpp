// merge_name_value, replace_name_with_value, replace_value_with_name and object_lookup: moving
// information between the names and the values of settings, and their fault lines.
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MergeNameValueTest : public VerbFixture {};

TEST_F(MergeNameValueTest, PairBecomesOneSettingAndEmptiedBranchesGo) {
    addSettings({"alias_1_name=mail", "alias_1_value=10.0.0.1", "keep=1"});
    EXPECT_EQ(dispatch("merge_name_value alias_## aliases"), 1);
    EXPECT_THAT(settings(), ElementsAre("keep=1", "aliases_mail=10.0.0.1"));
    EXPECT_EQ(tree->findBranch("alias"), nullptr);
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(MergeNameValueTest, NamesAreFoundInAnyLetterCaseAndOtherChildrenStay) {
    addSettings({"alias_1_Name=web", "alias_1_comment=c", "alias_1_VALUE=10.0.0.2", "alias_2_name=ftp",
                 "alias_2_value=10.0.0.3"});
    EXPECT_EQ(dispatch("merge_name_value alias_## aliases"), 1);
    EXPECT_THAT(settings(), ElementsAre("alias_1_comment=c", "aliases_web=10.0.0.2", "aliases_ftp=10.0.0.3"));
}

TEST_F(MergeNameValueTest, DestinationTakesTheWildcardsOfEachMatch) {
    addSettings({"host_a_1_name=n1", "host_a_1_value=v1", "host_b_2_name=n2", "host_b_2_value=v2"});
    EXPECT_EQ(dispatch("merge_name_value host_**_## map_**_??x"), 1);
    EXPECT_THAT(settings(), ElementsAre("map_a_1x_n1=v1", "map_b_2x_n2=v2"));
}

TEST_F(MergeNameValueTest, ExistingSettingTakesTheMergedValue) {
    addSettings({"aliases_mail=old", "alias_1_name=mail", "alias_1_value=new"});
    EXPECT_EQ(dispatch("merge_name_value alias_## aliases"), 1);
    EXPECT_THAT(settings(), ElementsAre("aliases_mail=new"));
}

TEST_F(MergeNameValueTest, BranchesWithoutAUsablePairAreReportedAndSkipped) {
    addSettings({"a_1_name=only", "a_2_value=v", "a_2_other=o", "a_3_name=n", "a_3_other=o", "a_4_name_x=branch",
                 "a_4_value=v", "a_5_name=n", "a_5_value_y=branch", "a_6_name=ok", "a_6_value=fine"});
    EXPECT_EQ(dispatch("merge_name_value a_## out", 21), 1);
    EXPECT_THAT(faultLines(), ElementsAre("merge_name_value: too small for name/value pair (21): a_1_",
                                          "merge_name_value: Name leaf missing from branch (21): a_2_",
                                          "merge_name_value: Value leaf missing from branch (21): a_3_",
                                          "merge_name_value: Name leaf missing from branch (21): a_4_",
                                          "merge_name_value: Value leaf missing from branch (21): a_5_"));
    EXPECT_THAT(settings(),
                ElementsAre("a_1_name=only", "a_2_value=v", "a_2_other=o", "a_3_name=n", "a_3_other=o",
                            "a_4_name_x=branch", "a_4_value=v", "a_5_name=n", "a_5_value_y=branch", "out_ok=fine"));
}

TEST_F(MergeNameValueTest, NameLeafBesideABranchOfTheSameNameIsUsed) {
    addSettings({"a_1_name_x=branch", "a_1_name=n", "a_1_value=v"});
    EXPECT_EQ(dispatch("merge_name_value a_## out"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_1_name_x=branch", "out_n=v"));
}

TEST_F(MergeNameValueTest, NameHoldingAnEqualsSignIsReportedAndThePairStays) {
    // 'out_a=b=v' would be read back as the setting 'out_a' with the value 'b=v'.
    addSettings({"a_1_name=a=b", "a_1_value=v", "a_2_name=ok", "a_2_value=w"});
    EXPECT_EQ(dispatch("merge_name_value a_## out", 6), 1);
    EXPECT_THAT(faultLines(), ElementsAre("merge_name_value: Name value cannot be a setting name (6): a_1_"));
    EXPECT_THAT(settings(), ElementsAre("a_1_name=a=b", "a_1_value=v", "out_ok=w"));
}

TEST_F(MergeNameValueTest, UnparsableDestinationStopsBeforeTheFirstPairIsTouched) {
    addSettings({"a_1=x", "a_2_name=n", "a_2_value=v", "a_3_name=m", "a_3_value=w"});
    EXPECT_EQ(dispatch("merge_name_value a_## #out", 4), 0);
    EXPECT_THAT(faultLines(), ElementsAre("merge_name_value: Unable to parse dest template (4): #out"));
    EXPECT_THAT(settings(), ElementsAre("a_1=x", "a_2_name=n", "a_2_value=v", "a_3_name=m", "a_3_value=w"));
}

TEST_F(MergeNameValueTest, FaultLines) {
    EXPECT_EQ(dispatch("merge_name_value", 1), 0);
    EXPECT_EQ(dispatch("merge_name_value a_##", 2), 0);
    EXPECT_EQ(dispatch("merge_name_value #a out", 3), 0);
    EXPECT_EQ(dispatch("merge_name_value a_## out", 4), 1);
    EXPECT_THAT(faultLines(), ElementsAre("merge_name_value: Could not find templates (1): ",
                                          "merge_name_value: Could not find templates (2): a_##",
                                          "merge_name_value: Unable to parse search template (3): #a",
                                          "merge_name_value: Search returned no data (4): a_##"));
}

class ReplaceNameWithValueTest : public VerbFixture {};

TEST_F(ReplaceNameWithValueTest, StarComponentIsRenamedAfterTheValue) {
    addSettings({"user_17_login=guest", "user_18_login=admin"});
    EXPECT_EQ(dispatch("replace_name_with_value user_**_login=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("user_guest_login=guest", "user_admin_login=admin"));
}

TEST_F(ReplaceNameWithValueTest, NamedComponentIsTheOneRenamed) {
    addSettings({"user_17_login=guest"});
    EXPECT_EQ(dispatch("replace_name_with_value user_##_login=** user"), 1);
    EXPECT_THAT(settings(), ElementsAre("guest_17_login=guest"));
}

TEST_F(ReplaceNameWithValueTest, FirstFittingLevelFromTheLeafUpwardsWins) {
    addSettings({"**_x_**=v"});
    EXPECT_EQ(dispatch("replace_name_with_value **_x_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("**_x_v=v"));
}

TEST_F(ReplaceNameWithValueTest, ValueHoldingAnEqualsSignIsReportedAndTheNameStays) {
    addSettings({"user_17_login=a=b", "user_18_login=ok"});
    EXPECT_EQ(dispatch("replace_name_with_value user_**_login=**", 5), 1);
    EXPECT_THAT(faultLines(), ElementsAre("replace_name_with_value: Value cannot be a setting name (5): a=b"));
    EXPECT_THAT(settings(), ElementsAre("user_17_login=a=b", "user_ok_login=ok"));
}

TEST_F(ReplaceNameWithValueTest, ComponentAbsentFromTheTemplateChangesNothing) {
    addSettings({"user_17_login=guest"});
    EXPECT_EQ(dispatch("replace_name_with_value user_##_login=** nowhere"), 1);
    EXPECT_THAT(settings(), ElementsAre("user_17_login=guest"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(ReplaceNameWithValueTest, FaultLines) {
    EXPECT_EQ(dispatch("replace_name_with_value", 1), 0);
    EXPECT_EQ(dispatch("replace_name_with_value #u=1", 2), 0);
    EXPECT_EQ(dispatch("replace_name_with_value u_**=** x", 3), 1);
    EXPECT_THAT(faultLines(),
                ElementsAre("replace_name_with_value: Could not find source template or new leafname(1): ",
                            "replace_name_with_value: Unable to parse search template (2): #u=1",
                            "replace_name_with_value: Could not find target (3): u_**=**"));
}

class ReplaceValueWithNameTest : public VerbFixture {};

TEST_F(ReplaceValueWithNameTest, ValueBecomesTheMatchedNumber) {
    addSettings({"rule_proxy_4_number=0", "rule_proxy_9_number=x"});
    EXPECT_EQ(dispatch("replace_value_with_name rule_proxy_##_number=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("rule_proxy_4_number=4", "rule_proxy_9_number=9"));
}

TEST_F(ReplaceValueWithNameTest, WildcardLeafNameIsTheNearestLevel) {
    addSettings({"opt_a_mode=x"});
    EXPECT_EQ(dispatch("replace_value_with_name opt_**_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("opt_a_mode=mode"));
}

TEST_F(ReplaceValueWithNameTest, TemplateWithoutWildcardsChangesNothingAndValueMayHoldBlanks) {
    addSettings({"a_b=two words"});
    EXPECT_EQ(dispatch("replace_value_with_name a_b=two words"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b=two words"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(ReplaceValueWithNameTest, FaultLines) {
    EXPECT_EQ(dispatch("replace_value_with_name", 31), 0);
    EXPECT_EQ(dispatch("replace_value_with_name #a=1", 32), 0);
    EXPECT_EQ(dispatch("replace_value_with_name a_**=**", 33), 1);
    EXPECT_THAT(faultLines(), ElementsAre("replace_value_with_name: Could not find search template (31)",
                                          "replace_value_with_name: Unable to parse search template (32): #a=1",
                                          "replace_value_with_name: Could not find target (33): a_**=**"));
}

class ObjectLookupTest : public VerbFixture {};

TEST_F(ObjectLookupTest, ValueBecomesTheFullNameOfWhatItNames) {
    addSettings({"rule_1_src=inside", "netobj_list_7_inside_addr=1.2.3.4"});
    EXPECT_EQ(dispatch("object_lookup rule_**_src=** netobj_list_**"), 1);
    EXPECT_THAT(settings(), ElementsAre("rule_1_src=netobj_list_7_inside", "netobj_list_7_inside_addr=1.2.3.4"));
}

TEST_F(ObjectLookupTest, SeveralFindsUseTheFirstInTreeOrder) {
    addSettings({"r_1_obj=web", "o_3_web_x=1", "o_5_web_y=2"});
    EXPECT_EQ(dispatch("object_lookup r_##_obj=** o_##"), 1);
    EXPECT_THAT(settings(), ElementsAre("r_1_obj=o_3_web", "o_3_web_x=1", "o_5_web_y=2"));
}

TEST_F(ObjectLookupTest, LookupsThatFailAreReportedPerMatchAndTheOthersGoOn) {
    addSettings({"r_1_obj=missing", "r_2_obj=web", "o_web_x=1"});
    EXPECT_EQ(dispatch("object_lookup r_##_obj=** o", 8), 1);
    EXPECT_THAT(faultLines(), ElementsAre("object_lookup: Search returned no data (8): o_missing"));
    EXPECT_THAT(settings(), ElementsAre("r_1_obj=missing", "r_2_obj=o_web", "o_web_x=1"));
}

TEST_F(ObjectLookupTest, UnparsableLookupIsReportedPerMatch) {
    addSettings({"r_1_obj=x", "r_2_obj=y"});
    EXPECT_EQ(dispatch("object_lookup r_##_obj=** #p", 9), 1);
    EXPECT_THAT(faultLines(), ElementsAre("object_lookup: Unable to parse search template (9): #p_x",
                                          "object_lookup: Unable to parse search template (9): #p_y"));
}

TEST_F(ObjectLookupTest, FaultLines) {
    EXPECT_EQ(dispatch("object_lookup", 1), 0);
    EXPECT_EQ(dispatch("object_lookup r=**", 2), 0);
    EXPECT_EQ(dispatch("object_lookup #r=** p", 3), 0);
    EXPECT_EQ(dispatch("object_lookup r=** p", 4), 1);
    EXPECT_THAT(faultLines(), ElementsAre("object_lookup: Could not find templates (1): ",
                                          "object_lookup: Could not find templates (2): r=**",
                                          "object_lookup: Unable to parse leaf template (3): #r=**",
                                          "object_lookup: Search returned no data (4): r=**"));
}

}  // namespace
