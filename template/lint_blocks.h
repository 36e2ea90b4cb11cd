// The script checker's view of if_leaf / if_version / end_if blocks, and of the lines a run can
// never reach.
//
// A run meets a block in one of two ways. When the block runs, its lines are dispatched like any
// others, and the end_if whose dispatch brings the nesting back down ends it ("run view"). When it
// is skipped, its lines are only read: a line that begins (after leading white space) with the
// lower-case text "if_leaf" opens a nested block and one that begins with "end_if" closes one, and
// nothing else counts, if_version lines and upper-case verbs included ("skip view"). The checks
// report blocks that do not balance, blocks still open at a section marker, nesting past
// kMaxBlockDepth, and every block whose two views end it on different lines. They also follow what
// provably never runs: an if_version block whose version can never be set, a block inside an if_leaf
// block whose wildcards leave its template nothing to match, and everything after a user_error that
// no block guards (the run stops there).
//
// The driver (script_lint.cpp) calls readLine for every line the reader reads, then the calls that
// describe a dispatched line. One object per script check; one thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "template/lint_arguments.h"
#include "template/lint_findings.h"

class BlockChecks {
public:
    explicit BlockChecks(LintFindings& findings) : findings_(findings) {}

    // Every line the reader reads (comments, item lines and empty lines too), before the calls below
    // for the same line: the skip view.
    void readLine(int number, std::string_view text);

    // A dispatched line other than a section marker.
    void dispatchedLine(int number, bool isUserError);

    void openIfLeaf(int number, const LineFacts& facts);
    void openIfVersion(int number, const std::string& version, bool hasVersion, const LineFacts& facts);
    void endIf(int number);
    void setVersion();

    // A section marker that would end a section; marker is its text for the message.
    void sectionMarker(int number, std::string_view marker);

    // The innermost if_leaf block around the next line whose template the run accepts; null when none.
    const WildcardScope* scope() const;

    // The end of the script: blocks left open, and blocks whose two views disagree.
    void finish();

private:
    enum class Verb { IfLeaf, IfVersion };

    struct Opener {
        int line;
        Verb verb;
        int skipKey;      // lines beginning "if_leaf" minus those beginning "end_if", up to this line
        int runEnd = 0;   // the end_if line that closes the block when it runs
        int skipEnd = 0;  // the line where skipping the block stops; 0: the end of the script
        bool reportedOpen = false;
    };

    struct OpenBlock {
        std::size_t opener = 0;  // index into openers_
        bool usableScope = false;
        WildcardScope scope;
        std::string version;         // if_version: the text it compares
        bool versionPinned = false;  // if_version: no set_version line since it opened
        bool neverRuns = false;
    };

    void open(int number, Verb verb, OpenBlock block);
    static const char* verbName(Verb verb) { return verb == Verb::IfLeaf ? "if_leaf" : "if_version"; }
    const OpenBlock* firstNeverRunning() const;

    LintFindings& findings_;
    std::vector<Opener> openers_;
    std::vector<OpenBlock> open_;        // the run view's open blocks, innermost last
    std::vector<std::size_t> skipping_;  // openers whose skip has not ended yet, by rising skipKey
    int skipHeight_ = 0;
    bool versionMaySet_ = false;  // a set_version line came before
    int stopLine_ = 0;            // a user_error outside any block: the run stops there
    bool reportedAfterStop_ = false;
};
