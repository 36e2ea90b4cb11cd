// The edit_leaf operations over plain values: the table lookup, the blank operand, each value
// operation, the legal-name form and the X400 naming.
#include "template/edit_operations.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string edited(EditOperation op, std::string value, std::string_view operand, EditContext context = {}) {
    applyValueOperation(op, value, operand, context);
    return value;
}

TEST(EditOperationTable, NamesAreFoundIgnoringCaseAndUnknownWordsAreNot) {
    EXPECT_EQ(findEditOperation("append"), EditOperation::Append);
    EXPECT_EQ(findEditOperation("APPEND"), EditOperation::Append);
    EXPECT_EQ(findEditOperation("Do_X400_Thang"), EditOperation::DoX400Thang);
    EXPECT_EQ(findEditOperation("nuke_thru"), EditOperation::NukeThru);
    EXPECT_FALSE(findEditOperation("appendx").has_value());
    EXPECT_FALSE(findEditOperation("").has_value());
    for (int row = 0; row < kEditOperationCount; ++row) {
        const auto op = static_cast<EditOperation>(row);
        EXPECT_EQ(findEditOperation(editOperationName(op)), op) << editOperationName(op);
    }
}

TEST(EditOperationBlankOperand, StandsForOneBlankOnlyWhereTheOperationReadsText) {
    EXPECT_EQ(edited(EditOperation::Append, "a", "' '"), "a ");
    EXPECT_EQ(edited(EditOperation::Insert, "a", "' 'tail ignored"), " a");
    EXPECT_EQ(edited(EditOperation::NukeFrom, "a b c", "' '"), "a");
    EXPECT_EQ(edited(EditOperation::NukeAfter, "a b c", "' '"), "a ");
    EXPECT_EQ(edited(EditOperation::NukeThru, "a b c", "' '"), "b c");
    // delete takes the operand literally
    EXPECT_EQ(edited(EditOperation::Delete, "x' 'y z", "' '"), "xy z");
    EXPECT_EQ(edited(EditOperation::Delete, "x y", "' '"), "x y");
    EXPECT_EQ(edited(EditOperation::NukeExcept, "a b", "' '"), "");
}

TEST(EditOperationText, AppendInsertDeleteAndDeleteExcept) {
    EXPECT_EQ(edited(EditOperation::Append, "web", ".local"), "web.local");
    EXPECT_EQ(edited(EditOperation::Insert, "web", "int-"), "int-web");
    EXPECT_EQ(edited(EditOperation::Delete, "abcabc", "bc"), "aabc");
    EXPECT_EQ(edited(EditOperation::Delete, "abc", "x"), "abc");
    EXPECT_EQ(edited(EditOperation::DeleteExcept, "one two", "two"), "two");
    EXPECT_EQ(edited(EditOperation::DeleteExcept, "one two", "Two"), "one two");
}

TEST(EditOperationText, InsertValnameAndMakeCounterUseTheMatch) {
    EXPECT_EQ(edited(EditOperation::InsertValname, "1", "x", {"port", 0, 0}), "port1");
    EXPECT_EQ(edited(EditOperation::MakeCounter, "anything", "x", {"n", 0, 0}), "1");
    EXPECT_EQ(edited(EditOperation::MakeCounter, "", "x", {"n", 4, 0}), "5");
}

TEST(EditOperationText, IsNullAndNotnullTestTheValueBeforeTheEdit) {
    EXPECT_EQ(edited(EditOperation::IsNull, "", "none"), "none");
    EXPECT_EQ(edited(EditOperation::IsNull, "set", "none"), "set");
    EXPECT_EQ(edited(EditOperation::Notnull, "set", "yes"), "yes");
    EXPECT_EQ(edited(EditOperation::Notnull, "", "yes"), "");
}

TEST(EditOperationText, MaxAndMinChangeOnlyCanonicalNumbersBeyondTheLimit) {
    const EditContext limit100{"n", 0, editLimit("100")};
    EXPECT_EQ(edited(EditOperation::Max, "250", "100", limit100), "100");
    EXPECT_EQ(edited(EditOperation::Max, "50", "100", limit100), "50");
    EXPECT_EQ(edited(EditOperation::Max, "100", "100", limit100), "100");
    EXPECT_EQ(edited(EditOperation::Max, "0250", "100", limit100), "0250");
    EXPECT_EQ(edited(EditOperation::Max, "abc", "100", limit100), "abc");
    EXPECT_EQ(edited(EditOperation::Max, "", "100", limit100), "");
    EXPECT_EQ(edited(EditOperation::Max, "99999999999999999999999", "100", limit100), "99999999999999999999999");
    EXPECT_EQ(edited(EditOperation::Min, "3", "5", {"n", 0, editLimit("5")}), "5");
    EXPECT_EQ(edited(EditOperation::Min, "-3", "0", {"n", 0, editLimit("0")}), "0");
    EXPECT_EQ(edited(EditOperation::Min, "7", "5", {"n", 0, editLimit("5")}), "7");
}

TEST(EditOperationText, LimitIsReadLikeTheCLibraryReadsIntegers) {
    EXPECT_EQ(editLimit("100"), 100);
    EXPECT_EQ(editLimit("  -7x"), -7);
    EXPECT_EQ(editLimit("+12"), 12);
    EXPECT_EQ(editLimit("abc"), 0);
    EXPECT_EQ(editLimit(""), 0);
}

TEST(EditOperationText, CanonicalIntegersRejectPaddingSignsAndOverflow) {
    long long n = 99;
    EXPECT_TRUE(canonicalIntegerValue("0", n));
    EXPECT_TRUE(canonicalIntegerValue("-3", n));
    EXPECT_EQ(n, -3);
    EXPECT_FALSE(canonicalIntegerValue("", n));
    EXPECT_FALSE(canonicalIntegerValue("012", n));
    EXPECT_FALSE(canonicalIntegerValue("+3", n));
    EXPECT_FALSE(canonicalIntegerValue(" 3", n));
    EXPECT_FALSE(canonicalIntegerValue("3a", n));
    EXPECT_FALSE(canonicalIntegerValue("9223372036854775808", n));
}

TEST(EditOperationNuke, SlashExamples) {
    EXPECT_EQ(edited(EditOperation::NukeAfter, "a/b/c", "/"), "a/");
    EXPECT_EQ(edited(EditOperation::NukeFrom, "a/b/c", "/"), "a");
    EXPECT_EQ(edited(EditOperation::NukeThru, "a/b/c", "/"), "b/c");
    EXPECT_EQ(edited(EditOperation::NukeExcept, "a/b/c", "/"), "/");
    EXPECT_EQ(edited(EditOperation::NukeAfter, "abc", "/"), "abc");
    EXPECT_EQ(edited(EditOperation::NukeFrom, "abc", "/"), "abc");
    EXPECT_EQ(edited(EditOperation::NukeThru, "abc", "/"), "abc");
    EXPECT_EQ(edited(EditOperation::NukeExcept, "abc", "/"), "");
}

TEST(EditOperationNuke, ThruDropsTheBlanksThatFollow) {
    EXPECT_EQ(edited(EditOperation::NukeThru, "key: \t value", ":"), "value");
    EXPECT_EQ(edited(EditOperation::NukeThru, "a:", ":"), "");
}

TEST(EditOperationNuke, ContainingCutsThroughTheWordThatHoldsTheOperand) {
    EXPECT_EQ(edited(EditOperation::NukeContaining, "x foobar y z", "foo"), "y z");
    EXPECT_EQ(edited(EditOperation::NukeContaining, "x foobar", "foo"), "");
    EXPECT_EQ(edited(EditOperation::NukeContaining, "x foobar   y", "foo"), "y");
    EXPECT_EQ(edited(EditOperation::NukeContaining, "x bar y", "foo"), "x bar y");
}

TEST(EditOperationLegalName, ReplacesSeparatorsAndStars) {
    EXPECT_EQ(legalName("web.server"), "web-server");
    EXPECT_EQ(legalName("all*"), "allany");
    EXPECT_EQ(legalName("a b;c=d_e"), "a-b-c-d-e");
    EXPECT_EQ(legalName("plain-name"), "plain-name");
    EXPECT_EQ(legalName(""), "");
}

TEST(EditOperationX400, NamesFollowTheNumberAndWordRules) {
    EXPECT_EQ(x400SettingName("amta-max_assocs"), "def_proxy_X400_amta_max_assocs");
    EXPECT_EQ(x400SettingName("amta-host-2"), "def_proxy_X400_amta_2_host");
    EXPECT_EQ(x400SettingName("fmta-routing-rule-3"), "def_proxy_X400_fmta_routing_3_rule");
    EXPECT_EQ(x400SettingName("fmta-routing-dest-4"), "def_proxy_X400_fmta_routing_4_dest");
    EXPECT_EQ(x400SettingName("fmta-routing-rule-3-2"), "def_proxy_X400_fmta_3_routing_2_rule");
    EXPECT_EQ(x400SettingName("amta-gdi"), "def_proxy_X400_amta_gdi");
    EXPECT_EQ(x400SettingName("fmta-x"), "def_proxy_X400_fmta_x");
    EXPECT_EQ(x400SettingName("amta-a_b"), "def_proxy_X400_amta_a-b");
}

TEST(EditOperationX400, SettingsOutsideTheNamingStayWhereTheyAre) {
    EXPECT_FALSE(x400SettingName("amta-count"));
    EXPECT_FALSE(x400SettingName("fmta-routing-rule-count"));
    EXPECT_FALSE(x400SettingName("xmta-host"));
    EXPECT_FALSE(x400SettingName("amta"));
    EXPECT_FALSE(x400SettingName("AMTA-host"));
    EXPECT_FALSE(x400SettingName("amta-3"));         // a number not set off by '-'
    EXPECT_FALSE(x400SettingName("amta-host-3-2"));  // two numbers need a word before them
    EXPECT_FALSE(x400SettingName("amta-x3-2"));
}

TEST(EditOperationX400, ShortAndOddNamesDoNotReadOutsideTheText) {
    EXPECT_EQ(x400SettingName("amta-"), "def_proxy_X400_amta_");
    EXPECT_EQ(x400SettingName("amta--2"), "def_proxy_X400_amta_2_");
    EXPECT_FALSE(x400SettingName(""));
    EXPECT_FALSE(x400SettingName("amt"));
}

TEST(EditOperationX400, GdiValueSplitsIntoItsThreeParts) {
    const X400Gdi all = splitX400Gdi("a=A1;c=C1;p=P1");
    EXPECT_EQ(all.a, "A1");
    EXPECT_EQ(all.c, "C1");
    EXPECT_EQ(all.p, "P1");
    EXPECT_EQ(all.unrecognized, 0);

    const X400Gdi mixed = splitX400Gdi("C=x;a=1;a=2;junk;;p=");
    EXPECT_EQ(mixed.a, "2");
    EXPECT_EQ(mixed.c, "x");
    EXPECT_EQ(mixed.p, "");
    EXPECT_EQ(mixed.unrecognized, 2);  // "junk" and the empty part

    EXPECT_EQ(splitX400Gdi("").unrecognized, 1);
}

}  // namespace
