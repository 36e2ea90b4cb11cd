// Fuzz target: setting texts and names of any bytes through the parsers, into a tree, used as
// search templates and as items for wildcard filling. Nothing may crash or leak.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "conftree/conftree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostringstream log;
    ConfigTree tree(log);
    std::string_view input(reinterpret_cast<const char*>(data), size);

    // The input's lines become settings (first half) and templates (all of them).
    std::size_t start = 0;
    NodeList results;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        std::string_view line = input.substr(start, end - start);
        start = end + 1;

        Leaf* leafBottom = nullptr;
        if (auto chain = parseLine(line, 1, &leafBottom)) tree.mergeNode(std::move(chain), line.size() % 2 == 0);
        Branch* branchBottom = nullptr;
        auto name = parseName(line, &branchBottom);
        if (name && line.size() % 3 == 0) tree.mergeNode(name->clone(), false);

        SearchTemplate leafTemplate = SearchTemplate::leaf(line);
        SearchTemplate branchTemplate = SearchTemplate::branch(line);
        results.clear();
        leafTemplate.search(tree, results);
        branchTemplate.search(tree, results);
        for (Node* found : results) {
            const Node* bottom = found->isLeaf() ? leafTemplate.bottom() : branchTemplate.bottom();
            auto item = parseLine(line);
            fillWildCardFromTop(item.get(), bottom, found);
            if (item) tree.mergeNode(std::move(item), true);
            break;  // the first match is enough; the tree may have changed
        }
    }
    std::ostringstream out;
    tree.write(out, true);
    return 0;
}
