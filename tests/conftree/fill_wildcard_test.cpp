// Filling the wildcard markers of a new setting from a search match.
#include "tree_fixture.h"

class FillWildcardTest : public TreeTest {
protected:
    // Searches with a leaf or branch template, fills item from the first match, returns the item's
    // setting line (or the branch path for an item without a leaf).
    std::string fill(const char* templateText, const char* itemText, int expected = 0) {
        bool leafTemplate = std::string(templateText).find('=') != std::string::npos;
        SearchTemplate t = leafTemplate ? SearchTemplate::leaf(templateText) : SearchTemplate::branch(templateText);
        NodeList results;
        if (!t.search(tree, results)) return "no match";
        Leaf* itemLeaf = nullptr;
        auto item = parseLine(itemText, 0, &itemLeaf);
        EXPECT_EQ(fillWildCardFromTop(item.get(), t.bottom(), results.front()), expected);
        std::ostringstream out;
        itemLeaf->write(out, false);
        return out.str();
    }
};

TEST_F(FillWildcardTest, FillsNameMarkersFromTheMatchedComponents) {
    add({"rule_proxy_7_action=allow"});
    EXPECT_EQ(fill("rule_proxy_##", "rule_proxy_##_comment=x"), "rule_proxy_7_comment=x");
    EXPECT_EQ(fill("rule_proxy_##", "net_??a_name=y"), "net_7a_name=y");
    EXPECT_EQ(fill("rule_**_##", "new_**_##=1"), "new_proxy_7=1");
}

TEST_F(FillWildcardTest, FillsValueMarkersFromTheMatchedLeaf) {
    add({"svc_web_port=80", "svc_web_name=http"});
    EXPECT_EQ(fill("svc_**_port=##", "p_**=##"), "p_web=80");
    EXPECT_EQ(fill("svc_web_name=**", "n_x=**"), "n_x=http");
    EXPECT_EQ(fill("svc_web_name=**", "n_x=##"), "n_x=##") << "a marker without a partner stays";
}

TEST_F(FillWildcardTest, HashTakesTheTopmostMatchAndPrefixKeepsItsSuffix) {
    add({"a_3_b_5_c=1"});
    EXPECT_EQ(fill("a_##_b_##", "x_##_y=1"), "x_3_y=1");
    // Refilled at every "##" on the way up, the prefix marker keeps its own suffix each time.
    EXPECT_EQ(fill("a_##_b_##", "x_??s_y=1"), "x_3s_y=1");
}

TEST_F(FillWildcardTest, TwoMarkersOfOneKindAreRefusedAndChangeNothing) {
    add({"a_1_b_2_c=1"});
    EXPECT_EQ(fill("a_##_b_##", "x_##_##_y=1", -1), "x_##_##_y=1");
    EXPECT_EQ(takeLog(), "fillWildCardFromTop: multiple ## wildcards in branch - can't continue\n");
    EXPECT_EQ(fill("a_##_b_##", "x_**_**=1", -1), "x_**_**=1");
    EXPECT_EQ(fill("a_##_b_##", "??x_??y=1", -1), "??x_??y=1");
    EXPECT_EQ(takeLog(), "fillWildCardFromTop: multiple ** wildcards in branch - can't continue\n"
                         "fillWildCardFromTop: multiple ?? wildcards in branch - can't continue\n");
}

TEST_F(FillWildcardTest, NothingToFillOrNothingToFillFrom) {
    EXPECT_EQ(fillWildCardFromTop(nullptr, nullptr, nullptr), 0);
    auto item = parseLine("a_##=1");
    EXPECT_EQ(fillWildCardFromTop(item.get(), nullptr, nullptr), 0);
    EXPECT_EQ(item->name(), "a");
    EXPECT_EQ(takeLog(), "");
}
