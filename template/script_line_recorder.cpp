// Recording what each script line did (see script_line_recorder.h).
#include "template/script_line_recorder.h"

#include <algorithm>
#include <string>

#include "template/template_processor.h"
#include "template/text_util.h"

namespace {

constexpr std::string_view kSectionMarkers[] = {"[PREPROCESS]", "[MERGE_TREE1]", "[MERGE_TREE2]", "[POSTPROCESS]"};

TreeEditCounts difference(const TreeEditCounts& after, const TreeEditCounts& before) {
    return {after.leavesIn - before.leavesIn, after.leavesOut - before.leavesOut,
            after.valueChanges - before.valueChanges, after.leavesRenamed - before.leavesRenamed,
            after.searchMatches - before.searchMatches};
}

void add(TreeEditCounts& sum, const TreeEditCounts& part) {
    sum.leavesIn += part.leavesIn;
    sum.leavesOut += part.leavesOut;
    sum.valueChanges += part.valueChanges;
    sum.leavesRenamed += part.leavesRenamed;
    sum.searchMatches += part.searchMatches;
}

}  // namespace

std::string_view ScriptLineRecorder::sectionMarker(std::string_view verb) {
    for (std::string_view marker : kSectionMarkers) {
        if (equalsIgnoreCase(verb, marker)) return marker;
    }
    return {};
}

ScriptLineRecorder::ScriptLineRecorder(TemplateProcessor& processor, const Branch& tree, std::string_view verb,
                                       const char* arguments, bool known)
    : processor_(processor), index_(processor.scriptLines_.size()) {
    const std::string_view marker = arguments == nullptr ? sectionMarker(verb) : std::string_view();
    if (!marker.empty()) processor.section_ = marker;
    ScriptLineRecord record;
    record.line = processor.lineNumber();
    record.section = processor.section_;
    record.verb = verb;
    if (arguments != nullptr) record.arguments = arguments;
    // A section marker is read by the phases, which end a section at it, though the verb table
    // knows only two of them.
    record.known = known || !marker.empty();
    processor.scriptLines_.push_back(std::move(record));
    processor.innerLineEdits_.emplace_back();
    watchedBefore_ = watchTreeEdits(&tree);
    before_ = treeEditCounts();
}

ScriptLineRecorder::~ScriptLineRecorder() {
    const TreeEditCounts total = difference(treeEditCounts(), before_);
    watchTreeEdits(watchedBefore_);
    const TreeEditCounts own = difference(total, processor_.innerLineEdits_.back());
    processor_.innerLineEdits_.pop_back();
    if (!processor_.innerLineEdits_.empty()) add(processor_.innerLineEdits_.back(), total);

    // A leaf that left the tree and one that entered it on the same line are one setting moved or
    // renamed: one change, not a removal and an addition.
    const long moved = std::max(0L, std::min(own.leavesIn, own.leavesOut));
    ScriptLineRecord& record = processor_.scriptLines_[index_];
    record.matches = own.searchMatches;
    record.added = std::max(0L, own.leavesIn - moved);
    record.removed = std::max(0L, own.leavesOut - moved);
    record.changed = own.valueChanges + own.leavesRenamed + moved;
}
