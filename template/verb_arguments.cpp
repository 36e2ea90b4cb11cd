// Argument cutting and node naming for the tree-editing verbs.
#include "template/verb_arguments.h"

#include <sstream>
#include <vector>

#include "conftree/branch.h"
#include "template/template_processor.h"
#include "template/text_util.h"

VerbArguments splitArguments(const char* text) {
    VerbArguments result;
    if (text == nullptr) return result;
    result.whole = text;
    // splitVerb works in place; cut a copy so that whole stays as given.
    std::vector<char> buffer(result.whole.begin(), result.whole.end());
    buffer.push_back('\0');
    char* first = nullptr;
    char* rest = nullptr;
    if (!TemplateProcessor::splitVerb(buffer.data(), first, rest)) return result;
    if (first != nullptr) result.first = std::string(first);
    if (rest != nullptr) result.rest = std::string(rest);
    return result;
}

std::string fullNodeName(const Node& node) {
    std::vector<const Node*> chain;
    for (const Node* up = &node; up != nullptr && up->parent() != nullptr; up = up->parent()) chain.push_back(up);
    std::string name;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) name += '_';
        name += (*it)->name();
    }
    return name;
}

std::string branchPathText(const Branch& branch) {
    std::ostringstream path;
    branch.writePath(path, false);
    return path.str();
}

std::string trimmedText(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlankChar(text[begin])) ++begin;
    while (end > begin && isBlankChar(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool usableAsSettingName(const std::string& text) { return text.find_first_of("=\n\r") == std::string::npos; }
