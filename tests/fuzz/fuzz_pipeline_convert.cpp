// Fuzz target: a whole conversion (preprocessing, merging, interface pairing, postprocessing) of an
// arbitrary old and new configuration. The input is the old configuration's text, a NUL byte, the new
// configuration's text; when there is no NUL byte the new one is empty. The first byte also chooses
// device pairs to apply, as a front end would after asking someone. Nothing may crash, hang or read
// out of bounds, whatever the configurations hold.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "conftree/conftree.h"
#include "convert/interface_pairing.h"
#include "template/template_processor.h"

namespace {

const char* const kScript = "address_convert rule_proxy_##_src=** rule_proxy_##_src=**\n"
                            "[MERGE_TREE1]\n"
                            "delete_branch netobj_list_##\n"
                            "delete_branch rule_proxy_##\n"
                            "[MERGE_TREE2]\n"
                            "delete_branch netobj_list_Outside_element\n"
                            "[POSTPROCESS]\n"
                            "count netobj_list_Outside_element_##_addr=** interfaces_count=0\n";

void loadText(ConfigTree& tree, std::string_view text) {
    long number = 1;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (auto chain = parseLine(line, number)) tree.mergeNode(std::move(chain), false);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
        ++number;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view oldText = input.substr(0, split);
    const std::string_view newText = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    std::ostringstream log;
    std::ostringstream warnings;
    {
        ConfigTree oldTree(log);
        ConfigTree newTree(log);
        loadText(oldTree, oldText);
        loadText(newTree, newText);
        TemplateProcessor processor(log, warnings, std::make_unique<std::istringstream>(kScript), "fuzz.tpl", "./");
        if (processor.runPreprocess(oldTree) && processor.runMerge(oldTree, newTree)) {
            newTree.absorb(oldTree);
            if (processor.interfaceMergeHelpRequired() && size > 0) {
                // Pair every old physical interface with some new one, chosen by the first byte.
                InterfacePairing pairing = processor.interfacePairing();
                const InterfaceList& oldList = pairing.oldInterfaces();
                const InterfaceList& newList = pairing.newInterfaces();
                std::vector<DevicePair> pairs;
                for (int i = 0; i < pairing.physicalCount() && !newList.empty(); ++i) {
                    const std::size_t j = (data[0] + static_cast<std::size_t>(i)) % newList.size();
                    pairs.push_back({oldList[static_cast<std::size_t>(i)].interface, newList[j].interface});
                }
                (void)pairing.applyDevicePairs(pairs);
            }
            processor.runPostprocess(newTree);
            std::ostringstream out;
            newTree.Branch::write(out, true);
        }
    }
    // The scope stacks are process-wide; a run must leave them empty.
    if (!starScopes().empty() || !hashScopes().empty()) __builtin_trap();
    return 0;
}
