// The script checker's walk over a script: the lines as the reader reads them, the item lists of
// add_to_branch, the dispatch of verb lines to the argument, block and section checks.
#include "template/script_lint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

#include "conftree/node.h"
#include "conftree/parse.h"
#include "conftree/tree_state.h"
#include "template/lint_arguments.h"
#include "template/lint_blocks.h"
#include "template/lint_sections.h"
#include "template/name_suggestion.h"
#include "template/script_text_lines.h"
#include "template/template_processor.h"
#include "template/text_util.h"
#include "template/verb_arguments.h"
#include "template/verb_table.h"

namespace {

// The tree parsers report a setting text without '=' to the process-wide tree log; a check must
// not write there. Quiet from construction to destruction, then the previous stream again.
class QuietTreeLog {
public:
    QuietTreeLog() : previous_(treeLog()), quiet_(&discard_) { setTreeLog(quiet_); }
    ~QuietTreeLog() { setTreeLog(previous_); }
    QuietTreeLog(const QuietTreeLog&) = delete;
    QuietTreeLog& operator=(const QuietTreeLog&) = delete;

private:
    class Discard : public std::streambuf {
    protected:
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    std::ostream& previous_;
    Discard discard_;
    std::ostream quiet_;
};

std::string inQuotes(std::string_view text) { return "'" + std::string(text) + "'"; }

// A line cut as the dispatch cuts it: the verb and the argument text, both pointing into a copy.
struct CutLine {
    std::vector<char> buffer;
    char* verb = nullptr;
    char* rest = nullptr;
};

CutLine cutLine(const std::string& text) {
    CutLine cut;
    cut.buffer.assign(text.begin(), text.end());
    cut.buffer.push_back('\0');
    TemplateProcessor::splitVerb(cut.buffer.data(), cut.verb, cut.rest);
    return cut;
}

class ScriptWalk {
public:
    explicit ScriptWalk(const std::string& scriptDirectory) : directory_(scriptDirectory) {}

    std::vector<LintFinding> run(std::string_view text) {
        for (const ScriptTextLine& line : cutScriptLines(text)) {
            if (line.overLong) {
                findings_.error(line.number, "the line is longer than " + std::to_string(kScriptLineMax) +
                                                 " characters: the run stops reading the script here and fails");
                break;
            }
            if (line.heldNul) {
                findings_.warning(line.number, "the line holds a NUL byte: the run ignores the rest of the line");
            }
            blocks_.readLine(line.number, line.text);
            if (itemListOf_ != 0) {
                itemLine(line);
                continue;
            }
            // Comments and lines of fewer than two characters are read but never dispatched.
            if (line.text.size() < 2 || line.text[0] == '#') continue;
            verbLine(line);
        }
        blocks_.finish();
        sections_.finish();
        std::vector<LintFinding> found = findings_.take();
        std::stable_sort(found.begin(), found.end(),
                         [](const LintFinding& a, const LintFinding& b) { return a.line < b.line; });
        return found;
    }

private:
    void verbLine(const ScriptTextLine& line) {
        const int number = line.number;
        const CutLine cut = cutLine(line.text);
        if (cut.verb == nullptr) return;
        const std::string_view verb(cut.verb);
        if (const std::optional<SectionMarker> marker = sectionMarkerOf(verb)) {
            markerLine(number, *marker, isBlankChar(line.text[0]), cut.rest != nullptr);
            return;
        }
        const VerbRow* row = findVerb(cut.verb);
        blocks_.dispatchedLine(number, row != nullptr && std::string_view(row->name) == "user_error");
        sections_.verbLine();
        if (row == nullptr) {
            unknownVerb(number, verb);
            return;
        }
        const ArgumentContext context{number, blocks_.scope(), directory_};
        const LineFacts facts = checkVerbArguments(*row, cut.rest, context, findings_);
        const std::string_view name(row->name);
        if (name == "if_leaf") {
            blocks_.openIfLeaf(number, facts);
        } else if (name == "if_version") {
            blocks_.openIfVersion(number, cut.rest != nullptr ? cut.rest : "", cut.rest != nullptr, facts);
        } else if (name == "end_if") {
            blocks_.endIf(number);
        } else if (name == "set_version") {
            blocks_.setVersion();
        } else if (facts.itemLinesFollow) {
            itemListOf_ = number;
        }
    }

    void markerLine(int number, SectionMarker marker, bool indented, bool trailingText) {
        const std::string text = sectionMarkerText(marker);
        if (marker != SectionMarker::Preprocess) {
            if (indented) {
                findings_.error(number, text + " has white space before it, so it ends no section: a marker must "
                                               "begin the line");
            }
            blocks_.sectionMarker(number, text);
        }
        if (trailingText) findings_.warning(number, "the text after " + text + " is ignored");
        sections_.marker(number, marker);
    }

    void unknownVerb(int number, std::string_view verb) {
        if (verb.empty()) {
            findings_.error(number, "the line does not begin with a verb (a control character or a byte above 127 "
                                    "comes first): the run skips it as an unknown verb");
            return;
        }
        if (verb[0] == '#') {
            findings_.error(number, "'#' after white space does not begin a comment: the run skips the line as the "
                                    "unknown verb " +
                                        inQuotes(verb) + " (a comment begins in the first column)");
            return;
        }
        std::vector<std::string_view> names;
        for (const VerbRow& known : verbTable()) names.push_back(known.name);
        names.push_back(sectionMarkerText(SectionMarker::MergeTree1));
        names.push_back(sectionMarkerText(SectionMarker::MergeTree2));
        const std::string_view closest = closestName(verb, names);
        findings_.error(number,
                        "unknown verb " + inQuotes(verb) +
                            (closest.empty() ? std::string() : " (did you mean " + std::string(closest) + "?)") +
                            ": the run skips the line");
    }

    // A line of the item list of the add_to_branch of line itemListOf_: read as an item, never
    // dispatched, up to the first empty line.
    void itemLine(const ScriptTextLine& line) {
        static constexpr const char* kItemFailure =
            ": when its template matches, the add_to_branch adds nothing and the lines after this one run as script "
            "lines";
        const std::string item = trimmedText(line.text);
        if (item.empty()) {
            itemListOf_ = 0;
            return;
        }
        const int number = line.number;
        const std::string owner = "the item list of the add_to_branch of line " + std::to_string(itemListOf_);
        const CutLine cut = cutLine(item);
        const std::optional<SectionMarker> marker =
            cut.verb != nullptr ? sectionMarkerOf(cut.verb) : std::optional<SectionMarker>();
        if (marker) {
            findings_.error(number, std::string(sectionMarkerText(*marker)) + " is read as an item of " + owner +
                                        ", so it ends no section: end the list with an empty line");
            sections_.marker(number, *marker);
            return;
        }
        if (item[0] == '#') {
            findings_.error(number,
                            "a comment inside " + owner + " is read as an item, which does not parse" + kItemFailure);
            return;
        }
        if (!parseLine(item, 0)) {
            findings_.error(number, "the item " + inQuotes(item) + " in " + owner +
                                        " cannot be parsed (it needs NAME=VALUE)" + kItemFailure);
            return;
        }
        if (cut.rest != nullptr && findVerb(cut.verb) != nullptr) {
            findings_.warning(number, inQuotes(item) + " looks like a verb line but is read as an item of " + owner +
                                          ": end the list with an empty line");
        }
    }

    std::string directory_;
    LintFindings findings_;
    BlockChecks blocks_{findings_};
    SectionChecks sections_{findings_};
    int itemListOf_ = 0;  // the add_to_branch line whose item list is being read; 0: none
};

// The file's bytes, or why they cannot be read. Only a regular file is read; it is opened without
// blocking so that a FIFO nobody writes is refused rather than waited on.
bool readScriptFile(const std::string& path, std::string& text, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    if (!ok) {
        why = std::strerror(errno);
    } else if (S_ISDIR(status.st_mode)) {
        why = "it is a directory";
        ok = false;
    } else if (!S_ISREG(status.st_mode)) {
        why = "it is not a regular file";
        ok = false;
    }
    char chunk[65536];
    while (ok) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            why = std::strerror(errno);
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace

std::vector<LintFinding> lintScript(std::string_view text, const std::string& scriptDirectory) {
    const QuietTreeLog quiet;
    return ScriptWalk(scriptDirectory).run(text);
}

std::vector<LintFinding> lintScriptFile(const std::string& path) {
    std::string text;
    std::string why;
    if (!readScriptFile(path, text, why)) {
        return {LintFinding{0, LintSeverity::Error, "cannot read the script " + path + ": " + why}};
    }
    std::string directory = std::filesystem::path(path).parent_path().string();
    if (directory.empty()) directory = ".";
    if (directory.back() != '/') directory += '/';
    return lintScript(text, directory);
}

bool hasErrors(const std::vector<LintFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const LintFinding& finding) { return finding.severity == LintSeverity::Error; });
}
