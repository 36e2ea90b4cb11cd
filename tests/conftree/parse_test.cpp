// Cutting setting texts into chains, and the canonical form of numbers.
#include "tree_fixture.h"

namespace {

// The chain below top as "b:name/b:name/l:name=value".
std::string shape(const Node* node) {
    std::string out;
    while (node != nullptr) {
        if (!out.empty()) out += '/';
        if (node->isLeaf()) {
            out += "l:" + node->name() + "=" + node->asLeaf()->value();
            break;
        }
        out += "b:" + node->name();
        const Branch* branch = node->asBranch();
        EXPECT_LE(branch->children().size(), 1u);
        node = branch->children().front();
    }
    return out;
}

std::string parsed(const char* text) {
    auto chain = parseLine(text, 0);
    return chain ? shape(chain.get()) : "none";
}

}  // namespace

class ParseLineTest : public TreeTest {};

TEST_F(ParseLineTest, SplitsAPathIntoBranchesAndALeaf) {
    EXPECT_EQ(parsed("rule_proxy_3_action=allow"), "b:rule/b:proxy/b:3/l:action=allow");
    EXPECT_EQ(parsed("hostname=fw"), "l:hostname=fw");
}

TEST_F(ParseLineTest, NumRuleKeepsEverythingAfterItInTheLeafName) {
    EXPECT_EQ(parsed("rule_proxy_num_rules=5"), "b:rule/b:proxy/l:num_rules=5");
    EXPECT_EQ(parsed("a_num_b_c=1"), "b:a/l:num_b_c=1");
    EXPECT_EQ(parsed("_num_x=1"), "l:num_x=1");
}

TEST_F(ParseLineTest, EmptyComponentsFollowTheUnderscoreRules) {
    EXPECT_EQ(parsed("x_=5"), "b:x/l:=5");
    EXPECT_EQ(parsed("_x=5"), "l:x=5");
    EXPECT_EQ(parsed("_a_b=1"), "b:/b:a/l:b=1");
    EXPECT_EQ(parsed("a__b_c=1"), "b:a/b:/b:b/l:c=1");
    EXPECT_EQ(parsed("x__y=1"), "b:x/l:y=1");
    EXPECT_EQ(parsed("=5"), "l:=5");
}

TEST_F(ParseLineTest, ValueRunsFromTheFirstEqualsSignAndMayBeEmpty) {
    EXPECT_EQ(parsed("name="), "l:name=");
    EXPECT_EQ(parsed("a=b=c"), "l:a=b=c");
    EXPECT_EQ(parsed("a = b"), "l:a = b") << "blanks around '=' belong to name and value";
}

TEST_F(ParseLineTest, NumbersInNamesAndValuesLoseLeadingZeros) {
    EXPECT_EQ(parsed("port_0080=0080"), "b:port/l:80=80");
    EXPECT_EQ(parsed("if_07_addr=010.1.1.1"), "b:if/b:7/l:addr=010.1.1.1");
    EXPECT_EQ(parsed("a_000=000"), "b:a/l:0=0");
}

TEST_F(ParseLineTest, RangesStartingAtZeroAreNotReadAsNegativeNumbers) {
    EXPECT_EQ(parsed("svc_ports=0-1023"), "b:svc/l:ports=0-1023");
    EXPECT_EQ(parsed("svc_00-4_x=00-4"), "b:svc/b:00-4/l:x=00-4");
}

TEST_F(ParseLineTest, TrailingWhiteSpaceGoesLeadingWhiteSpaceStays) {
    EXPECT_EQ(parsed("a_b=1 \t\r\n\v\f"), "b:a/l:b=1");
    EXPECT_EQ(parsed(" #a=b"), "l: #a=b");
}

TEST_F(ParseLineTest, CommentsAndShortLinesAreSkippedSilently) {
    EXPECT_EQ(parsed("#a=b"), "none");
    EXPECT_EQ(parsed(""), "none");
    EXPECT_EQ(parsed("x"), "none");
    EXPECT_EQ(parsed("x   "), "none");
    EXPECT_EQ(takeLog(), "");
}

TEST_F(ParseLineTest, LineWithoutEqualsIsReportedWithItsNumber) {
    Leaf* bottom = reinterpret_cast<Leaf*>(1);
    EXPECT_EQ(parseLine("  # text  ", 12, &bottom), nullptr);
    EXPECT_EQ(bottom, nullptr);
    EXPECT_EQ(parsed("ab"), "none");
    EXPECT_EQ(takeLog(), "Line 12: Unable to find '=' in   # text\nLine 0: Unable to find '=' in ab\n");
}

TEST_F(ParseLineTest, BottomReceivesTheLeafAndTheChainIsDetached) {
    Leaf* bottom = nullptr;
    auto top = parseLine("a_b_c=1", 0, &bottom);
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(bottom->name(), "c");
    EXPECT_EQ(top->parent(), nullptr);
    EXPECT_EQ(bottom->parent()->name(), "b");
    EXPECT_EQ(bottom->parent()->parent(), top.get());
}

TEST_F(ParseLineTest, NewNodesAreCounted) {
    long branches = branchCount();
    long leaves = leafCount();
    {
        auto top = parseLine("a_b_c=1", 0);
        EXPECT_EQ(branchCount(), branches + 2);
        EXPECT_EQ(leafCount(), leaves + 1);
    }
    EXPECT_EQ(branchCount(), branches);
    EXPECT_EQ(leafCount(), leaves);
}

class ParseNameTest : public TreeTest {};

TEST_F(ParseNameTest, CutsEveryComponentIntoABranch) {
    Branch* bottom = nullptr;
    auto top = parseName("rule_proxy_007", &bottom);
    EXPECT_EQ(shape(top.get()), "b:rule/b:proxy/b:7");
    EXPECT_EQ(bottom->name(), "7");
}

TEST_F(ParseNameTest, HasNoNumRuleAndKeepsTrailingSpace) {
    EXPECT_EQ(shape(parseName("a_num_b").get()), "b:a/b:num/b:b");
    EXPECT_EQ(shape(parseName("a_b ").get()), "b:a/b:b ");
    EXPECT_EQ(shape(parseName("a__b_").get()), "b:a/b:/b:b");
}

TEST_F(ParseNameTest, EmptyTextAndCommentsGiveNothing) {
    Branch* bottom = reinterpret_cast<Branch*>(1);
    EXPECT_EQ(parseName("", &bottom), nullptr);
    EXPECT_EQ(bottom, nullptr);
    EXPECT_EQ(parseName("#a_b"), nullptr);
    EXPECT_EQ(takeLog(), "");
}

TEST(CanonicalNumberTest, StripsLeadingZerosOfDecimalNumbers) {
    struct Case {
        const char* in;
        const char* out;
        long result;
    };
    const Case cases[] = {
        {"007", "7", 7},
        {"000", "0", 0},
        {"0", "0", 0},
        {"12", "12", 12},
        {"-4", "-4", -4},
        {"1a", "1a", -1},
        {" 5", " 5", -1},
        {"+5", "+5", -1},
        {"0x10", "0x10", -1},
        {"", "", -1},
        {"-0", "-0", -1},
        {"-007", "-007", -1},
        {"00-4", "00-4", -1},
        {"010.1.1.1", "010.1.1.1", -1},
        {"9223372036854775807", "9223372036854775807", 9223372036854775807L},
        {"009223372036854775808", "009223372036854775808", -1},
        {"-9223372036854775808", "-9223372036854775808", -9223372036854775807L - 1},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_EQ(canonicalNumber(text), c.result) << c.in;
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(CanonicalNumberTest, CanonicalIntegerTestAgreesWithIt) {
    for (const char* yes : {"0", "12", "-3", "9223372036854775807"}) EXPECT_TRUE(isCanonicalInteger(yes)) << yes;
    for (const char* no : {"", "+3", "03", "3a", "-0", " 3", "-", "99999999999999999999"})
        EXPECT_FALSE(isCanonicalInteger(no)) << no;
}
