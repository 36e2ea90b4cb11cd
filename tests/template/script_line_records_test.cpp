// The records of dispatched script lines: verb, arguments as written, section, and how many settings
// each line found, changed, added and removed, with the lines of a block counted on their own.
#include <string>
#include <vector>

#include "script_fixture.h"

namespace {

class ScriptLineRecordsTest : public ScriptFixture {
protected:
    const ScriptLineRecord& last() const { return processor->scriptLineRecords().back(); }

    // "verb m c a r" for one record: matches, changed, added, removed.
    static std::string counts(const ScriptLineRecord& record) {
        return record.verb + " " + std::to_string(record.matches) + " " + std::to_string(record.changed) + " " +
               std::to_string(record.added) + " " + std::to_string(record.removed);
    }

    // Runs script as one section and gives the counts of every line it dispatched.
    std::vector<std::string> runScript(const std::string& script) {
        useScript(script);
        processor->runScriptSection(tree, nullptr);
        std::vector<std::string> all;
        for (const ScriptLineRecord& record : processor->scriptLineRecords()) all.push_back(counts(record));
        return all;
    }
};

TEST_F(ScriptLineRecordsTest, AddLeafAddsOneOrChangesTheValueItReplaces) {
    addSettings({"a_b=1"});
    dispatch("add_leaf a_c=2", 4);
    EXPECT_EQ(counts(last()), "add_leaf 0 0 1 0");
    EXPECT_EQ(last().line, 4);
    EXPECT_EQ(last().arguments, "a_c=2");
    EXPECT_TRUE(last().known);
    dispatch("add_leaf a_b=5");
    EXPECT_EQ(counts(last()), "add_leaf 0 1 0 0");
    dispatch("add_leaf a_b=5");  // the same value again: nothing changes
    EXPECT_EQ(counts(last()), "add_leaf 0 0 0 0");
}

TEST_F(ScriptLineRecordsTest, DeletingRemovesEverySettingItsMatchesHeld) {
    addSettings({"r_1_x=1", "r_1_y=2", "r_2_x=3", "r_3_z=4", "keep=5"});
    dispatch("delete_leaf r_##_x=**");
    EXPECT_EQ(counts(last()), "delete_leaf 2 0 0 2");
    dispatch("delete_branch r_##");
    EXPECT_EQ(counts(last()), "delete_branch 2 0 0 2");
    EXPECT_EQ(settings(), "keep=5\n");
}

TEST_F(ScriptLineRecordsTest, RenamesAndMovesAreChangesNotAdditionsAndRemovals) {
    addSettings({"a_x=1", "a_y=2", "b_1_p=1", "b_1_q=2", "c_d_e=3"});
    dispatch("rename_leaf a_**=** z");  // two leaves of one branch, both renamed z
    EXPECT_EQ(counts(last()), "rename_leaf 2 2 0 0");
    dispatch("rename_branch b_1 k");  // both settings below it change their names
    EXPECT_EQ(counts(last()), "rename_branch 1 2 0 0");
    dispatch("promote_leaf c_d_e=**");  // c_d_e becomes c_e
    EXPECT_EQ(counts(last()), "promote_leaf 1 1 0 0");
    EXPECT_EQ(settings(), "a_z=1\na_z=2\nb_k_p=1\nb_k_q=2\nc_e=3\n");
}

TEST_F(ScriptLineRecordsTest, CopiesAddAndValueEditsChangeOnlyWhatDiffers) {
    addSettings({"s_1_v=a", "s_2_v=b", "s_3_v=bb"});
    dispatch("copy_leaf s_##_v=** t_##_v=**");
    EXPECT_EQ(counts(last()), "copy_leaf 3 0 3 0");
    dispatch("change_value t_##_v=** b");  // one of the three holds b already
    EXPECT_EQ(counts(last()), "change_value 3 2 0 0");
    dispatch("edit_leaf s_##_v=** delete b");  // "a" has no b to delete
    EXPECT_EQ(counts(last()), "edit_leaf 3 2 0 0");
    EXPECT_EQ(settings(), "s_1_v=a\ns_2_v=\ns_3_v=b\nt_1_v=b\nt_2_v=b\nt_3_v=b\n");
}

TEST_F(ScriptLineRecordsTest, UnknownVerbIsRecordedAsWrittenAndDidNothing) {
    addSettings({"a=1"});
    EXPECT_EQ(dispatch("frobnicate a=** now", 9), 0);
    const ScriptLineRecord& record = last();
    EXPECT_FALSE(record.known);
    EXPECT_EQ(record.verb, "frobnicate");
    EXPECT_EQ(record.arguments, "a=** now");
    EXPECT_EQ(counts(record), "frobnicate 0 0 0 0");
    EXPECT_EQ(record.line, 9);
}

TEST_F(ScriptLineRecordsTest, VerbIsNamedAsTheTableNamesItAndArgumentsAsWrittenBeforeTheVerbCutsThem) {
    addSettings({"a=1"});
    dispatch("Change_Value a=** 2");
    EXPECT_EQ(last().verb, "change_value");
    EXPECT_EQ(last().arguments, "a=** 2");  // the verb splits its text in place
}

TEST_F(ScriptLineRecordsTest, SectionMarkersNameTheSectionOfTheirLineAndTheLinesAfter) {
    runScript("add_leaf a=1\n"
              "[PREPROCESS]\n"
              "add_leaf b=1\n"
              "[merge_tree1]\n"
              "add_leaf c=1\n"
              "[ELSEWHERE]\n");
    std::vector<std::string> sections;
    std::vector<bool> known;
    for (const ScriptLineRecord& record : processor->scriptLineRecords()) {
        sections.push_back(record.section);
        known.push_back(record.known);
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"", "[PREPROCESS]", "[PREPROCESS]", "[MERGE_TREE1]", "[MERGE_TREE1]",
                                                  "[MERGE_TREE1]"}));
    // The phases end their sections at every marker, though the verb table knows two of them only.
    EXPECT_EQ(known, (std::vector<bool>{true, true, true, true, true, false}));
}

TEST_F(ScriptLineRecordsTest, BlockLinesHaveRecordsOfTheirOwnAndTheOpeningLineCountsOnlyItsSearch) {
    addSettings({"x_1=on", "x_2=on", "x_3=off"});
    const std::vector<std::string> all = runScript("if_leaf x_##=on\n"
                                                   "  add_leaf y_##=seen\n"
                                                   "  if_leaf x_##=on\n"
                                                   "    delete_leaf x_##=**\n"
                                                   "  end_if\n"
                                                   "end_if\n"
                                                   "add_leaf z=1\n");
    EXPECT_EQ(all,
              (std::vector<std::string>{"if_leaf 2 0 0 0", "add_leaf 0 0 1 0", "if_leaf 2 0 0 0", "delete_leaf 2 0 0 2",
                                        "end_if 0 0 0 0", "end_if 0 0 0 0", "add_leaf 0 0 1 0"}));
    EXPECT_EQ(settings(), "x_3=off\ny_##=seen\nz=1\n");
}

TEST_F(ScriptLineRecordsTest, SkippedBlockLinesAreNotDispatchedSoNotRecorded) {
    const std::vector<std::string> all = runScript("if_leaf nothing=here\n"
                                                   "  add_leaf y=1\n"
                                                   "end_if\n"
                                                   "add_leaf z=1\n");
    EXPECT_EQ(all, (std::vector<std::string>{"if_leaf 0 0 0 0", "add_leaf 0 0 1 0"}));
}

TEST_F(ScriptLineRecordsTest, SettingsMadeOutsideAScriptLineAreNotCountedOnTheNext) {
    dispatch("add_leaf a=1");
    processor->addSetting(tree, "b=2");  // as a converter writes
    addSettings({"c=3"});
    dispatch("delete_leaf **=**");
    EXPECT_EQ(counts(last()), "delete_leaf 3 0 0 3");
    EXPECT_EQ(processor->scriptLineRecords().size(), 2u);
}

}  // namespace
