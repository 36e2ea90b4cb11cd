// Searching trees with templates: the wildcard rules, scope restrictions and result order.
#include <random>

#include "tree_fixture.h"

class SearchTest : public TreeTest {
protected:
    // The found nodes as setting paths ("a_b=1" for leaves, "a_b_" for branches), in order.
    std::vector<std::string> find(const char* text, bool leafTemplate) {
        SearchTemplate t = leafTemplate ? SearchTemplate::leaf(text) : SearchTemplate::branch(text);
        EXPECT_TRUE(t.valid()) << text;
        NodeList results;
        bool any = t.search(tree, results);
        EXPECT_EQ(any, !results.empty());
        std::vector<std::string> out;
        for (Node* node : results) {
            std::ostringstream path;
            node->writePath(path, false);
            out.push_back(path.str());
        }
        return out;
    }
    using Found = std::vector<std::string>;
};

TEST_F(SearchTest, HashMatchesCanonicalNumbersAndFirstLoadedValueWins) {
    add({"a_1=x", "a_01=y", "a_b=z"});
    EXPECT_EQ(find("a_##=**", true), Found{"a_1=x"});
}

TEST_F(SearchTest, BranchTemplatesFindOnlyBranchesAtTheirDepth) {
    add({"a_b=1", "a_c_d=2"});
    EXPECT_EQ(find("a_**", false), Found{"a_c_"});
    EXPECT_EQ(find("a", false), Found{"a_"});
    EXPECT_EQ(find("a_c_d", false), Found{});
    EXPECT_EQ(find("a_**=**", true), Found{"a_b=1"});
}

TEST_F(SearchTest, ValuesIgnoreCaseNamesDoNot) {
    add({"a=yes"});
    EXPECT_EQ(find("a=YES", true), Found{"a=yes"});
    EXPECT_EQ(find("A=yes", true), Found{});
}

TEST_F(SearchTest, WildcardValues) {
    add({"n_a=-5", "n_b=0", "n_c=5x", "n_d="});
    EXPECT_EQ(find("n_**=##", true), (Found{"n_a=-5", "n_b=0"}));
    EXPECT_EQ(find("n_**=**", true), (Found{"n_a=-5", "n_b=0", "n_c=5x", "n_d="}));
    add({"m_-5=1", "m_0=2", "m_5x=3"});
    EXPECT_EQ(find("m_##", false), Found{});
    EXPECT_EQ(find("m_##=**", true), (Found{"m_-5=1", "m_0=2"}));
}

TEST_F(SearchTest, ResultsComeInDepthFirstOrderAcrossTopLevelNodes) {
    add({"r_2_a=1", "s_1_a=2", "r_1_a=3", "r_1_b=4"});
    EXPECT_EQ(find("**_##_**=**", true), (Found{"r_2_a=1", "r_1_a=3", "r_1_b=4", "s_1_a=2"}));
}

TEST_F(SearchTest, SearchKeepsEarlierResultsAndCountsThem) {
    add({"a=1"});
    NodeList results{&tree};
    SearchTemplate t = SearchTemplate::leaf("zzz=1");
    EXPECT_TRUE(t.search(tree, results));
    EXPECT_EQ(results.size(), 1u);
}

TEST_F(SearchTest, HashScopeRestrictsNamesButNotValues) {
    add({"r_3=1", "r_4=2", "r_9=3", "x=12"});
    hashScopes().push_back({"3", "9"});
    EXPECT_EQ(find("r_##=**", true), (Found{"r_3=1", "r_9=3"}));
    EXPECT_EQ(find("x=##", true), Found{"x=12"});
    hashScopes().push_back({"4"});
    EXPECT_EQ(find("r_##=**", true), Found{"r_4=2"}) << "only the top list counts";
}

TEST_F(SearchTest, EmptyStarScopeMakesEveryStarComponentFail) {
    add({"a_b=1"});
    starScopes().push_back({});
    EXPECT_EQ(find("a_**=**", true), Found{});
    EXPECT_EQ(find("a_b=**", true), Found{"a_b=1"}) << "values are never restricted";
    EXPECT_FALSE(namesMatch("**", "b", true));
    EXPECT_TRUE(namesMatch("**", "b", false));
}

TEST_F(SearchTest, TreeNodesNamedLikeWildcardsFitAnyComponent) {
    add({"a_**_c=1", "a_##_c=2", "a_x_c=3"});
    EXPECT_EQ(find("a_7_c=**", true), (Found{"a_**_c=1", "a_##_c=2"}));
    EXPECT_EQ(find("a_q_c=**", true), (Found{"a_**_c=1"})) << "\"##\" still wants a number";
    EXPECT_EQ(find("a_x", false), (Found{"a_**_", "a_x_"}));
}

TEST(NamesMatchTest, RulesAreSymmetric) {
    const char* names[] = {"a", "**", "##", "12", "-3", "03", "", "+3"};
    for (const char* a : names)
        for (const char* b : names) EXPECT_EQ(namesMatch(a, b, true), namesMatch(b, a, true)) << a << " " << b;
    EXPECT_TRUE(namesMatch("##", "12", false));
    EXPECT_FALSE(namesMatch("##", "03", false));
    EXPECT_FALSE(namesMatch("##", "", false));
    EXPECT_TRUE(namesMatch("**", "", false));
    EXPECT_TRUE(namesMatch("##", "**", false));
    EXPECT_FALSE(namesMatch("a", "A", false));
}

TEST(NamesMatchTest, ValuesAndWildcardWords) {
    EXPECT_TRUE(valuesMatch("Allow", "aLLOW"));
    EXPECT_TRUE(valuesMatch("", "**"));
    EXPECT_FALSE(valuesMatch("", "##"));
    EXPECT_FALSE(valuesMatch("5x", "##"));
    EXPECT_TRUE(isWildcard("**"));
    EXPECT_TRUE(isWildcard("##"));
    EXPECT_FALSE(isWildcard("??"));
    EXPECT_FALSE(isWildcard("***"));
}

TEST_F(SearchTest, TemplatesThatDoNotParseAreInvalid) {
    EXPECT_FALSE(SearchTemplate::leaf("no equals").valid());
    EXPECT_EQ(takeLog(), "Line 0: Unable to find '=' in no equals\n");
    EXPECT_FALSE(SearchTemplate::branch("").valid());
    NodeList results;
    EXPECT_FALSE(SearchTemplate().search(tree, results));
}

TEST_F(SearchTest, PerNodeTestsSeparateLeavesFromBranches) {
    add({"a_b=1"});
    Branch* a = tree.findBranch("a");
    Leaf* b = a->findLeaf("b");
    auto leafT = parseLine("b=1");
    auto branchT = parseName("b");
    EXPECT_TRUE(b->matches(*leafT));
    EXPECT_FALSE(b->differs(*leafT));
    EXPECT_FALSE(b->matches(*branchT));
    EXPECT_TRUE(b->differs(*branchT));
    EXPECT_TRUE(a->differs(*leafT));
    EXPECT_FALSE(a->matches(*branchT));
}

namespace {

// The plain procedure: every child of every branch the template reaches is tried, in order.
void plainSearch(Node* node, const Node* templateNode, NodeList& results) {
    if (node->isLeaf()) {
        if (node->matches(*templateNode)) results.push_back(node);
        return;
    }
    if (node->differs(*templateNode)) return;
    const ChildList& below = templateNode->asBranch()->children();
    if (below.empty()) {
        results.push_back(node);
        return;
    }
    for (Node* child : node->asBranch()->children()) plainSearch(child, below.front(), results);
}

}  // namespace

// Wide branches whose children share names, with literal "**" and "##" children among them: the
// search that tries only the children the name index offers finds what trying all of them finds,
// in the same order.
TEST_F(SearchTest, IndexedSearchFindsWhatThePlainProcedureFinds) {
    std::mt19937 random(4242);
    const char* names[] = {"1", "2", "x", "**", "##", "7"};
    for (int i = 0; i < 400; ++i) {
        std::string line = "r_";
        line += names[random() % 6];
        line += "_";
        line += names[random() % 6];
        line += "=" + std::to_string(i);
        add({line.c_str()});
    }
    // Duplicates of one name and kind, which loading never makes.
    Branch* r = tree.findBranch("r");
    ASSERT_NE(r, nullptr);
    for (std::size_t i = 0; i < r->children().size(); i += 3) r->children()[i]->setName(names[random() % 6]);
    for (const char* text : {"r_x_1=**", "r_7_**=**", "r_1_x=**", "r_**_##=**", "r_x_x=**", "r_2_7=**"}) {
        SearchTemplate t = SearchTemplate::leaf(text);
        ASSERT_TRUE(t.valid());
        NodeList found;
        t.search(tree, found);
        NodeList plain;
        for (Node* child : tree.children()) plainSearch(child, t.top(), plain);
        EXPECT_EQ(found, plain) << text;
        EXPECT_FALSE(found.empty()) << text;
    }
    for (const char* text : {"r_x", "r_1", "r_##"}) {
        SearchTemplate t = SearchTemplate::branch(text);
        NodeList found;
        t.search(tree, found);
        NodeList plain;
        for (Node* child : tree.children()) plainSearch(child, t.top(), plain);
        EXPECT_EQ(found, plain) << text;
    }
}
