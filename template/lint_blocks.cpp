// Block balance, the two ways a run reads a block, and what never runs.
#include "template/lint_blocks.h"

#include "template/template_processor.h"
#include "template/text_util.h"

void BlockChecks::readLine(int number, std::string_view text) {
    // Exactly the skipping loop's test: leading blanks dropped, then a case-sensitive prefix.
    std::size_t at = 0;
    while (at < text.size() && isBlankChar(text[at])) ++at;
    const std::string_view start = text.substr(at);
    if (start.starts_with("if_leaf")) {
        ++skipHeight_;
    } else if (start.starts_with("end_if")) {
        --skipHeight_;
        // Every skip that started at a greater height ends on this line.
        while (!skipping_.empty() && openers_[skipping_.back()].skipKey > skipHeight_) {
            openers_[skipping_.back()].skipEnd = number;
            skipping_.pop_back();
        }
    }
}

void BlockChecks::dispatchedLine(int number, bool isUserError) {
    if (stopLine_ != 0) {
        const std::string stop = std::to_string(stopLine_);
        if (isUserError) {
            findings_.warning(number, "user_error can never run: the user_error of line " + stop + " stops the run");
        } else if (!reportedAfterStop_) {
            findings_.warning(number, "this line and every line after it never run: the user_error of line " + stop +
                                          " stops the run");
        }
        reportedAfterStop_ = true;
        return;
    }
    if (!isUserError) return;
    if (const OpenBlock* never = firstNeverRunning()) {
        const Opener& opener = openers_[never->opener];
        findings_.warning(number, std::string("user_error can never run: the ") + verbName(opener.verb) +
                                      " block of line " + std::to_string(opener.line) + " never runs");
    } else if (open_.empty()) {
        stopLine_ = number;
    }
}

void BlockChecks::openIfLeaf(int number, const LineFacts& facts) {
    OpenBlock block;
    block.usableScope = facts.usableTemplate;
    block.scope = WildcardScope{number, facts.starName, facts.hashName};
    // The argument check has said why when the template finds nothing here.
    block.neverRuns = facts.findsNothing || firstNeverRunning() != nullptr;
    open(number, Verb::IfLeaf, std::move(block));
}

void BlockChecks::openIfVersion(int number, const std::string& version, bool hasVersion, const LineFacts& facts) {
    OpenBlock block;
    block.version = version;
    block.versionPinned = hasVersion;
    if (firstNeverRunning() != nullptr) {
        block.neverRuns = true;
    } else if (hasVersion) {
        std::string why;
        if (!versionMaySet_) {
            why = "no set_version line comes before it, so the version is never set";
        } else if (!facts.versionCanMatch) {
            why = "set_version only sets versions of the form digit.digit (like 5.5)";
        } else {
            for (const OpenBlock& outer : open_) {
                if (outer.versionPinned && outer.version != version) {
                    why = "it is inside the if_version " + outer.version + " block of line " +
                          std::to_string(openers_[outer.opener].line) + " and no set_version comes between";
                    break;
                }
            }
        }
        if (!why.empty()) {
            block.neverRuns = true;
            findings_.warning(number, "this if_version block never runs: " + why);
        }
    }
    open(number, Verb::IfVersion, std::move(block));
}

void BlockChecks::open(int number, Verb verb, OpenBlock block) {
    openers_.push_back(Opener{number, verb, skipHeight_});
    skipping_.push_back(openers_.size() - 1);
    block.opener = openers_.size() - 1;
    open_.push_back(std::move(block));
    if (open_.size() == static_cast<std::size_t>(kMaxBlockDepth) + 1) {
        findings_.error(number, std::string(verbName(verb)) + ": blocks nested more than " +
                                    std::to_string(kMaxBlockDepth) +
                                    " deep are skipped by the run with a fault, whatever their condition");
    }
}

void BlockChecks::endIf(int number) {
    if (open_.empty()) {
        findings_.error(number,
                        "end_if without an open if_leaf or if_version block (the run logs \"Attempting end_if with "
                        "no if_leaf pending\")");
        return;
    }
    openers_[open_.back().opener].runEnd = number;
    open_.pop_back();
}

void BlockChecks::setVersion() {
    versionMaySet_ = true;
    for (OpenBlock& block : open_) block.versionPinned = false;
}

void BlockChecks::sectionMarker(int number, std::string_view marker) {
    if (open_.empty()) return;
    const Opener& innermost = openers_[open_.back().opener];
    findings_.error(number, std::string(marker) + " is inside the " + verbName(innermost.verb) + " block of line " +
                                std::to_string(innermost.line) +
                                ", which has no end_if before it: inside a block a marker ends no section");
    for (const OpenBlock& block : open_) openers_[block.opener].reportedOpen = true;
}

const WildcardScope* BlockChecks::scope() const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if (openers_[it->opener].verb == Verb::IfLeaf && it->usableScope) return &it->scope;
    }
    return nullptr;
}

const BlockChecks::OpenBlock* BlockChecks::firstNeverRunning() const {
    for (const OpenBlock& block : open_) {
        if (block.neverRuns) return &block;
    }
    return nullptr;
}

void BlockChecks::finish() {
    for (const OpenBlock& block : open_) {
        Opener& opener = openers_[block.opener];
        if (opener.reportedOpen) continue;
        findings_.error(opener.line, std::string("this ") + verbName(opener.verb) +
                                         " block has no end_if: the run reaches the end of the script inside it");
    }
    static constexpr const char* kWhy =
        " (while skipping, only lines that begin with lower-case \"if_leaf\" or \"end_if\" count; if_version "
        "lines do not)";
    for (const Opener& opener : openers_) {
        if (opener.runEnd == 0 || opener.skipEnd == opener.runEnd) continue;
        const std::string runEnd = std::to_string(opener.runEnd);
        std::string what;
        if (opener.skipEnd == 0) {
            what = "runs past its end_if of line " + runEnd + " to the end of the script";
        } else if (opener.skipEnd < opener.runEnd) {
            what = "stops at line " + std::to_string(opener.skipEnd) + ", before its end_if of line " + runEnd +
                   ", and runs the lines after that";
        } else {
            what = "runs past its end_if of line " + runEnd + " to line " + std::to_string(opener.skipEnd);
        }
        findings_.error(opener.line, std::string("when this ") + verbName(opener.verb) +
                                         " block is skipped, skipping " + what + kWhy);
    }
}
