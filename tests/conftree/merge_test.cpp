// Inserting, joining, removing, pruning, copying and absorbing nodes.
#include "tree_fixture.h"

class MergeTest : public TreeTest {};

TEST_F(MergeTest, FirstValueWinsAndADifferingDuplicateIsReported) {
    add({"a=1", "a=2", "a=1"});
    EXPECT_EQ(body(tree), "a=1\n");
    EXPECT_EQ(takeLog(), "Ignoring duplicate leaf at a=1 old value: 1 new value: 2\n");
}

TEST_F(MergeTest, DuplicateReportNamesTheFullPath) {
    add({"x_y_z=old", "x_y_z=new"});
    EXPECT_EQ(takeLog(), "Ignoring duplicate leaf at x_y_z=old old value: old new value: new\n");
}

TEST_F(MergeTest, OverwriteTakesTheNewValueSilently) {
    add({"a_b=1"});
    add({"a_b=2"}, true);
    EXPECT_EQ(body(tree), "a_b=2\n");
    EXPECT_EQ(takeLog(), "");
}

TEST_F(MergeTest, LeafAndBranchOfOneNameAreSiblingsInArrivalOrder) {
    add({"a_b=1", "a_b_c=2"});
    Branch* a = tree.findBranch("a");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->children().size(), 2u);
    EXPECT_TRUE(a->children()[0]->isLeaf());
    EXPECT_TRUE(a->children()[1]->isBranch());
    EXPECT_EQ(a->children()[1]->name(), "b");
    EXPECT_EQ(body(tree), "a_b=1\na_b_c=2\n");
}

TEST_F(MergeTest, SharedPrefixesAreGroupedUnderTheirFirstAppearance) {
    add({"a_x=1", "b_y=2", "a_z=3"});
    EXPECT_EQ(body(tree), "a_x=1\na_z=3\nb_y=2\n");
}

TEST_F(MergeTest, JoiningABranchMovesItsChildrenInOrderAndDropsTheRest) {
    add({"r_1_a=1", "r_1_b=2"});
    long branches = branchCount();
    auto incoming = std::make_unique<Branch>("r");
    Branch* one = static_cast<Branch*>(incoming->children().append(std::make_unique<Branch>("1")));
    one->children().append(std::make_unique<Leaf>("c", "3"));
    one->children().append(std::make_unique<Leaf>("a", "9"));
    EXPECT_TRUE(tree.mergeNode(std::move(incoming), false));
    EXPECT_EQ(body(tree), "r_1_a=1\nr_1_b=2\nr_1_c=3\n");
    EXPECT_EQ(branchCount(), branches) << "the joined branches are destroyed";
}

TEST_F(MergeTest, MergingAnAttachedNodeMovesIt) {
    add({"from_x_a=1", "to_y=2"});
    Node* x = tree.findBranch("from")->findBranch("x");
    EXPECT_TRUE(tree.findBranch("to")->mergeNode(x->detach(), true));
    EXPECT_EQ(body(tree), "to_y=2\nto_x_a=1\n");
    EXPECT_EQ(x->parent(), tree.findBranch("to"));
    EXPECT_TRUE(tree.findBranch("from")->children().empty());
}

TEST_F(MergeTest, ANodeCannotBeMergedBelowItself) {
    Branch* bottom = nullptr;
    auto chain = parseName("a_b_c", &bottom);
    long branches = branchCount();
    EXPECT_FALSE(bottom->mergeNode(std::move(chain), false));
    EXPECT_EQ(branchCount(), branches - 3) << "the refused chain is dropped, not leaked";
    EXPECT_FALSE(tree.mergeNode(nullptr, false));
}

TEST_F(MergeTest, RemoveChildHandsTheNodeOverOnlyWhenItIsAChild) {
    add({"a_b=1", "c=2"});
    Node* c = tree.findLeaf("c");
    Node* b = tree.findBranch("a")->findLeaf("b");
    EXPECT_EQ(tree.removeChild(b), nullptr);
    EXPECT_EQ(tree.removeChild(nullptr), nullptr);
    auto taken = tree.removeChild(c);
    ASSERT_EQ(taken.get(), c);
    EXPECT_EQ(c->parent(), nullptr);
    EXPECT_EQ(body(tree), "a_b=1\n");
    EXPECT_EQ(c->detach(), nullptr) << "a detached node has no list to leave";
}

TEST_F(MergeTest, PruneUpRemovesTheChainUpToButNotIncludingTheRoot) {
    add({"a_b_c_d=1"});
    Leaf* d = tree.findBranch("a")->findBranch("b")->findBranch("c")->findLeaf("d");
    long branches = branchCount();
    pruneUp(d);
    EXPECT_TRUE(tree.children().empty());
    EXPECT_EQ(branchCount(), branches - 3);
}

TEST_F(MergeTest, PruneUpStopsAtTheFirstAncestorWithOtherChildren) {
    add({"a_b_c=1", "a_x=2"});
    pruneUp(tree.findBranch("a")->findBranch("b")->findLeaf("c"));
    EXPECT_EQ(body(tree), "a_x=2\n");
    pruneUp(&tree);  // a root survives
    EXPECT_EQ(body(tree), "a_x=2\n");
}

TEST_F(MergeTest, CloneIsADetachedDeepCopyThatCountsItsNodes) {
    add({"a_b=1", "a_c_d=2"});
    long leaves = leafCount();
    auto copy = tree.findBranch("a")->clone();
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(body(*copy->asBranch()), "a_b=1\na_c_d=2\n");
    EXPECT_EQ(leafCount(), leaves + 2);
    auto treeCopy = tree.clone();
    EXPECT_TRUE(treeCopy->isBranch());
    EXPECT_EQ(dynamic_cast<ConfigTree*>(treeCopy.get()), nullptr) << "a tree copies as a plain branch";
    // Detached, the empty-named copy writes its own (empty) name and "_" in front of every line.
    EXPECT_EQ(body(*treeCopy->asBranch()), "_a_b=1\n_a_c_d=2\n");
}

TEST_F(MergeTest, AbsorbMovesEverythingAndIncomingValuesWin) {
    add({"a_b=1", "k=keep"});
    std::ostringstream otherLog;
    {
        ConfigTree other(otherLog);
        for (const char* line : {"a_b=2", "a_c=3", "z=4"}) other.mergeNode(parseLine(line), false);
        tree.absorb(other);
        EXPECT_TRUE(other.children().empty());
    }
    EXPECT_EQ(body(tree), "a_b=2\na_c=3\nk=keep\nz=4\n");
    EXPECT_EQ(otherLog.str(), "");
}

TEST_F(MergeTest, EveryConstructedTreeBecomesTheTreeLog) {
    std::ostringstream second;
    ConfigTree other(second);
    EXPECT_EQ(&treeLog(), &second);
    add({"q=1", "q=2"});
    EXPECT_EQ(takeLog(), "");
    EXPECT_NE(second.str(), "");
    setTreeLog(log);
}

TEST_F(MergeTest, DestroyingASubtreeUncountsAllItsNodes) {
    long branches = branchCount();
    long leaves = leafCount();
    add({"a_b_c=1", "a_b_d=2", "a_e=3"});
    EXPECT_EQ(branchCount(), branches + 2);
    EXPECT_EQ(leafCount(), leaves + 3);
    EXPECT_TRUE(tree.destroyChild(tree.findBranch("a")));
    EXPECT_EQ(branchCount(), branches);
    EXPECT_EQ(leafCount(), leaves);
}

TEST_F(MergeTest, DescribeWritesOneNodeWithIndentation) {
    add({"a_b=1"});
    std::ostringstream out;
    Branch* a = tree.findBranch("a");
    a->describe(2, out, true);
    a->children()[0]->describe(1, out, true);
    a->children()[0]->describe(0, out, false);
    EXPECT_EQ(out.str(), "\t\ta_\tb=1\nb=1");
}

TEST_F(MergeTest, LeafWriteAndWritePathGiveTheFullSettingLine) {
    add({"a_b_c=1"});
    Leaf* c = tree.findBranch("a")->findBranch("b")->findLeaf("c");
    std::ostringstream out;
    long writes = leafWriteCount();
    c->write(out, true);
    c->writePath(out, false);
    tree.findBranch("a")->findBranch("b")->writePath(out, false);
    EXPECT_EQ(out.str(), "a_b_c=1\na_b_c=1a_b_");
    EXPECT_EQ(leafWriteCount(), writes + 2);
}

TEST_F(MergeTest, ProgressDotsGoOnlyToTheChosenStream) {
    std::ostringstream dots;
    setProgressStream(&dots);
    long start = leafCount();
    std::vector<std::unique_ptr<Leaf>> leaves;
    for (int i = 0; i < 40; ++i) leaves.push_back(std::make_unique<Leaf>("x", "1"));
    setProgressStream(nullptr);
    for (int i = 0; i < 40; ++i) leaves.push_back(std::make_unique<Leaf>("x", "1"));
    long expected = (start + 40) / 20 - start / 20;
    EXPECT_EQ(dots.str(), std::string(static_cast<std::size_t>(expected), '.'));
    EXPECT_EQ(takeLog(), "");
}
