// The new firewall's initial settings against the final configuration: which of them the upgrade
// changed or removed.
//
// The initial configuration is walked once, in the file writer's order, and each of its settings is
// looked up in the final tree by name (one lookup per name component, answered by the children
// lists' name indexes), so the cost follows the size of the initial configuration, not of the final.
//
// Ownership: the trees are the caller's and are only read. Threads: one thread at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "report/upgrade_report.h"

class Branch;
class Leaf;

// Calls visit for every setting of initial with its full name ("system_hostname"), its leaf, and
// the final tree's leaf of the same name (null when the final tree has none).
void forEachInitialSetting(const Branch& initial, const Branch& final,
                           const std::function<void(const std::string& name, const Leaf& initialLeaf,
                                                    const Leaf* finalLeaf)>& visit);

// Every setting of initial that final holds with another value or not at all, in initial's order.
std::vector<SettingChange> changedSettings(const Branch& initial, const Branch& final);

// One info finding (new-settings-changed) per first name component, in order of first appearance:
// how many settings under it were changed or removed, and which.
std::vector<Finding> settingChangeFindings(const std::vector<SettingChange>& changes);
