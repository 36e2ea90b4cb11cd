// Fuzz target: the input is setting lines of an old tree, then (after a line "----") of a new tree.
// Every converter of rules and objects reads them in pipeline order and writes into a merged tree.
// Nothing may crash, hang or read out of bounds, and the written rule lists are ordered by old number.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "template/template_processor.h"

namespace {

void fill(ConfigTree& tree, const std::string& text) {
    std::istringstream in(text);
    long number = 0;
    for (std::string line; std::getline(in, line);) {
        if (auto chain = parseLine(line, ++number)) tree.mergeNode(std::move(chain), false);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find("\n----\n");
    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree(log);
    ConfigTree newTree(log);
    fill(oldTree, input.substr(0, split));
    if (split != std::string::npos) fill(newTree, input.substr(split + 6));

    TemplateProcessor processor(log, warnings, std::make_unique<std::istringstream>(""), "fuzz.tpl", "./");
    processor.parseSvcGroups(oldTree);
    processor.parseDestGroups(oldTree);
    processor.convertDestGroups();
    processor.parseOldTreePfRules(oldTree);
    processor.parseProxyRules(oldTree);
    processor.parseNatRules(oldTree);
    processor.parseNewTreePfRules(newTree);

    const std::vector<ProxyRule>& proxyRules = processor.proxyRules();
    for (std::size_t i = 1; i < proxyRules.size(); ++i) {
        if (proxyRules[i - 1].oldNumber > proxyRules[i].oldNumber) std::abort();
    }
    const std::vector<NatRule>& natRules = processor.natRules();
    for (std::size_t i = 1; i < natRules.size(); ++i) {
        if (natRules[i - 1].oldNumber > natRules[i].oldNumber) std::abort();
    }

    ConfigTree merged(log);
    processor.saveNetObjects(merged);
    processor.saveServiceGroups(merged);
    processor.saveDestGroups(merged);
    processor.savePfRules(merged);
    processor.saveProxyRules(merged);
    processor.saveNatRules(merged);
    std::ostringstream out;
    for (const Node* child : merged.children()) child->write(out, true);
    return 0;
}
