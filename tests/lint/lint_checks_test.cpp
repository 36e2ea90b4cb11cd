// Each check of the script checker, as a table: a script that must raise the finding (its line, its
// severity and a telling part of its message) and a near twin that must not raise it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "template/script_lint.h"
#include "template/template_processor.h"

namespace {

constexpr LintSeverity E = LintSeverity::Error;
constexpr LintSeverity W = LintSeverity::Warning;

struct CheckCase {
    const char* name;
    std::string script;
    int line;
    LintSeverity severity;
    std::string says;  // part of the message
    std::string twin;  // a near twin that must not raise it
};

std::string describe(const std::vector<LintFinding>& findings) {
    std::string text;
    for (const LintFinding& f : findings) {
        text += std::to_string(f.line) + (f.severity == E ? " error: " : " warning: ") + f.message + "\n";
    }
    return text;
}

bool raises(const std::vector<LintFinding>& findings, const CheckCase& c, bool atLine) {
    for (const LintFinding& f : findings) {
        if (f.severity == c.severity && f.message.find(c.says) != std::string::npos && (!atLine || f.line == c.line))
            return true;
    }
    return false;
}

std::string nested(const char* opener, int depth) {
    std::string script;
    for (int i = 0; i < depth; ++i) script += std::string(opener) + "\n";
    for (int i = 0; i < depth; ++i) script += "end_if\n";
    return script;
}

const std::string kAllMarkers = "[MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n";

const std::vector<CheckCase> kCases = {
    // The reader.
    {"OverLongLine", "add_leaf a=" + std::string(kScriptLineMax - 10, 'x') + "\n", 1, E, "longer than 8191",
     "add_leaf a=" + std::string(kScriptLineMax - 11, 'x') + "\n"},
    {"NulByte", std::string("add_leaf a=1\0x\n", 15), 1, W, "NUL byte", "add_leaf a=1x\n"},
    // Verbs.
    {"MisspeltVerb", "add_leaf a=1\nrenam_leaf a_b=** c\n", 2, E,
     "unknown verb 'renam_leaf' (did you mean rename_leaf?)", "add_leaf a=1\nRENAME_LEAF a_b=** c\n"},
    {"UnknownVerbWithoutSuggestion", "frobnicate a=1\n", 1, E, "unknown verb 'frobnicate': the run skips",
     "# frobnicate a=1\n"},
    {"IndentedComment", "  # note\n", 1, E, "does not begin a comment", "# note\n"},
    {"ControlCharacterFirst", "\x01x add_leaf a=1\n", 1, E, "does not begin with a verb", "x add_leaf a=1\n"},
    // Arguments.
    {"MissingNewName", "rename_leaf a_b=**\n", 1, E,
     "rename_leaf: missing NEW_NAME (usage: rename_leaf LEAF_TEMPLATE NEW_NAME)", "rename_leaf a_b=** c\n"},
    {"MissingOperand", "edit_leaf a_b=** append\n", 1, E, "missing OPERAND", "edit_leaf a_b=** append x\n"},
    {"MissingWholeTemplate", "delete_leaf\n", 1, E, "delete_leaf: missing LEAF_TEMPLATE", "delete_leaf a=**\n"},
    {"IgnoredArgument", "promote_leaf a_b=** extra\n", 1, W, "'extra' is ignored", "promote_leaf a_b=**\n"},
    {"IgnoredTextAfterEndIf", "if_leaf a=1\nend_if a=1\n", 2, W, "end_if: 'a=1' is ignored", "if_leaf a=1\nend_if\n"},
    {"UnknownEditOperation", "edit_leaf a_b=** apend x\n", 1, E, "unknown operation 'apend' (did you mean append?)",
     "edit_leaf a_b=** APPEND x\n"},
    {"LeafTemplateWithoutEquals", "delete_leaf a_b\n", 1, E, "cannot parse the search template 'a_b': it has no '='",
     "delete_leaf a_b=**\n"},
    {"BranchTemplateStartingWithHash", "renumber_branches #a\n", 1, E, "cannot parse the branch template '#a'",
     "renumber_branches a#\n"},
    {"SettingWithoutEquals", "add_leaf a_b\n", 1, E, "cannot parse the setting 'a_b': it has no '='",
     "add_leaf a_b=\n"},
    {"ItemWithoutEquals", "copy_leaf a=** b\n", 1, E, "cannot parse the item 'b'", "copy_leaf a=** b=**\n"},
    {"TwoStarsInIfLeaf", "if_leaf a_**_**=1\nend_if\n", 1, E, "more than one '**'", "if_leaf a_**_b=**\nend_if\n"},
    {"TwoHashMarkersToFill", "copy_leaf a_##=** b_##_##=**\n", 1, E, "more than one '##'",
     "copy_leaf a_##=** b_##_c=**\n"},
    {"TwoPrefixMarkersToFill", "tokenize_leaf2branches a_##=** g_??x_??y\n", 1, E, "more than one '\?\?'",
     "tokenize_leaf2branches a_##=** g_??x_y\n"},
    {"InsertTemplatesOfTwoKinds", "insert_branch a_b=** a_x_b\n", 1, E, "the run refuses the line",
     "insert_branch a_b=** a_x_b=**\n"},
    {"InsertTemplatesNotOneApart", "insert_branch a_b=** a_x_y_b=**\n", 1, W, "with one more component",
     "insert_branch a_b a_x_b\n"},
    {"WhiteSpaceInWholeBranchTemplate", "delete_branch a_b c\n", 1, W, "has white space in a name",
     "delete_leaf a_b=c d\n"},
    {"NewNameHoldingEquals", "rename_leaf a_b=** c=d\n", 1, W, "holds '='", "rename_leaf a_b=** c d\n"},
    {"ComponentNotInTemplate", "replace_name_with_value a_**_b=** x\n", 1, W, "not a component",
     "replace_name_with_value a_x_b=** x\n"},
    {"ImportOfMissingFile", "import_file absent.conf\n", 1, W, "no file 'absent.conf' beside the script",
     "import_file present.conf\n"},
    // Blocks.
    {"EndIfWithoutBlock", "add_leaf a=1\nend_if\n", 2, E, "end_if without an open", "if_leaf a=1\nend_if\n"},
    {"BlockWithoutEndIf", "if_leaf a=1\nadd_leaf b=1\n", 1, E, "has no end_if", "if_leaf a=1\nadd_leaf b=1\nend_if\n"},
    {"BlockOpenAtMarker", "if_leaf a=1\n[MERGE_TREE1]\nend_if\n[MERGE_TREE2]\n[POSTPROCESS]\n", 2, E,
     "inside the if_leaf block of line 1", "if_leaf a=1\nend_if\n" + kAllMarkers},
    {"IfVersionInsideIfLeafEndsTheSkipEarly", "set_version v=**\nif_leaf a=1\nif_version 5.5\nend_if\nend_if\n", 2, E,
     "skipping stops at line 4, before its end_if of line 5",
     "set_version v=**\nif_version 5.5\nif_leaf a=1\nend_if\nend_if\n"},
    {"UpperCaseEndIfIsNotSeenWhenSkipping", "if_leaf a=1\nEND_IF\n", 1, E,
     "skipping runs past its end_if of line 2 to the end", "if_leaf a=1\n  end_if\n"},
    {"ItemLineBeginningWithEndIfEndsTheSkip", "if_leaf a=1\nadd_to_branch b x=1\nend_if_x=2\n\nend_if\n", 1, E,
     "stops at line 3", "if_leaf a=1\nadd_to_branch b x=1\nx_end_if=2\n\nend_if\n"},
    {"NestedPastTheLimit", nested("if_leaf a=1", kMaxBlockDepth + 1), kMaxBlockDepth + 1, E,
     "nested more than 200 deep", nested("if_leaf a=1", kMaxBlockDepth)},
    // Sections.
    {"MarkerBeforeItsTurn", "[MERGE_TREE1]\n[POSTPROCESS]\n[MERGE_TREE2]\n", 2, E, "[POSTPROCESS] before [MERGE_TREE2]",
     kAllMarkers},
    {"MarkerOutOfOrder", "[MERGE_TREE1]\n[POSTPROCESS]\n[MERGE_TREE2]\n", 3, E, "[MERGE_TREE2] out of order",
     kAllMarkers},
    {"RepeatedMarker", "[MERGE_TREE1]\nadd_leaf a=1\n[merge_tree1]\n[MERGE_TREE2]\n[POSTPROCESS]\n", 3, E,
     "[MERGE_TREE1] again (first on line 1)", "[MERGE_TREE1]\nadd_leaf a=1\n[MERGE_TREE2]\n[POSTPROCESS]\n"},
    {"PreprocessAfterMergeMarker", "[MERGE_TREE1]\n[PREPROCESS]\n[MERGE_TREE2]\n[POSTPROCESS]\n", 2, E,
     "[PREPROCESS] after [MERGE_TREE1]", "[PREPROCESS]\n" + kAllMarkers},
    {"PreprocessNotFirst", "add_leaf a=1\n[PREPROCESS]\n", 2, W, "has no effect here", "[PREPROCESS]\nadd_leaf a=1\n"},
    {"PreprocessRepeated", "[PREPROCESS]\n[PREPROCESS]\n", 2, W, "again (first on line 1)", "[PREPROCESS]\n"},
    {"IndentedMarker", "  [MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n", 1, E, "ends no section", kAllMarkers},
    {"TextAfterMarker", "[MERGE_TREE1] old tree\n[MERGE_TREE2]\n[POSTPROCESS]\n", 1, W, "text after [MERGE_TREE1]",
     kAllMarkers},
    {"MarkersMissingAtTheEnd", "add_leaf a=1\n[MERGE_TREE1]\nadd_leaf b=1\n", 2, W,
     "no [MERGE_TREE2] or [POSTPROCESS] after this marker", "add_leaf a=1\nadd_leaf b=1\n"},
    // Item lists of add_to_branch.
    {"MarkerInItemList", "add_to_branch a_## x=1\n[MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n", 2, E,
     "read as an item of the item list of the add_to_branch of line 1",
     "add_to_branch a_## x=1\n\n[MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n"},
    {"CommentInItemList", "add_to_branch a_## x=1\n# more\ny=2\n", 2, E, "a comment inside the item list",
     "add_to_branch a_## x=1\n\n# more\n"},
    {"UnparsableItemLine", "add_to_branch a_## x=1\n  y\n", 2, E, "the item 'y' in the item list",
     "add_to_branch a_## x=1\n  y=\n"},
    {"VerbLineReadAsItem", "add_to_branch a_## x=1\nrename_leaf a_b=** c\n", 2, W, "looks like a verb line",
     "add_to_branch a_## x=1\n\nrename_leaf a_b=** c\n"},
    // What never runs.
    {"UserErrorAfterUserError", "user_error stop\nuser_error again\n", 2, W,
     "user_error can never run: the user_error of line 1 stops the run",
     "if_leaf a=1\nuser_error stop\nend_if\nuser_error again\n"},
    {"LinesAfterUserError", "user_error stop\nadd_leaf a=1\n", 2, W, "never run: the user_error of line 1",
     "add_leaf a=1\nuser_error stop\n"},
    {"IfVersionBeforeAnySetVersion", "if_version 5.5\nuser_error old\nend_if\nset_version v=**\n", 1, W,
     "no set_version line comes before it", "set_version v=**\nif_version 5.5\nuser_error old\nend_if\n"},
    {"UserErrorInBlockThatNeverRuns", "if_version 5.5\nuser_error old\nend_if\n", 2, W,
     "user_error can never run: the if_version block of line 1 never runs",
     "set_version v=**\nif_version 5.5\nuser_error old\nend_if\n"},
    {"IfVersionThatNoVersionMatches", "set_version v=**\nif_version 5.5.1\nend_if\n", 2, W,
     "only sets versions of the form digit.digit", "set_version v=**\nif_version 0.9\nend_if\n"},
    {"IfVersionInsideAnotherVersion", "set_version v=**\nif_version 5.5\nif_version 5.2\nend_if\nend_if\n", 3, W,
     "inside the if_version 5.5 block of line 2",
     "set_version v=**\nif_version 5.5\nset_version w=**\nif_version 5.2\nend_if\nend_if\n"},
    {"IfLeafInsideIfLeafWithoutThatWildcard", "if_leaf a_##_b=1\nif_leaf c_**=1\nend_if\nend_if\n", 2, W,
     "'**' in a name of 'c_**=1' matches nothing inside the if_leaf block of line 1",
     "if_leaf a_**_b=1\nif_leaf c_**=1\nend_if\nend_if\n"},
    {"TemplateInIfLeafWithoutWildcards", "if_leaf a_b=1\ndelete_leaf c_**=x\nend_if\n", 2, W, "the line finds nothing",
     "if_leaf a_b=1\ndelete_leaf c_d=**\nend_if\n"},
};

class LintCheck : public ::testing::TestWithParam<CheckCase> {
protected:
    void SetUp() override { ASSERT_TRUE(testsupport::writeFile(scratch / "present.conf", "a=1\n")); }

    std::vector<LintFinding> lint(const std::string& script) const {
        return lintScript(script, scratch.path().string() + "/");
    }

    testsupport::ScratchDir scratch{"lint-check"};
};

TEST_P(LintCheck, ScriptRaisesTheFindingAndItsTwinDoesNot) {
    const CheckCase& c = GetParam();
    const std::vector<LintFinding> faulty = lint(c.script);
    EXPECT_TRUE(raises(faulty, c, true)) << "expected at line " << c.line << ": " << c.says << "\ngot:\n"
                                         << describe(faulty);
    const std::vector<LintFinding> twin = lint(c.twin);
    EXPECT_FALSE(raises(twin, c, false)) << describe(twin);
}

INSTANTIATE_TEST_SUITE_P(Checks, LintCheck, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CheckCase>& testCase) { return testCase.param.name; });

// Most twins are wholly clean; these are the scripts a run takes without a word.
TEST(LintClean, ScriptsThatRunAsWrittenHaveNoFinding) {
    for (const std::string& script : {
             std::string(),
             std::string("# only a comment\n\nx\n \n"),
             std::string("ADD_LEAF a_b=two words\nchange_value a_b=** new value\n"),
             std::string("[PREPROCESS]\nset_version v=**\nif_version 5.5\nif_leaf a_##_b=1\nuser_warning "
                         "a_##_c=** Look at $$\nend_if\nend_if\n[merge_tree1]\n[MERGE_TREE2]\n[POSTPROCESS]\n"),
             std::string("add_to_branch rule_## state=on\n  comment=converted\n\nadd_leaf a=1\n"),
             std::string("address_convert a_**_host=** a_**_obj=** comment\nreplace_name_with_value u_**_l=**\n"),
             std::string("edit_leaf a_b=** append ' '\nobject_lookup r_**_src=** netobj_list_**\n"),
             std::string("user_error stop\n# a comment after it is fine\n"),
         }) {
        EXPECT_EQ(describe(lintScript(script, "/nonexistent/")), "") << script;
    }
}

}  // namespace
