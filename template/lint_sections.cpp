// Section marker order.
#include "template/lint_sections.h"

#include <string>

#include "template/text_util.h"

namespace {

constexpr const char* kMarkers[] = {"[PREPROCESS]", "[MERGE_TREE1]", "[MERGE_TREE2]", "[POSTPROCESS]"};

// Where the lines of each section run; index: the marker that ends the section (3: postprocessing).
constexpr const char* kSectionRuns[] = {
    "in preprocessing on the old tree",
    "while merging, on the old tree",
    "while merging, on the new tree",
    "in postprocessing on the merged tree",
};

}  // namespace

std::optional<SectionMarker> sectionMarkerOf(std::string_view word) {
    for (int i = 0; i < 4; ++i) {
        if (equalsIgnoreCase(word, kMarkers[i])) return static_cast<SectionMarker>(i);
    }
    return std::nullopt;
}

const char* sectionMarkerText(SectionMarker marker) { return kMarkers[static_cast<int>(marker)]; }

void SectionChecks::marker(int number, SectionMarker marker) {
    const std::string text = sectionMarkerText(marker);
    if (marker == SectionMarker::Preprocess) {
        if (preprocessLine_ != 0) {
            findings_.warning(
                number, text + " again (first on line " + std::to_string(preprocessLine_) + "): it has no effect");
        } else if (next_ > 0) {
            findings_.error(number, text + " after " + kMarkers[next_] +
                                        ": it starts nothing; the lines after it run " + kSectionRuns[next_]);
        } else if (verbLines_ > 0) {
            findings_.warning(number, text + " has no effect here: the lines above it run in preprocessing too; "
                                             "put it first");
        }
        if (preprocessLine_ == 0) preprocessLine_ = number;
        return;
    }
    const int index = static_cast<int>(marker) - 1;  // 0 to 2, the section it ends
    if (index == next_) {
        markerLine_[index] = number;
        lastMarker_ = number;
        ++next_;
        return;
    }
    if (index > next_) {
        findings_.error(number, text + " before " + kMarkers[next_ + 1] +
                                    ": the run does not end the section here, so "
                                    "the lines after it run " +
                                    kSectionRuns[next_]);
        // Go on with the sections the script means to have; the markers it skipped are reported here.
        for (int i = next_; i <= index; ++i) {
            if (markerLine_[i] == 0) markerLine_[i] = -1;
        }
        markerLine_[index] = number;
        lastMarker_ = number;
        next_ = index + 1;
        return;
    }
    if (markerLine_[index] > 0) {
        findings_.error(number, text + " again (first on line " + std::to_string(markerLine_[index]) +
                                    "): it ends nothing; the lines after it still run " + kSectionRuns[next_]);
    } else {
        findings_.error(number, text + " out of order, after " + kMarkers[next_] +
                                    ": it ends nothing; the lines after it still run " + kSectionRuns[next_]);
        markerLine_[index] = number;
    }
}

void SectionChecks::finish() {
    if (next_ == 0 || next_ == 3) return;
    std::string missing;
    for (int i = next_; i < 3; ++i) {
        if (!missing.empty()) missing += i == 2 ? " or " : ", ";
        missing += kMarkers[i + 1];
    }
    findings_.warning(lastMarker_, "no " + missing + " after this marker: the rest of the script runs " +
                                       kSectionRuns[next_] + ", and the later sections run no script lines");
}
