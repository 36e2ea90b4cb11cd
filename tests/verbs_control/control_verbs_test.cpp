// set_version, import_file, user_warning, user_error and count: their effects on a small tree and
// their fault lines.
#include <string>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ControlVerbTest : public VerbFixture {};

TEST_F(ControlVerbTest, SetVersionTakesTheFirstDigitDotDigitGroupOfAWord) {
    const std::pair<const char*, const char*> cases[] = {
        {"Version 5.5 build 12", "5.5"}, {"10.2", "0.2"}, {"5.5.1", "5.5"}, {"x 7.0", "7.0"}, {"55.5 1.2", "5.5"},
    };
    for (const auto& [value, version] : cases) {
        tree = std::make_unique<ConfigTree>(log);
        addSettings({std::string("ver=") + value});
        EXPECT_EQ(dispatch("set_version ver=**"), 1) << value;
        EXPECT_EQ(processor->version(), version) << value;
    }
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(ControlVerbTest, SetVersionWithoutAVersionGroupLeavesTheVersionUnset) {
    addSettings({"v_1=5", "v_2=V5.5", "v_3=x"});
    tree->findBranch("v")->findLeaf("3")->setValue("x ");  // a file line cannot end in a blank
    processor->setVersion("4.0");
    EXPECT_EQ(dispatch("set_version v_1=**", 3), 0);
    EXPECT_FALSE(processor->version().has_value());
    processor->setVersion("4.0");
    EXPECT_EQ(dispatch("set_version v_2=**", 4), 0);
    EXPECT_EQ(dispatch("set_version v_3=**", 5), 0);
    EXPECT_FALSE(processor->version().has_value());
    EXPECT_THAT(faultLines(), ElementsAre("set_version: Can't find version information (3a): v_1=**",
                                          "set_version: Can't find version information (4a): v_2=**",
                                          "set_version: Can't find version information (5b): v_3=**"));
}

TEST_F(ControlVerbTest, SetVersionThatFindsNothingKeepsTheVersion) {
    processor->setVersion("5.5");
    EXPECT_EQ(dispatch("set_version ver=**"), 1);
    EXPECT_EQ(dispatch("set_version"), 0);
    EXPECT_EQ(dispatch("set_version ver"), 0);
    EXPECT_EQ(processor->version(), "5.5");
    EXPECT_THAT(faultLines(),
                ElementsAre("set_version: Search returned no data (7): ver=**",
                            "set_version: Could not find version template (7): ", "Line 0: Unable to find '=' in ver",
                            "set_version: Unable to parse source template (7): ver"));
}

class ImportFileTest : public ControlVerbTest {
protected:
    void SetUp() override {
        ControlVerbTest::SetUp();
        useScript("", directory);
    }
    void writeFile(const std::string& name, const std::string& content) {
        testsupport::writeFile(scratch / name, content);
    }
    testsupport::ScratchDir scratch{"verbs_control"};
    const std::string directory = scratch.path().string() + "/";
};

TEST_F(ImportFileTest, MergesTheFileIntoTheTreeAndItsValuesWin) {
    addSettings({"a_x=old", "b_y=keep"});
    writeFile("extra.conf", "a_x=new\n# comment\nc_z=added\n");
    EXPECT_EQ(dispatch("import_file extra.conf ignored words"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_x=new", "b_y=keep", "c_z=added"));
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(ImportFileTest, MissingFileIsLoggedWithThePathTriedAndIsNotAFailure) {
    addSettings({"a_x=old"});
    EXPECT_EQ(dispatch("import_file none.conf"), 1);
    EXPECT_EQ(dispatch("import_file"), 0);
    EXPECT_THAT(settings(), ElementsAre("a_x=old"));
    EXPECT_THAT(faultLines(), ElementsAre("Unable to open file: " + directory + "none.conf",
                                          "import_file: File not found: " + directory + "none.conf",
                                          "import_file: Could not find filename (7): "));
}

TEST_F(ImportFileTest, TreeMessagesGoBackWhereTheyWentBeforeTheImport) {
    std::ostringstream elsewhere;
    setTreeLog(elsewhere);
    writeFile("dup.conf", "a=1\na=2\n");
    EXPECT_EQ(dispatch("import_file dup.conf"), 1);
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at a=1 old value: 1 new value: 2"));
    EXPECT_EQ(&treeLog(), &elsewhere);
}

TEST_F(ControlVerbTest, UserWarningIssuesOneWarningPerMatchWithItsValue) {
    addSettings({"t_a=one", "t_b=two", "t_c=three"});
    EXPECT_EQ(dispatch("user_warning t_**=** Value is $$, not $$", 9), 0);
    EXPECT_THAT(faultLines(), ElementsAre("user_warning: Issued warning (9): Value is one, not $$",
                                          "user_warning: Issued warning (9): Value is two, not $$",
                                          "user_warning: Issued warning (9): Value is three, not $$"));
    EXPECT_EQ(warnings.str(), "Value is one, not $$\n\nValue is two, not $$\n\nValue is three, not $$\n\n");
}

TEST_F(ControlVerbTest, UserWarningWithoutMarkerIsIssuedOnce) {
    addSettings({"t_a=one", "t_b=two"});
    dispatch("user_warning t_**=** Check the   proxy rules");
    EXPECT_EQ(warnings.str(), "Check the   proxy rules\n\n");
}

TEST_F(ControlVerbTest, UserWarningFaultsIssueNothing) {
    addSettings({"t_a=one"});
    EXPECT_EQ(dispatch("user_warning t_z=** Missing"), 1);
    EXPECT_EQ(dispatch("user_warning t_a=**"), 0);
    EXPECT_EQ(dispatch("user_warning"), 0);
    EXPECT_EQ(dispatch("user_warning t_a message"), 0);
    EXPECT_EQ(warnings.str(), "");
    EXPECT_THAT(faultLines(), ElementsAre("user_warning: Search returned no data (7): t_z=**",
                                          "user_warning: Could not find source template or message (7): t_a=**",
                                          "user_warning: Could not find source template or message (7): ",
                                          "Line 0: Unable to find '=' in t_a",
                                          "user_warning: Unable to parse source template (7): t_a"));
}

TEST_F(ControlVerbTest, UserErrorLogsFramedMessageAndRequestsAbort) {
    EXPECT_EQ(dispatch("user_error Old proxy rules cannot be converted", 14), 0);
    const std::string rule = "user_error===============================================";
    EXPECT_THAT(faultLines(),
                ElementsAre(rule, "user_error: Issued error (14): Old proxy rules cannot be converted", rule));
    EXPECT_EQ(processor->errorText(), "Old proxy rules cannot be converted");
    EXPECT_TRUE(processor->abortRequested());
    EXPECT_EQ(warnings.str(), "");
}

TEST_F(ControlVerbTest, UserErrorWithoutTextStillAborts) {
    EXPECT_FALSE(runScript("user_error\nadd_leaf after=1\n"));
    EXPECT_THAT(faultLines(), ElementsAre("user_error===============================================",
                                          "user_error: Issued error (1): ",
                                          "user_error==============================================="));
    EXPECT_EQ(processor->errorText(), "");
    EXPECT_TRUE(processor->abortRequested());
    EXPECT_THAT(settings(), IsEmpty());
}

TEST_F(ControlVerbTest, CountRecordsTheNumberOfMatches) {
    addSettings({"rule_proxy_1_action=allow", "rule_proxy_2_action=deny", "rule_proxy_3_action=allow"});
    EXPECT_EQ(dispatch("count rule_proxy_##_action=** rule_proxy_count=0"), 1);
    EXPECT_EQ(dispatch("count rule_proxy_##_action=allow rule_proxy_allowed=x"), 1);
    EXPECT_THAT(settings(), ElementsAre("rule_proxy_1_action=allow", "rule_proxy_2_action=deny",
                                        "rule_proxy_3_action=allow", "rule_proxy_count=3", "rule_proxy_allowed=2"));
}

TEST_F(ControlVerbTest, CountFillsItemWildcardsFromTheFirstMatch) {
    addSettings({"a_4_b=x", "a_9_b=y"});
    EXPECT_EQ(dispatch("count a_##_b=** a_##_total=0"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_4_b=x", "a_4_total=2", "a_9_b=y"));
}

TEST_F(ControlVerbTest, CountThatFindsNothingLeavesTheOldCount) {
    addSettings({"n=5"});
    EXPECT_EQ(dispatch("count r_##=** n=0"), 1);
    EXPECT_THAT(settings(), ElementsAre("n=5"));
    EXPECT_THAT(faultLines(), ElementsAre("count: Search returned no data (7): r_##=**"));
}

TEST_F(ControlVerbTest, CountFaults) {
    addSettings({"r_1=x"});
    EXPECT_EQ(dispatch("count r_##=**"), 0);
    EXPECT_EQ(dispatch("count"), 0);
    EXPECT_EQ(dispatch("count r n=0"), 0);  // too short to be a setting: refused silently
    EXPECT_EQ(dispatch("count r_##=** noequals"), 0);
    EXPECT_THAT(settings(), ElementsAre("r_1=x"));
    EXPECT_THAT(faultLines(),
                ElementsAre("count: Could not find objects (7): r_##=**",
                            "count: Could not find objects (7): ", "count: Unable to parse search template (7): r",
                            "Line 0: Unable to find '=' in noequals", "count: Unable to parse add item: noequals"));
}

}  // namespace
