// MatchWalk: a verb's pending search results stay safe to use while the walk deletes, prunes and
// merges nodes, including result lists whose nodes nest (a match inside another match), which a
// deleting verb must never touch after it destroyed them. Run under the sanitizer build, these
// tests fail loudly on any use of a destroyed node.
#include "template/match_walk.h"

#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class MatchWalkTest : public VerbFixture {
protected:
    // The node at a setting path ("a_b_c"), following branches and then a leaf or branch name.
    Node* at(const std::string& path, bool leaf) {
        Branch* branch = tree.get();
        std::size_t start = 0;
        for (;;) {
            const std::size_t cut = path.find('_', start);
            const std::string name = path.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
            if (cut == std::string::npos)
                return leaf ? static_cast<Node*>(branch->findLeaf(name)) : branch->findBranch(name);
            branch = branch->findBranch(name);
            if (branch == nullptr) return nullptr;
            start = cut + 1;
        }
    }
};

TEST_F(MatchWalkTest, HandsOutEveryMatchOnceInResultOrder) {
    addSettings({"a_x=1", "a_y=2"});
    Node* x = at("a_x", true);
    Node* y = at("a_y", true);
    MatchWalk walk({x, y, x});
    EXPECT_EQ(walk.next(), x);
    EXPECT_EQ(walk.next(), y);
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_EQ(walk.next(), nullptr);
}

TEST_F(MatchWalkTest, PruningAMatchStrikesTheMatchesNestedInsideIt) {
    addSettings({"a_b_c_d=1", "a_b_e=2", "z=3"});
    Node* outer = at("a_b", false);
    Node* inner = at("a_b_c", false);
    Node* leaf = at("a_b_c_d", true);
    Node* other = at("z", true);
    MatchWalk walk({outer, inner, leaf, other});
    Node* match = walk.next();
    ASSERT_EQ(match, outer);
    walk.pruneUp(match);
    EXPECT_EQ(walk.next(), other);
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_EQ(walk.struck(), 2u);
    EXPECT_THAT(settings(), ElementsAre("z=3"));
}

TEST_F(MatchWalkTest, PruningStrikesAncestorMatchesThatAreLeftEmpty) {
    addSettings({"a_b_c=1", "k=2"});
    Node* leaf = at("a_b_c", true);
    Node* middle = at("a_b", false);
    Node* top = at("a", false);
    MatchWalk walk({leaf, middle, top});
    walk.pruneUp(walk.next());
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_EQ(walk.struck(), 2u);
    EXPECT_THAT(settings(), ElementsAre("k=2"));
}

TEST_F(MatchWalkTest, PruningStopsAtAnAncestorThatKeepsOtherChildren) {
    addSettings({"a_b_c=1", "a_k=2"});
    Node* leaf = at("a_b_c", true);
    Node* top = at("a", false);
    MatchWalk walk({leaf, top});
    walk.pruneUp(walk.next());
    EXPECT_EQ(walk.next(), top);
    EXPECT_THAT(settings(), ElementsAre("a_k=2"));
}

TEST_F(MatchWalkTest, DestroyStrikesTheWholeSubtree) {
    addSettings({"a_b_c=1", "a_d=2"});
    Node* b = at("a_b", false);
    Node* c = at("a_b_c", true);
    Node* d = at("a_d", true);
    MatchWalk walk({d, b, c});
    EXPECT_EQ(walk.next(), d);
    walk.destroy(b);
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_THAT(settings(), ElementsAre("a_d=2"));
}

TEST_F(MatchWalkTest, MergeKeepsMovedMatchesAndStrikesTheOnesJoinedAway) {
    // Moving branch 'src_g' under 'dst': its leaf 'x' joins dst_g_x (destroyed as a duplicate),
    // its leaf 'y' is appended (moved, still pending), and 'g' itself joins dst_g (destroyed).
    addSettings({"src_g_x=1", "src_g_y=2", "dst_g_x=9"});
    Node* g = at("src_g", false);
    Node* x = at("src_g_x", true);
    Node* y = at("src_g_y", true);
    MatchWalk walk({g, x, y});
    Branch* destination = at("dst", false)->asBranch();
    std::unique_ptr<Node> moved = g->detach();
    EXPECT_TRUE(walk.merge(*destination, std::move(moved), false));
    EXPECT_EQ(walk.next(), y);
    EXPECT_EQ(y->parent(), at("dst_g", false));
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_EQ(walk.struck(), 2u);
    EXPECT_THAT(settings(), ElementsAre("dst_g_x=9", "dst_g_y=2"));
}

TEST_F(MatchWalkTest, RefusedMergeStrikesEverythingItDestroyed) {
    addSettings({"a_b_c=1"});
    Node* a = at("a", false);
    Node* c = at("a_b_c", true);
    MatchWalk walk({c});
    // A subtree cannot be merged below itself; the merge refuses and destroys what it was given.
    std::unique_ptr<Node> detached = a->detach();
    Branch* inside = detached->asBranch()->findBranch("b");
    EXPECT_FALSE(walk.merge(*inside, std::move(detached), false));
    EXPECT_EQ(walk.next(), nullptr);
    EXPECT_THAT(settings(), IsEmpty());
}

// Verbs whose matches (or moved copies of them) are destroyed by an earlier step of the same walk.
class NestedMatchVerbTest : public VerbFixture {};

TEST_F(NestedMatchVerbTest, DeleteBranchOfEveryLevelAtOnce) {
    // Branches literally named '**' fit any template component; the matches share ancestors that
    // each deletion may prune, and every match is deleted exactly once.
    addSettings({"**_**_x=1", "a_b_y=2", "a_**_z=3"});
    EXPECT_EQ(dispatch("delete_branch **_**"), 1);
    EXPECT_THAT(settings(), IsEmpty());
}

TEST_F(NestedMatchVerbTest, PromoteThatEmptiesAndPrunesBranchesOfLaterMatches) {
    addSettings({"p_q_a=1", "p_q_b=2", "p_r_a=3", "s_q_a=4"});
    EXPECT_EQ(dispatch("promote_leaf **_**_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("p_a=3", "p_b=2", "s_a=4"));
}

TEST_F(NestedMatchVerbTest, DemoteIntoAnExistingBranchThatHoldsTheSameLeaf) {
    addSettings({"a_b=1", "a_c=2", "a_b_new=1", "a_c_new=5"});
    EXPECT_EQ(dispatch("demote_leaf a_**=** new"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_b_new=1", "a_c_new=5"));
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at a_c_new=5 old value: 5 new value: 2"));
}

TEST_F(NestedMatchVerbTest, InsertBranchJoiningAnExistingLevelThatAlreadyHoldsLaterMatches) {
    addSettings({"a_b_c=1", "a_b_d=2", "a_b_e=3", "a_new_b_d=7", "a_new_b_e=3"});
    EXPECT_EQ(dispatch("insert_branch a_b_**=** a_new_b_**=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("a_new_b_d=7", "a_new_b_e=3", "a_new_b_c=1"));
    EXPECT_THAT(faultLines(), ElementsAre("Ignoring duplicate leaf at a_new_b_d=7 old value: 7 new value: 2"));
}

TEST_F(NestedMatchVerbTest, JoinBranchesIntoADestinationBelowALaterMatch) {
    addSettings({"g_1_a=1", "g_2_b=2", "g_3_c=3"});
    EXPECT_EQ(dispatch("join_branches g_## g_3_sub"), 1);
    EXPECT_THAT(settings(), ElementsAre("g_3_sub_c=3", "g_3_sub_sub_a=1", "g_3_sub_sub_b=2"));
}

TEST_F(NestedMatchVerbTest, MergeUniqueNumMovesChildrenNamedLikeWildcards) {
    addSettings({"p_**_**_x=1", "p_**_k=2"});
    EXPECT_EQ(dispatch("merge_unique_num_branch p_**"), 1);
    EXPECT_THAT(settings(), ElementsAre("p_1_x=1", "p_2=2"));
}

TEST_F(NestedMatchVerbTest, WholeScriptReshapingTheSameBranchesRepeatedly) {
    addSettings({"r_1_a=1", "r_1_b=2", "r_2_a=3", "r_3_c_d=4", "s_x=5"});
    EXPECT_TRUE(runScript("insert_branch r_## r_mid_##\n"
                          "join_branches r_mid_## r_all\n"
                          "demote_leaf r_all_**=** v\n"
                          "promote_leaf r_all_**_v=**\n"
                          "delete_branch r_all_c\n"
                          "merge_unique_num_branch r_all\n"
                          "renumber_branches r\n"
                          "delete_leaf r_##=**\n"));
    EXPECT_THAT(settings(), ElementsAre("s_x=5"));
    EXPECT_TRUE(tree->findBranch("r") == nullptr);
}

}  // namespace
