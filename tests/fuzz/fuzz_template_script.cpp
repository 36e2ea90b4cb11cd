// Runs the input as a template script against two small trees, in the four sections of a
// conversion (old tree, old tree, new tree, then the joined tree), and checks that the verbs leave
// no wildcard scope behind. Logs and warnings are discarded; import_file finds no files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "conftree/tree_state.h"
#include "template/template_processor.h"

namespace {

class DiscardBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

const char* const kOldSettings[] = {
    "version=Version 5.5 build 12",
    "hostname=gate",
    "if_1_name=eth0",
    "if_1_addr=10.1.1.1",
    "if_2_name=eth1",
    "if_2_addr=192.168.7.1",
    "rule_proxy_1_action=allow",
    "rule_proxy_1_src=10.1.1.0/24",
    "rule_proxy_1_service=http",
    "rule_proxy_2_action=deny",
    "rule_proxy_2_src=any",
    "rule_proxy_num_rules=2",
    "netobj_list_1_name=all_interfaces",
    "netobj_list_1_members=eth0 eth1",
    "filter_cats=0x1f",
    "empty=",
};

const char* const kNewSettings[] = {
    "system_version=6.0",
    "if_1_name=eth0",
    "if_1_addr=10.9.9.1",
    "rule_pf_fwd_1_action=allow",
};

void fill(ConfigTree& tree, const char* const* lines, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) tree.mergeNode(parseLine(lines[i]), false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DiscardBuffer discard;
    static std::ostream sink(&discard);

    ConfigTree oldTree(sink);
    ConfigTree newTree(sink);
    fill(oldTree, kOldSettings, std::size(kOldSettings));
    fill(newTree, kNewSettings, std::size(kNewSettings));

    auto script = std::make_unique<std::istringstream>(std::string(reinterpret_cast<const char*>(data), size));
    TemplateProcessor processor(sink, sink, std::move(script), "fuzz.tpl", "/nonexistent-fuzz-dir/");
    if (processor.runScriptSection(oldTree, "[MERGE_TREE1]") && processor.runScriptSection(oldTree, "[MERGE_TREE2]") &&
        processor.runScriptSection(newTree, "[POSTPROCESS]")) {
        newTree.absorb(oldTree);
        processor.runScriptSection(newTree, nullptr);
    }
    processor.saveNetObjects(newTree);

    // Every if_leaf block pops what it pushed, whatever the script holds.
    if (!starScopes().empty() || !hashScopes().empty()) std::abort();
    return 0;
}
