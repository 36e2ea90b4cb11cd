// Children lists: order, ownership, parent pointers, and lookups by name that stay right in wide
// lists whatever callers do to the list or to the names.
#include <algorithm>
#include <random>

#include "tree_fixture.h"

namespace {

// What a linear scan of the list answers: the first child of that kind and name.
Node* scan(const ChildList& list, const std::string& name, bool leaf) {
    for (Node* node : list)
        if (node->isLeaf() == leaf && node->name() == name) return node;
    return nullptr;
}

std::unique_ptr<Node> makeNode(bool leaf, std::string name) {
    if (leaf) return std::make_unique<Leaf>(std::move(name), "v");
    return std::make_unique<Branch>(std::move(name));
}

}  // namespace

class ChildListTest : public TreeTest {
protected:
    // Every lookup agrees with a scan, and every child names its list's branch as parent.
    void expectConsistent(const Branch& owner, int names) {
        const ChildList& list = owner.children();
        for (Node* node : list) ASSERT_EQ(node->parent(), &owner);
        for (int i = 0; i < names; ++i) {
            std::string name = std::to_string(i);
            for (bool leaf : {false, true})
                ASSERT_EQ(list.find(name, leaf), scan(list, name, leaf)) << "name " << name << " leaf " << leaf;
        }
        ASSERT_EQ(list.find("absent", true), nullptr);
    }
};

TEST_F(ChildListTest, ListOperationsKeepOrderAndParents) {
    Branch& b = tree;
    b.children().append(makeNode(true, "a"));
    b.children().append(makeNode(true, "c"));
    b.children().insert(1, makeNode(false, "b"));
    b.children().insert(99, makeNode(true, "d"));  // clamped to the end
    EXPECT_EQ(body(tree), "a=v\nc=v\nd=v\n");
    EXPECT_EQ(b.children()[1]->name(), "b");
    EXPECT_EQ(b.children().indexOf(b.children()[2]), 2);
    auto c = b.children().take(2);
    EXPECT_EQ(c->parent(), nullptr);
    EXPECT_EQ(b.children().take(9), nullptr);
    EXPECT_FALSE(b.children().erase(9));
    auto old = b.children().replace(0, std::move(c));
    EXPECT_EQ(old->name(), "a");
    EXPECT_EQ(old->parent(), nullptr);
    EXPECT_TRUE(b.children().swap(0, 2));
    EXPECT_EQ(body(tree), "d=v\nc=v\n");
    b.children().resize(5);
    EXPECT_EQ(b.children().size(), 3u);
    b.children().resize(1);
    EXPECT_EQ(body(tree), "d=v\n");
    EXPECT_EQ(b.children().indexOf(old.get()), -1);
}

TEST_F(ChildListTest, AttachedNodesCannotBeAddedTwice) {
    Node* a = tree.children().append(makeNode(true, "a"));
    std::unique_ptr<Node> stolen(a);  // a caller breaking the rules: the list must refuse it
    EXPECT_EQ(tree.children().append(std::move(stolen)), nullptr);
    EXPECT_EQ(tree.children().size(), 1u);
}

TEST_F(ChildListTest, WideListFindsTheFirstMatchOfEachKind) {
    for (int i = 0; i < 1000; ++i) tree.children().append(makeNode(i % 2 == 0, std::to_string(i / 2)));
    expectConsistent(tree, 520);
    EXPECT_TRUE(tree.findLeaf("499")->isLeaf());
    EXPECT_TRUE(tree.findBranch("499")->isBranch());
}

TEST_F(ChildListTest, RenamesAreFollowedByTheIndex) {
    for (int i = 0; i < 100; ++i) tree.children().append(makeNode(false, std::to_string(i)));
    Node* seven = tree.findBranch("7");
    seven->setName("700");
    EXPECT_EQ(tree.findBranch("7"), nullptr);
    EXPECT_EQ(tree.findBranch("700"), seven);
    tree.children()[3]->setName("700");  // now two branches named 700: the earlier one wins
    EXPECT_EQ(tree.findBranch("700"), tree.children()[3]);
    tree.children()[3]->setName("3");
    EXPECT_EQ(tree.findBranch("700"), seven);
}

TEST_F(ChildListTest, RenumberingAWideListInPlaceKeepsLookupsRight) {
    for (int i = 0; i < 300; ++i) tree.children().append(makeNode(false, std::to_string(i * 3)));
    ASSERT_NE(tree.findBranch("0"), nullptr);  // builds the index
    int counter = 1;
    for (Node* node : tree.children()) node->setName(std::to_string(counter++));
    for (int i = 1; i <= 300; ++i) ASSERT_EQ(tree.findBranch(std::to_string(i)), tree.children()[i - 1]);
    EXPECT_EQ(tree.findBranch("0"), nullptr);
}

TEST_F(ChildListTest, MergeJoinsIntoWideListsAsItWouldIntoNarrowOnes) {
    for (int i = 0; i < 200; ++i)
        tree.mergeNode(parseLine(("r_" + std::to_string(i) + "_a=" + std::to_string(i)).c_str()), false);
    Branch* r = tree.findBranch("r");
    r->children()[10]->setName("x");
    tree.mergeNode(parseLine("r_x_b=1"), false);
    tree.mergeNode(parseLine("r_10_b=2"), false);
    EXPECT_EQ(r->children().size(), 201u);
    EXPECT_EQ(r->findBranch("x")->children().size(), 2u);
    EXPECT_EQ(r->children().back()->name(), "10");
}

TEST_F(ChildListTest, RandomEditsNeverLeaveTheIndexWrong) {
    std::mt19937 random(12345);
    constexpr int kNames = 60;
    auto anyName = [&] { return std::to_string(random() % kNames); };
    for (int i = 0; i < 80; ++i) tree.children().append(makeNode(random() % 2, anyName()));
    std::vector<std::unique_ptr<Node>> spare;
    for (int step = 0; step < 4000; ++step) {
        ChildList& list = tree.children();
        std::size_t size = list.size();
        std::size_t at = size == 0 ? 0 : random() % size;
        switch (random() % 9) {
        case 0:
            list.append(makeNode(random() % 2, anyName()));
            break;
        case 1:
            list.insert(at, makeNode(random() % 2, anyName()));
            break;
        case 2:
            if (size > 0) spare.push_back(list.take(at));
            break;
        case 3:
            if (size > 0) list.erase(at);
            break;
        case 4:
            if (size > 0) list[at]->setName(anyName());
            break;
        case 5:
            if (!spare.empty() && size > 0) {
                auto old = list.replace(at, std::move(spare.back()));
                spare.back() = std::move(old);
            }
            break;
        case 6:
            if (size > 1) list.swap(at, random() % size);
            break;
        case 7:
            if (size > 40 && random() % 8 == 0) list.resize(size - 30);
            break;
        case 8:
            if (!spare.empty()) {
                spare.back()->setName(anyName());  // renamed while detached: no index to follow
                list.insert(at, std::move(spare.back()));
                spare.pop_back();
            }
            break;
        }
        if (step % 20 == 0) expectConsistent(tree, kNames);
    }
    expectConsistent(tree, kNames);
}

TEST_F(ChildListTest, TakeAllEmptiesTheListAndDetachesInOrder) {
    for (int i = 0; i < 50; ++i) tree.children().append(makeNode(true, std::to_string(i)));
    ASSERT_NE(tree.findLeaf("3"), nullptr);
    auto all = tree.children().takeAll();
    ASSERT_EQ(all.size(), 50u);
    EXPECT_EQ(all[3]->name(), "3");
    EXPECT_EQ(all[3]->parent(), nullptr);
    EXPECT_EQ(tree.findLeaf("3"), nullptr);
    all[3]->setName("x");  // detached: must not touch the old list
    EXPECT_EQ(tree.children().append(std::move(all[3]))->name(), "x");
    EXPECT_EQ(tree.findLeaf("x"), tree.children()[0]);
}

TEST_F(ChildListTest, EmptyingAWideListFromTheFrontKeepsPositionsAndLookupsRight) {
    for (int i = 0; i < 500; ++i) tree.children().append(makeNode(true, std::to_string(i)));
    ASSERT_NE(tree.findLeaf("0"), nullptr);
    for (int i = 0; i < 400; ++i) {
        ASSERT_EQ(tree.children()[0]->name(), std::to_string(i));
        ASSERT_TRUE(tree.destroyChild(tree.children()[0]));
        if (i % 50 == 0) expectConsistent(tree, 520);
    }
    EXPECT_EQ(tree.children().size(), 100u);
    tree.children().insert(0, makeNode(true, "front"));
    tree.children().insert(1, makeNode(true, "second"));
    EXPECT_EQ(tree.children()[0]->name(), "front");
    EXPECT_EQ(tree.children()[2]->name(), "400");
    EXPECT_EQ(tree.children().indexOf(tree.findLeaf("499")), 101);
    EXPECT_EQ(*tree.children().begin(), tree.children().front());
    EXPECT_EQ(tree.children().end() - tree.children().begin(), 102);
    expectConsistent(tree, 520);
    auto all = tree.children().takeAll();
    EXPECT_EQ(all.size(), 102u);
    EXPECT_EQ(all[1]->name(), "second");
}

TEST_F(ChildListTest, LiteralSearchInAWideBranchFindsWhatAFullScanFinds) {
    for (int i = 0; i < 100; ++i) tree.mergeNode(parseLine(("r_" + std::to_string(i) + "_a=1").c_str()), false);
    auto found = [&](const char* text) {
        SearchTemplate t = SearchTemplate::leaf(text);
        NodeList results;
        t.search(tree, results);
        std::string out;
        for (Node* node : results) {
            std::ostringstream path;
            node->writePath(path, false);
            out += path.str() + ";";
        }
        return out;
    };
    EXPECT_EQ(found("r_42_a=**"), "r_42_a=1;");
    EXPECT_EQ(found("r_420_a=**"), "");
    Branch* r = tree.findBranch("r");
    r->children()[50]->setName("42");  // a second "42", after the first
    r->children()[10]->setName("**");  // fits any component
    EXPECT_EQ(found("r_42_a=**"), "r_**_a=1;r_42_a=1;r_42_a=1;");
    r->children()[10]->setName("10");
    r->children()[50]->setName("50");
    r->children()[5]->setName("##");
    EXPECT_EQ(found("r_42_a=**"), "r_##_a=1;r_42_a=1;");
    EXPECT_EQ(found("r_x_a=**"), "");
}

// Children sharing a name, removals by node in the middle and renames, checked step by step against
// a plain vector of the children: order, positions and first-match lookups all agree.
TEST_F(ChildListTest, RemovalsAndSharedNamesAgreeWithAPlainList) {
    std::mt19937 random(777);
    constexpr int kNames = 4;  // few names: most children share theirs with many others
    auto anyName = [&] { return std::to_string(random() % kNames); };
    std::vector<Node*> model;
    for (int i = 0; i < 300; ++i) model.push_back(tree.children().append(makeNode(random() % 2, anyName())));
    auto check = [&] {
        const ChildList& list = tree.children();
        ASSERT_EQ(list.size(), model.size());
        ASSERT_EQ(list.front(), model.empty() ? nullptr : model.front());
        ASSERT_EQ(list.back(), model.empty() ? nullptr : model.back());
        for (int i = 0; i < kNames; ++i) {
            for (bool leaf : {false, true}) {
                Node* first = nullptr;
                for (Node* node : model)
                    if (node->isLeaf() == leaf && node->name() == std::to_string(i)) {
                        first = node;
                        break;
                    }
                ASSERT_EQ(list.find(std::to_string(i), leaf), first);
            }
        }
        if (!model.empty()) {
            std::size_t at = random() % model.size();
            ASSERT_EQ(list.indexOf(model[at]), static_cast<long>(at));
        }
        ASSERT_TRUE(std::equal(list.begin(), list.end(), model.begin(), model.end()));
    };
    ASSERT_NE(tree.children().find("0", true), nullptr);  // builds the index
    for (int step = 0; step < 3000; ++step) {
        ChildList& list = tree.children();
        const std::size_t at = model.empty() ? 0 : random() % model.size();
        switch (random() % 6) {
        case 0:
        case 1:  // removal by node, mostly from the middle, without any access by position between
            if (!model.empty()) {
                ASSERT_TRUE(tree.destroyChild(model[at]));
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        case 2:
            if (!model.empty()) model[at]->setName(anyName());
            break;
        case 3:
            model.push_back(list.append(makeNode(random() % 2, anyName())));
            break;
        case 4:
            if (!model.empty()) {
                std::unique_ptr<Node> node = model[at]->detach();
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
                const std::size_t to = model.empty() ? 0 : random() % model.size();
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(to), list.insert(to, std::move(node)));
            }
            break;
        case 5:
            if (model.size() > 1) {
                const std::size_t other = random() % model.size();
                ASSERT_TRUE(list.swap(at, other));
                std::swap(model[at], model[other]);
            }
            break;
        }
        if (step % 7 == 0) check();
    }
    check();
}
