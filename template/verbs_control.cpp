// Conditional and control verbs: blocks (if_leaf, if_version, end_if), the version, imported files,
// warnings and errors for the administrator, and counting.
//
// A block is the run of script lines after an if_leaf or if_version line up to the end_if that
// brings the processor's conditionalDepth back below the depth the block opened with. A running
// block reads and dispatches its lines itself (nested blocks recurse through the dispatch); a
// skipped block only reads them, counting nested if_leaf and end_if lines. Neither looks at section
// markers or abortRequested: a user_error inside a block takes effect once the block is over.
//
// Nothing a block runs can reach the if_leaf's own search results: the names they matched are
// copied into the scope lists before the first line of the block is run, and the results are
// dropped then.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "conftree/conftree.h"
#include "convert/tree_search.h"
#include "template/template_processor.h"
#include "template/text_util.h"

namespace {

std::string_view textOrEmpty(const char* text) { return text ? std::string_view(text) : std::string_view(); }

// True when path opens (without blocking) as something other than a regular file or a directory: a
// FIFO, a device, a socket. A path that does not open is left to the reader to report.
bool isSpecialFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat status {};
    const bool special = ::fstat(fd, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
    ::close(fd);
    return special;
}

}  // namespace

// The block machinery: the processor's friend, as it moves the processor's conditional depth.
struct BlockRunner {
    static void unexpectedEof(TemplateProcessor& processor, std::string_view verb) {
        processor.logStream_ << verb << " Unexpected EOF while looking for end_if (" << processor.lineNumber_ << ")\n";
        processor.logStream_.flush();
    }

    // Runs the lines of the block opened at depth until an end_if brings the depth below it. False
    // when the script ended first; the depth then drops back to where it was before the block opened.
    static bool runBlock(TemplateProcessor& processor, ConfigTree& tree, std::string_view verb, int depth) {
        // Each level keeps its own line buffer; on the heap, so that deep nesting costs little stack.
        const auto buffer = std::make_unique<ScriptLine>();
        while (processor.conditionalDepth_ >= depth) {
            if (!processor.processNextLine(tree, *buffer)) {
                unexpectedEof(processor, verb);
                processor.conditionalDepth_ = depth - 1;
                return false;
            }
        }
        return true;
    }

    // Reads past the lines of the block opened at depth without running them. Lines that begin (after
    // their leading blanks) with "if_leaf" open a nested block and lines that begin with "end_if"
    // close one; if_version lines are not counted. False when the script ended first.
    static bool skipBlock(TemplateProcessor& processor, std::string_view verb, int depth) {
        const auto buffer = std::make_unique<ScriptLine>();
        while (processor.conditionalDepth_ >= depth) {
            if (!processor.readScriptLine(*buffer)) {
                unexpectedEof(processor, verb);
                processor.conditionalDepth_ = depth - 1;
                return false;
            }
            const char* line = buffer->data();
            while (*line != '\0' && isBlankChar(*line)) ++line;
            if (std::strncmp(line, "if_leaf", 7) == 0) {
                ++processor.conditionalDepth_;
            } else if (std::strncmp(line, "end_if", 6) == 0) {
                --processor.conditionalDepth_;
            }
        }
        return true;
    }

    // Opens a block at the next depth and runs it or skips it. A block nested past kMaxBlockDepth is
    // skipped with a fault: running blocks recurse once per level (the dispatch of the inner opening
    // line runs inside the outer block), and a runaway script must not exhaust the stack. The result
    // is the verb's: 1, or 0 when the script ended inside the block.
    template <typename RunFn>
    static int openBlock(TemplateProcessor& processor, std::string_view verb, std::string_view subject, bool run,
                         RunFn&& runIt) {
        const int depth = ++processor.conditionalDepth_;
        if (run && depth > kMaxBlockDepth) {
            processor.logFault(verb, ": Blocks nested too deeply (", subject);
            skipBlock(processor, verb, depth);
            return 0;
        }
        if (run) return runIt(depth) ? 1 : 0;
        return skipBlock(processor, verb, depth) ? 1 : 0;
    }
};

namespace {

// Pushes the names an if_leaf matched for its block and pops them when the block is over.
class ScopeGuard {
public:
    ScopeGuard(NameList starNames, NameList hashNames) {
        starScopes().push_back(std::move(starNames));
        hashScopes().push_back(std::move(hashNames));
    }
    ~ScopeGuard() {
        starScopes().pop_back();
        hashScopes().pop_back();
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
};

// Walks a template chain from its top down its first children: the name components, top to leaf.
template <typename Fn>
void forEachComponent(const Node* top, Fn&& fn) {
    for (const Node* node = top; node != nullptr;) {
        fn(*node);
        const Branch* branch = node->asBranch();
        node = (branch != nullptr) ? branch->children().front() : nullptr;
    }
}

// The value scan of set_version: the first digit-dot-digit group that starts a blank-separated word
// (after any further digits in front of it), or the letter of the fault ('a': no blank left to move
// past, 'b': nothing after the last blank).
struct VersionScan {
    std::string version;
    char fault = 0;
};

VersionScan scanVersion(std::string text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (;;) {
        if (!text.empty() && digit(text[0])) {
            if (text.size() >= 3 && text[1] == '.' && digit(text[2])) return {text.substr(0, 3), 0};
            text.erase(0, 1);
            continue;
        }
        const std::size_t blank = text.find(' ');
        if (blank == std::string::npos) return {std::string(), 'a'};
        text.erase(0, blank + 1);
        if (text.empty()) return {std::string(), 'b'};
    }
}

}  // namespace

int TemplateProcessor::end_if(ConfigTree&, char*) {
    if (conditionalDepth_ > 0) {
        --conditionalDepth_;
        return 1;
    }
    logStream_ << "end_if: Attempting end_if with no if_leaf pending (" << lineNumber_ << ")\n";
    logStream_.flush();
    return 0;
}

int TemplateProcessor::if_leaf(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "if_leaf";
    if (text == nullptr) {
        logFault(kVerb, ": Could not find template (", "");
        return 0;
    }
    const std::string templateText(text);
    std::optional<SearchTemplate> pattern = SearchTemplate::leaf(templateText);
    if (!pattern->valid()) {
        logFault(kVerb, ": Unable to parse search template (", templateText);
        return 0;
    }
    int stars = 0;
    int hashes = 0;
    forEachComponent(pattern->top(), [&](const Node& component) {
        if (component.name() == "**") ++stars;
        if (component.name() == "##") ++hashes;
    });
    if (stars > 1 || hashes > 1) {
        logFault(kVerb, ": Too many wildcards in search template (", templateText);
        return 0;
    }

    NodeList matches;
    const bool found = pattern->search(tree, matches);
    NameList starNames;
    NameList hashNames;
    if (found && (stars > 0 || hashes > 0)) {
        for (const Node* match : matches) {
            const Node* component = pattern->bottom();
            for (const Node* node = match; component != nullptr && node != nullptr;
                 component = component->parent(), node = node->parent()) {
                if (component->name() == "##")
                    hashNames.push_back(node->name());
                else if (component->name() == "**")
                    starNames.push_back(node->name());
            }
        }
    }
    // The block may change the tree at will: neither the results nor the template outlive this.
    matches.clear();
    pattern.reset();
    if (!found) logFault(kVerb, ": Search returned no data (", templateText);

    return BlockRunner::openBlock(*this, kVerb, templateText, found, [&](int depth) {
        const ScopeGuard scopes(std::move(starNames), std::move(hashNames));
        return BlockRunner::runBlock(*this, tree, kVerb, depth);
    });
}

int TemplateProcessor::if_version(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "if_version";
    if (text == nullptr) {
        logFault(kVerb, ": Could not find version string (", "");
        return 0;
    }
    const std::string wanted(text);
    const bool run = version_.has_value() && *version_ == wanted;
    if (version_.has_value() && !run) {
        logFault(kVerb, ": Version does not match (", *version_);
    } else if (!version_.has_value()) {
        logStream_ << kVerb << ": Version has not been set (" << lineNumber_ << ")\n";
        logStream_.flush();
    }
    return BlockRunner::openBlock(*this, kVerb, wanted, run,
                                  [&](int depth) { return BlockRunner::runBlock(*this, tree, kVerb, depth); });
}

int TemplateProcessor::set_version(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "set_version";
    if (text == nullptr) {
        logFault(kVerb, ": Could not find version template (", "");
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, text, ": Unable to parse source template (",
                                   ": Search returned no data (");
    if (!search.matched) return search.verdict;
    const Leaf* first = search.found.front()->asLeaf();
    version_.reset();
    const VersionScan scan = scanVersion(first != nullptr ? first->value() : std::string());
    if (scan.fault != 0) {
        logStream_ << kVerb << ": Can't find version information (" << lineNumber_ << scan.fault << "): " << text
                   << '\n';
        logStream_.flush();
        return 0;
    }
    version_ = scan.version;
    return 1;
}

int TemplateProcessor::import_file(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "import_file";
    const std::string whole(textOrEmpty(text));
    char* fileName = nullptr;
    char* ignored = nullptr;
    if (!splitVerb(text, fileName, ignored)) {
        logFault(kVerb, ": Could not find filename (", whole);
        return 0;
    }
    const std::string path = workingDirectory + fileName;
    // Only a regular file is read: a FIFO or a device would block the run or never end.
    if (isSpecialFile(path)) {
        logStream_ << kVerb << ": Not a regular file: " << path << '\n';
        logStream_.flush();
        return 1;
    }
    // A new tree makes its stream the process-wide tree log; the imported tree is gone when this
    // returns, so the log goes back to whoever had it.
    std::ostream& previousTreeLog = treeLog();
    int loaded = 0;
    {
        ConfigTree imported(logStream_);
        loaded = imported.load(path);
        if (loaded == 0) tree.absorb(imported);
    }
    setTreeLog(previousTreeLog);
    if (loaded != 0) {
        logStream_ << kVerb << ": File not found: " << path << '\n';
        logStream_.flush();
    }
    return 1;
}

int TemplateProcessor::user_warning(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "user_warning";
    const std::string whole(textOrEmpty(text));
    char* templateText = nullptr;
    char* message = nullptr;
    if (!splitVerb(text, templateText, message) || message == nullptr) {
        logFault(kVerb, ": Could not find source template or message (", whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, templateText,
                                   ": Unable to parse source template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    const auto issue = [this](std::string_view warning) {
        logFault(kVerb, ": Issued warning (", warning);
        warningsStream_ << warning << "\n\n";
        warningsStream_.flush();
    };
    const std::string messageText(message);
    const std::size_t marker = messageText.find("$$");
    if (marker == std::string::npos) {
        issue(messageText);
    } else {
        for (const Node* match : search.found) {
            const Leaf* leaf = match->asLeaf();
            std::string warning = messageText;
            warning.replace(marker, 2, leaf != nullptr ? leaf->value() : std::string());
            issue(warning);
        }
    }
    return 0;
}

int TemplateProcessor::user_error(ConfigTree&, char* text) {
    static constexpr std::string_view kRule = "===============================================";
    const std::string message(textOrEmpty(text));
    logLine(std::string("user_error").append(kRule));
    logFault("user_error", ": Issued error (", message);
    logLine(std::string("user_error").append(kRule));
    requestAbort(message);
    return 0;
}

int TemplateProcessor::count(ConfigTree& tree, char* text) {
    static constexpr std::string_view kVerb = "count";
    const std::string whole(textOrEmpty(text));
    char* templateText = nullptr;
    char* itemText = nullptr;
    if (!splitVerb(text, templateText, itemText) || itemText == nullptr) {
        logFault(kVerb, ": Could not find objects (", whole);
        return 0;
    }
    TreeSearch search = searchTree(*this, tree, kVerb, TemplateKind::Leaf, templateText,
                                   ": Unable to parse search template (", ": Search returned no data (");
    if (!search.matched) return search.verdict;
    Leaf* itemLeaf = nullptr;
    std::unique_ptr<Node> item = parseLine(itemText, 0, &itemLeaf);
    if (item == nullptr || itemLeaf == nullptr) {
        logStream_ << kVerb << ": Unable to parse add item: " << itemText << '\n';
        logStream_.flush();
        return 0;
    }
    itemLeaf->setValue(std::to_string(search.found.size()));
    fillWildCardFromTop(item.get(), search.pattern.bottom(), search.found.front());
    tree.mergeNode(std::move(item), true);
    return 1;
}
