// Trees far deeper than the call stack could follow: a chain of a million branches is written,
// searched, copied, merged, absorbed and destroyed without recursing per level (under the sanitizer
// build too, whose frames are larger). Saving such a tree is refused, naming the setting: its line
// is longer than a configuration file reader takes, so the setting would vanish on the next load.
#include <memory>
#include <string>

#include "tree_fixture.h"

namespace {

constexpr std::size_t kDepth = 1000000;

// A chain of depth branches named "b" below top ending in the leaf x=value; returns that leaf.
Leaf* buildChain(Branch& top, std::size_t depth, const std::string& value) {
    Branch* at = &top;
    for (std::size_t i = 0; i < depth; ++i)
        at = static_cast<Branch*>(at->children().append(std::make_unique<Branch>("b")));
    return static_cast<Leaf*>(at->children().append(std::make_unique<Leaf>("x", value)));
}

std::string chainPath(std::size_t depth) {
    std::string path;
    path.reserve(2 * depth + 2);
    for (std::size_t i = 0; i < depth; ++i) path += "b_";
    return path;
}

// Steps from top down the first children to the bottom.
std::size_t depthBelow(const Node& top) {
    std::size_t depth = 0;
    for (const Node* at = &top; at->isBranch() && !at->asBranch()->children().empty(); ++depth)
        at = at->asBranch()->children().front();
    return depth;
}

}  // namespace

class DeepTreeTest : public TreeTest {
protected:
    void SetUp() override {
        branchesBefore_ = branchCount();
        leavesBefore_ = leafCount();
    }

    long branchesBefore_ = 0;
    long leavesBefore_ = 0;
};

TEST_F(DeepTreeTest, AMillionLevelChainIsWrittenSearchedAndDestroyed) {
    Leaf* bottom = buildChain(tree, kDepth, "1");
    const std::string path = chainPath(kDepth);

    EXPECT_EQ(body(tree), path + "x=1\n");
    std::ostringstream saved;
    EXPECT_FALSE(tree.save(saved));
    EXPECT_NE(takeLog().find("Unable to save the setting b_b_b_b"), std::string::npos);
    std::ostringstream leafPath;
    bottom->writePath(leafPath, false);
    EXPECT_EQ(leafPath.str(), path + "x=1");

    // A template as deep as the tree finds the one leaf, and its branch form the last branch.
    SearchTemplate leafTemplate = SearchTemplate::leaf(path + "x=**");
    ASSERT_TRUE(leafTemplate.valid());
    NodeList found;
    EXPECT_TRUE(leafTemplate.search(tree, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], bottom);
    SearchTemplate branchTemplate = SearchTemplate::branch(path.substr(0, path.size() - 1));
    found.clear();
    EXPECT_TRUE(branchTemplate.search(tree, found));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], bottom->parent());

    // Destroying the tree's content (and the templates) gives every node back.
    tree.children().clear();
    leafTemplate = SearchTemplate();
    branchTemplate = SearchTemplate();
    EXPECT_EQ(branchCount(), branchesBefore_);
    EXPECT_EQ(leafCount(), leavesBefore_);
}

TEST_F(DeepTreeTest, AMillionLevelChainIsCopiedAndMergedLevelByLevel) {
    buildChain(tree, kDepth, "1");
    const std::string path = chainPath(kDepth);

    std::unique_ptr<Node> copy = tree.children().front()->clone();
    EXPECT_EQ(depthBelow(*copy), kDepth);
    EXPECT_EQ(body(*copy->asBranch()), path + "x=1\n");  // a detached top branch writes its own name

    // Merging the copy back joins every level; a differing leaf is reported with its full path.
    Node* at = copy.get();
    while (at->isBranch()) at = at->asBranch()->children().front();
    at->asLeaf()->setValue("2");
    ASSERT_TRUE(tree.mergeNode(std::move(copy), false));
    EXPECT_EQ(takeLog(), "Ignoring duplicate leaf at " + path + "x=1 old value: 1 new value: 2\n");
    EXPECT_EQ(tree.children().size(), 1u);
    EXPECT_EQ(depthBelow(tree), kDepth + 1);

    // absorb takes a whole deep tree over, the incoming value winning.
    {
        ConfigTree other(log);
        buildChain(other, kDepth, "3");
        tree.absorb(other);
        EXPECT_TRUE(other.children().empty());
    }
    EXPECT_EQ(body(tree), path + "x=3\n");
    tree.children().clear();
    EXPECT_EQ(branchCount(), branchesBefore_);
    EXPECT_EQ(leafCount(), leavesBefore_);
}

TEST_F(DeepTreeTest, ADeepTreeIsNotSavedOverAFileAndIsDestroyedWithItsRoot) {
    const long branchesBefore = branchCount();
    const std::string file = scratchPath("deep.conf");
    testsupport::writeFile(file, "previous=1\n");
    {
        std::ostringstream quiet;
        ConfigTree deep(quiet);
        buildChain(deep, kDepth, "v");
        Branch* side = deep.children().front()->asBranch();
        side->children().append(std::make_unique<Leaf>("y", "w"));  // a second line after the chain
        EXPECT_FALSE(deep.save(file));
        EXPECT_NE(quiet.str().find("Unable to save the setting b_b_b"), std::string::npos);
        setTreeLog(log);
    }
    EXPECT_EQ(branchCount(), branchesBefore);
    EXPECT_EQ(readFile(file), "previous=1\n");
}
