// The counts of edits made to the watched tree: settings coming in and going out however they move,
// values that really change, renames in place, search matches; and nothing counted for other trees,
// detached chains and search templates.
#include <memory>
#include <utility>

#include "tree_fixture.h"

namespace {

class EditCountsTest : public TreeTest {
protected:
    void SetUp() override { previous_ = watchTreeEdits(&tree); }
    void TearDown() override {
        watchTreeEdits(previous_);
        TreeTest::TearDown();
    }

    // The counts since the last call: "in out values renamed matches".
    std::string edits() {
        const TreeEditCounts now = treeEditCounts();
        const std::string text = std::to_string(now.leavesIn - last_.leavesIn) + " " +
                                 std::to_string(now.leavesOut - last_.leavesOut) + " " +
                                 std::to_string(now.valueChanges - last_.valueChanges) + " " +
                                 std::to_string(now.leavesRenamed - last_.leavesRenamed) + " " +
                                 std::to_string(now.searchMatches - last_.searchMatches);
        last_ = now;
        return text;
    }

private:
    const Branch* previous_ = nullptr;
    TreeEditCounts last_ = treeEditCounts();
};

TEST_F(EditCountsTest, ChainsCountTheLeavesTheyBringAndJoinedLeavesOnlyTheirValue) {
    add({"a_b=1"});
    edits();
    EXPECT_TRUE(tree.mergeNode(parseLine("a_c_d=2", 0), true));
    EXPECT_EQ(edits(), "1 0 0 0 0");
    EXPECT_TRUE(tree.mergeNode(parseLine("a_b=3", 0), true));  // lands on a_b: its value changes
    EXPECT_EQ(edits(), "0 0 1 0 0");
    EXPECT_TRUE(tree.mergeNode(parseLine("a_b=3", 0), true));   // the same value: no change
    EXPECT_TRUE(tree.mergeNode(parseLine("a_b=9", 0), false));  // kept: no change either
    EXPECT_EQ(edits(), "0 0 0 0 0");
}

TEST_F(EditCountsTest, SubtreesGoingOutAndComingBackAreCountedLeafByLeaf) {
    add({"r_1_x=1", "r_1_y=2", "r_2_x=3"});
    edits();
    Branch* r = tree.findBranch("r");
    std::unique_ptr<Node> one = r->findBranch("1")->detach();
    EXPECT_EQ(edits(), "0 2 0 0 0");
    one->setName("9");  // detached: no rename of the tree's settings
    EXPECT_TRUE(r->mergeNode(std::move(one), false));
    EXPECT_EQ(edits(), "2 0 0 0 0");
    EXPECT_TRUE(r->destroyChild(r->findBranch("2")));
    EXPECT_EQ(edits(), "0 1 0 0 0");
    r->setName("s");
    EXPECT_EQ(edits(), "0 0 0 2 0");
    r->setName("s");  // the same name: nothing renamed
    EXPECT_EQ(edits(), "0 0 0 0 0");
}

TEST_F(EditCountsTest, OtherTreesChainsAndTemplatesAreNotCountedButSearchesAre) {
    std::ostringstream otherLog;
    ConfigTree other{otherLog};
    setTreeLog(log);
    testsupport::addSettings(other, {"o_1=1", "o_2=2"});
    other.findBranch("o")->findLeaf("1")->setValue("changed");
    edits();
    EXPECT_EQ(edits(), "0 0 0 0 0");

    NodeList found;
    const SearchTemplate pattern = SearchTemplate::leaf("o_##=**");
    EXPECT_TRUE(pattern.search(other, found));
    EXPECT_EQ(edits(), "0 0 0 0 2");

    // Moving the other tree's settings in counts them as they enter this one.
    tree.absorb(other);
    EXPECT_EQ(edits(), "2 0 0 0 0");
}

TEST_F(EditCountsTest, NothingIsCountedWhileNoTreeIsWatched) {
    const Branch* watched = watchTreeEdits(nullptr);
    EXPECT_EQ(watched, &tree);
    edits();
    add({"a=1", "b_c=2"});
    tree.findLeaf("a")->setValue("5");
    EXPECT_EQ(edits(), "0 0 0 0 0");
    watchTreeEdits(watched);
}

}  // namespace
