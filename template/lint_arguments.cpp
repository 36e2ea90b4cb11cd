// Checking one verb line's arguments against the verb's row of the argument table.
#include "template/lint_arguments.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <system_error>
#include <vector>

#include "conftree/conftree.h"
#include "template/edit_operations.h"
#include "template/name_suggestion.h"
#include "template/text_util.h"
#include "template/verb_arguments.h"
#include "template/verb_grammar.h"
#include "template/verb_table.h"

namespace {

std::string inQuotes(std::string_view text) { return "'" + std::string(text) + "'"; }

bool holdsBlank(std::string_view text) {
    for (char c : text) {
        if (isBlankChar(c)) return true;
    }
    return false;
}

// Why the setting parser refused text; asked only once it has.
std::string settingRefusal(std::string_view text) {
    if (!text.empty() && text[0] == '#') return "it begins with '#'";
    if (text.size() < 2) return "it is shorter than two characters";
    return "it has no '='";
}

// The name components of a parsed chain, top down to and including the leaf's name: what the
// wildcard rules and the marker filling look at.
struct ChainShape {
    std::vector<std::string> names;
    int stars = 0;     // components "**"
    int hashes = 0;    // components "##"
    int prefixes = 0;  // components beginning with "??" (filled from a "##" match)
};

ChainShape shapeOf(const Node* top) {
    ChainShape shape;
    for (const Node* node = top; node != nullptr;) {
        const std::string& name = node->name();
        shape.names.push_back(name);
        if (name == "**") {
            ++shape.stars;
        } else if (name == "##") {
            ++shape.hashes;
        } else if (name.size() >= 2 && name[0] == '?' && name[1] == '?') {
            ++shape.prefixes;
        }
        const Branch* branch = node->asBranch();
        node = branch != nullptr ? branch->children().front() : nullptr;
    }
    return shape;
}

const char* kindWord(ArgumentKind kind) {
    switch (kind) {
    case ArgumentKind::LeafTemplate:
        return "search template";
    case ArgumentKind::BranchTemplate:
    case ArgumentKind::InsertTemplate:
        return "branch template";
    case ArgumentKind::Setting:
        return "setting";
    case ArgumentKind::BranchPath:
    case ArgumentKind::LookupPrefix:
        return "path";
    default:
        return "argument";
    }
}

// The checks of one line: each piece as it is cut, then what needs several pieces.
class LineCheck {
public:
    LineCheck(const VerbRow& row, const ArgumentContext& context, LintFindings& findings)
        : grammar_(verbGrammar(row.code)), verb_(row.name), context_(context), findings_(findings) {}

    LineFacts run(const char* argumentText) {
        std::optional<std::string> remaining;
        if (argumentText != nullptr) remaining = std::string(argumentText);
        std::vector<std::string> insertTemplates;
        bool firstParsed = false;
        bool lastWasWord = false;
        std::size_t index = 0;
        for (const ArgumentSpec& spec : grammar_.arguments) {
            std::optional<std::string> piece;
            if (spec.span == ArgumentSpan::Rest) {
                piece = std::move(remaining);
                remaining.reset();
            } else {
                VerbArguments cut = splitArguments(remaining ? remaining->c_str() : nullptr);
                piece = std::move(cut.first);
                remaining = std::move(cut.rest);
            }
            lastWasWord = spec.span == ArgumentSpan::Word;
            if (!piece) {
                if (spec.required) {
                    error("missing " + std::string(spec.label) + " (usage: " + verbUsage(grammar_) + ")");
                    return facts_;
                }
                break;  // every later piece is optional too
            }
            if (spec.kind == ArgumentKind::InsertTemplate) {
                insertTemplates.push_back(*piece);
            } else {
                const bool parsed = checkPiece(spec, *piece);
                if (index == 0) firstParsed = parsed;
            }
            ++index;
        }
        if (remaining && (lastWasWord || grammar_.arguments.empty())) {
            warning(inQuotes(*remaining) + " is ignored (usage: " + verbUsage(grammar_) + ")");
        }
        if (insertTemplates.size() == 2) checkInsertTemplates(insertTemplates[0], insertTemplates[1]);
        facts_.itemLinesFollow = grammar_.readsItemLines && firstParsed && index == grammar_.arguments.size();
        return facts_;
    }

private:
    void error(std::string text) { findings_.error(context_.line, std::string(verb_) + ": " + std::move(text)); }
    void warning(std::string text) { findings_.warning(context_.line, std::string(verb_) + ": " + std::move(text)); }

    bool isIfLeaf() const { return std::string_view(verb_) == "if_leaf"; }

    // False when the piece is a template, setting or path the run refuses.
    bool checkPiece(const ArgumentSpec& spec, const std::string& text) {
        switch (spec.kind) {
        case ArgumentKind::LeafTemplate:
            return checkLeafTemplate(spec, text);
        case ArgumentKind::BranchTemplate:
        case ArgumentKind::LookupPrefix: {
            const SearchTemplate pattern = SearchTemplate::branch(text);
            if (!pattern.valid()) {
                error("cannot parse the " + std::string(kindWord(spec.kind)) + " " + inQuotes(text) +
                      ": it begins with '#'");
                return false;
            }
            if (spec.span == ArgumentSpan::Rest) blankInName(spec, text, text);
            if (spec.searched) checkScope(shapeOf(pattern.top()), text);
            return true;
        }
        case ArgumentKind::Setting: {
            const std::unique_ptr<Node> item = parseLine(text, 0);
            if (!item) {
                error("cannot parse the " + lowerLabel(spec) + " " + inQuotes(text) + ": " + settingRefusal(text));
                return false;
            }
            if (spec.span == ArgumentSpan::Rest) blankInName(spec, text, text.substr(0, text.find('=')));
            if (spec.fillsMarkers) checkMarkers(spec, shapeOf(item.get()), text);
            return true;
        }
        case ArgumentKind::BranchPath: {
            const std::unique_ptr<Branch> path = parseName(text);
            if (!path) {
                error("cannot parse the " + lowerLabel(spec) + " " + inQuotes(text) + ": it begins with '#'");
                return false;
            }
            if (spec.span == ArgumentSpan::Rest) blankInName(spec, text, text);
            if (spec.fillsMarkers) checkMarkers(spec, shapeOf(path.get()), text);
            return true;
        }
        case ArgumentKind::Name:
            if (!usableAsSettingName(text)) {
                warning("the new name " + inQuotes(text) + " holds '=': the setting would be saved as another one");
            }
            return true;
        case ArgumentKind::Component:
            checkComponent(text);
            return true;
        case ArgumentKind::EditOperation:
            if (!findEditOperation(text)) {
                std::vector<std::string_view> names;
                for (int op = 0; op < kEditOperationCount; ++op) {
                    names.push_back(editOperationName(static_cast<EditOperation>(op)));
                }
                error("unknown operation " + inQuotes(text) + suggestion(closestName(text, names)));
            }
            return true;
        case ArgumentKind::VersionText:
            facts_.versionCanMatch = text.size() == 3 && text[0] >= '0' && text[0] <= '9' && text[1] == '.' &&
                                     text[2] >= '0' && text[2] <= '9';
            return true;
        case ArgumentKind::FileName:
            checkImportedFile(text);
            return true;
        case ArgumentKind::InsertTemplate:
        case ArgumentKind::Text:
            return true;
        }
        return true;
    }

    bool checkLeafTemplate(const ArgumentSpec& spec, const std::string& text) {
        const SearchTemplate pattern = SearchTemplate::leaf(text);
        if (!pattern.valid()) {
            error("cannot parse the search template " + inQuotes(text) + ": " + settingRefusal(text));
            return false;
        }
        const ChainShape shape = shapeOf(pattern.top());
        if (templateShape_.names.empty()) templateShape_ = shape;
        if (spec.span == ArgumentSpan::Rest) blankInName(spec, text, text.substr(0, text.find('=')));
        if (isIfLeaf()) {
            if (shape.stars > 1 || shape.hashes > 1) {
                error("the template " + inQuotes(text) + " has more than one " + (shape.stars > 1 ? "'**'" : "'##'") +
                      " name component: the run refuses it, opens no block and runs the block's lines anyway");
                return false;
            }
            facts_.usableTemplate = true;
            facts_.starName = shape.stars > 0;
            facts_.hashName = shape.hashes > 0;
        }
        if (spec.searched) checkScope(shape, text);
        return true;
    }

    // Inside an if_leaf block, a wildcard name component that the if_leaf's own template lacks
    // matches no name at all.
    void checkScope(const ChainShape& shape, const std::string& text) {
        const WildcardScope* scope = context_.scope;
        if (scope == nullptr) return;
        const char* lacking = nullptr;
        if (shape.stars > 0 && !scope->star) {
            lacking = "'**'";
        } else if (shape.hashes > 0 && !scope->hash) {
            lacking = "'##'";
        }
        if (lacking == nullptr) return;
        facts_.findsNothing = true;
        warning(std::string(lacking) + " in a name of " + inQuotes(text) +
                " matches nothing inside the if_leaf block of line " + std::to_string(scope->line) +
                ", whose template has no " + lacking +
                (isIfLeaf() ? ": this block never runs" : ": the line finds nothing"));
    }

    void checkMarkers(const ArgumentSpec& spec, const ChainShape& shape, const std::string& text) {
        const char* repeated = shape.hashes > 1     ? "'##'"
                               : shape.stars > 1    ? "'**'"
                               : shape.prefixes > 1 ? "'\?\?'"
                                                    : nullptr;
        if (repeated == nullptr) return;
        error("the " + lowerLabel(spec) + " " + inQuotes(text) + " has more than one " + repeated +
              " component: the run cannot fill them and writes it as it is");
    }

    void blankInName(const ArgumentSpec& spec, const std::string& text, std::string_view name) {
        if (!holdsBlank(name)) return;
        warning("the " + std::string(kindWord(spec.kind)) + " " + inQuotes(text) +
                " has white space in a name: the verb reads the rest of the line as one " + kindWord(spec.kind) +
                ", not as several arguments");
    }

    void checkComponent(const std::string& component) {
        for (const std::string& name : templateShape_.names) {
            if (name == component) return;
        }
        if (templateShape_.names.empty()) return;  // the template did not parse: said already
        warning(inQuotes(component) + " is not a component of the template, so nothing is renamed");
    }

    void checkImportedFile(const std::string& name) {
        const std::string path = context_.scriptDirectory + name;
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(path, ec);
        if (!std::filesystem::exists(status)) {
            warning("no file " + inQuotes(name) + " beside the script (" + path +
                    "): the run would import nothing from it");
        } else if (!std::filesystem::is_regular_file(status)) {
            warning(inQuotes(path) + " is not a regular file: the run would import nothing from it");
        }
    }

    void checkInsertTemplates(const std::string& shorterText, const std::string& longerText) {
        SearchTemplate shorter = SearchTemplate::leaf(shorterText);
        SearchTemplate longer;
        if (shorter.valid()) {
            longer = SearchTemplate::leaf(longerText);
            if (!longer.valid()) {
                error(inQuotes(shorterText) + " is a search template for settings but " + inQuotes(longerText) +
                      " is not (" + settingRefusal(longerText) + "): the run refuses the line");
                return;
            }
        } else {
            shorter = SearchTemplate::branch(shorterText);
            longer = SearchTemplate::branch(longerText);
            if (!shorter.valid() || !longer.valid()) {
                error("cannot parse the branch templates " + inQuotes(shorterText) + " and " + inQuotes(longerText) +
                      ": a branch template cannot begin with '#'");
                return;
            }
            if (longerText.find('=') != std::string::npos) {
                warning(inQuotes(shorterText) + " is a branch template but " + inQuotes(longerText) +
                        " holds '=': both must be setting templates or both branch templates");
            }
        }
        const ChainShape shortShape = shapeOf(shorter.top());
        const ChainShape longShape = shapeOf(longer.top());
        if (longShape.names.size() != shortShape.names.size() + 1) {
            warning(inQuotes(longerText) + " should be " + inQuotes(shorterText) + " with one more component (it has " +
                    std::to_string(longShape.names.size()) + ", against " + std::to_string(shortShape.names.size()) +
                    ")");
        }
        checkScope(shortShape, shorterText);
    }

    static std::string suggestion(std::string_view name) {
        return name.empty() ? std::string() : " (did you mean " + std::string(name) + "?)";
    }

    // "ITEM" -> "item", "DESTINATION_PATH" -> "destination path".
    static std::string lowerLabel(const ArgumentSpec& spec) {
        std::string text = spec.label;
        for (char& c : text) c = c == '_' ? ' ' : asciiLower(c);
        return text;
    }

    const VerbGrammar& grammar_;
    const char* verb_;
    const ArgumentContext& context_;
    LintFindings& findings_;
    LineFacts facts_;
    ChainShape templateShape_;  // the line's first search template that parsed
};

}  // namespace

LineFacts checkVerbArguments(const VerbRow& row, const char* argumentText, const ArgumentContext& context,
                             LintFindings& findings) {
    return LineCheck(row, context, findings).run(argumentText);
}
