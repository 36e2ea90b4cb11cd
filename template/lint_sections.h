// The script checker's view of the section markers. A conversion runs the script in four sections:
// from the start (an optional "[PREPROCESS]" may open it) up to "[MERGE_TREE1]" in preprocessing
// on the old tree, then up to "[MERGE_TREE2]" on the old tree and up to "[POSTPROCESS]" on the new
// tree while merging, then the rest in postprocessing on the merged tree. Each phase reads up to its
// own marker only, so a marker met early or met again ends nothing, and without a marker the section
// before it runs to the end of the script. A script with no marker at all (or only
// "[PREPROCESS]") is one section and is fine: the whole script runs in preprocessing, as
// `upgrade-cli template` runs any script whole.
//
// Reported: markers out of order or repeated (errors: the lines after them run in another phase
// than the marker says), "[PREPROCESS]" after other lines (a warning: it has no effect), and
// markers missing at the end once the script uses them (a warning). Where a marker line sits (white
// space before it, inside a block or an item list) is the driver's to check. One object per check.
#pragma once

#include <optional>
#include <string_view>

#include "template/lint_findings.h"

enum class SectionMarker { Preprocess, MergeTree1, MergeTree2, Postprocess };

// The marker that a line's first word names (letter case ignored, as the phases compare), or none.
std::optional<SectionMarker> sectionMarkerOf(std::string_view word);
// "[MERGE_TREE1]" and so on.
const char* sectionMarkerText(SectionMarker marker);

class SectionChecks {
public:
    explicit SectionChecks(LintFindings& findings) : findings_(findings) {}

    // A dispatched line that is not a marker.
    void verbLine() { ++verbLines_; }
    // A marker line, wherever it is: the checks follow the sections the script means to have.
    void marker(int number, SectionMarker marker);
    void finish();

private:
    LintFindings& findings_;
    int verbLines_ = 0;
    int preprocessLine_ = 0;  // the first [PREPROCESS]
    int markerLine_[3] = {};  // the first [MERGE_TREE1], [MERGE_TREE2], [POSTPROCESS]
    int next_ = 0;            // the marker that ends the current section (3: none, postprocessing)
    int lastMarker_ = 0;      // the line of the marker that began the current section
};
