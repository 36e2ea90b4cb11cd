// Fuzz target: any sequence of children-list edits and renames on one branch. After every step,
// each lookup by name must give what a linear scan of the list gives (the first child of that kind
// and name), and every child must name the branch as its parent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"

namespace {

void check(const Branch& owner) {
    const ChildList& list = owner.children();
    for (Node* node : list)
        if (node->parent() != &owner) std::abort();
    for (int n = 0; n < 16; ++n) {
        std::string name(1, static_cast<char>('a' + n));
        for (bool leaf : {false, true}) {
            Node* expected = nullptr;
            for (Node* node : list)
                if (node->isLeaf() == leaf && node->name() == name) {
                    expected = node;
                    break;
                }
            if (list.find(name, leaf) != expected) std::abort();
        }
    }
}

std::unique_ptr<Node> make(std::uint8_t byte) {
    std::string name(1, static_cast<char>('a' + (byte & 15)));
    if (byte & 16) return std::make_unique<Leaf>(name, "v");
    return std::make_unique<Branch>(name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream log;
    ConfigTree tree(log);
    std::vector<std::unique_ptr<Node>> spare;
    ChildList& list = tree.children();
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::uint8_t op = data[i];
        std::uint8_t arg = data[i + 1];
        std::size_t at = list.empty() ? 0 : arg % list.size();
        switch (op % 10) {
        case 0:
        case 1:
            list.append(make(arg));
            break;
        case 2:
            list.insert(arg % (list.size() + 1), make(arg));
            break;
        case 3:
            if (!list.empty()) spare.push_back(list.take(at));
            break;
        case 4:
            list.erase(at);
            break;
        case 5:
            if (!list.empty()) list[at]->setName(std::string(1, static_cast<char>('a' + (op >> 4))));
            break;
        case 6:
            if (!spare.empty()) {
                list.insert(at, std::move(spare.back()));
                spare.pop_back();
            }
            break;
        case 7:
            list.swap(at, op % (list.size() + 1));
            break;
        case 8:
            if (arg < 8) list.resize(list.size() / 2);
            break;
        case 9:
            tree.mergeNode(make(arg), arg & 32);
            break;
        }
        check(tree);
    }
    return 0;
}
