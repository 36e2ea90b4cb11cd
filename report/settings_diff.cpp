// The initial settings the upgrade changed or removed (see settings_diff.h).
#include "report/settings_diff.h"

#include <unordered_map>
#include <utility>

#include "conftree/branch.h"
#include "conftree/leaf.h"
#include "report/finding_text.h"

namespace {

// A branch of the initial tree being walked: its counterpart in the final tree (null when there is
// none), the name prefix down to it ("" at the root, else ending in '_') and the next child to visit.
struct Frame {
    const Branch* initial;
    const Branch* final;
    std::size_t prefixLength;
    std::size_t next = 0;
};

}  // namespace

void forEachInitialSetting(const Branch& initial, const Branch& final,
                           const std::function<void(const std::string&, const Leaf&, const Leaf*)>& visit) {
    // Depth-first in list order, as the file writer goes, with an explicit stack so that a deep tree
    // cannot exhaust the call stack. name holds the prefix of the innermost frame.
    std::vector<Frame> stack;
    stack.push_back({&initial, &final, 0});
    std::string name;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const ChildList& children = frame.initial->children();
        if (frame.next >= children.size()) {
            stack.pop_back();
            continue;
        }
        const Node* child = children[frame.next++];
        name.resize(frame.prefixLength);
        name += child->name();
        if (const Leaf* leaf = child->asLeaf()) {
            visit(name, *leaf, frame.final != nullptr ? frame.final->findLeaf(leaf->name()) : nullptr);
        } else if (const Branch* branch = child->asBranch()) {
            const Branch* counterpart = frame.final != nullptr ? frame.final->findBranch(branch->name()) : nullptr;
            name += '_';
            stack.push_back({branch, counterpart, name.size()});  // frame is not used past this point
        }
    }
}

std::vector<SettingChange> changedSettings(const Branch& initial, const Branch& final) {
    std::vector<SettingChange> changes;
    forEachInitialSetting(initial, final, [&](const std::string& name, const Leaf& leaf, const Leaf* finalLeaf) {
        if (finalLeaf != nullptr && finalLeaf->value() == leaf.value()) return;
        SettingChange change;
        change.branch = name.substr(0, name.find('_'));
        change.setting = name;
        change.oldValue = leaf.value();
        if (finalLeaf != nullptr) {
            change.newValue = finalLeaf->value();
        } else {
            change.removed = true;
        }
        changes.push_back(std::move(change));
    });
    return changes;
}

std::vector<Finding> settingChangeFindings(const std::vector<SettingChange>& changes) {
    std::vector<Finding> findings;
    std::vector<const std::string*> branches;
    std::unordered_map<std::string, std::size_t> findingOf;
    for (const SettingChange& change : changes) {
        auto [it, added] = findingOf.try_emplace(change.branch, findings.size());
        if (added) {
            findings.push_back(makeFinding(Severity::Info, "new-settings-changed", {}, {}));
            branches.push_back(&change.branch);
        }
        findings[it->second].settings.push_back(change.setting);
    }
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const std::size_t count = findings[i].settings.size();
        findings[i].message = std::to_string(count) + (count == 1 ? " setting" : " settings") +
                              " of the new firewall's initial configuration under '" + *branches[i] + "' " +
                              (count == 1 ? "was" : "were") + " changed or removed.";
    }
    return findings;
}
