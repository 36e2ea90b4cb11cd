// Template parsing and searching with the verbs' standard fault lines.
#include "template/verb_search.h"

#include "template/template_processor.h"

VerbSearch searchForVerb(TemplateProcessor& processor, ConfigTree& tree, std::string_view verb,
                         TemplateKind kind, std::string_view templateText, std::string_view parseFault,
                         std::string_view emptyFault) {
    VerbSearch result;
    result.pattern =
        kind == TemplateKind::Leaf ? SearchTemplate::leaf(templateText) : SearchTemplate::branch(templateText);
    if (!result.pattern.valid()) {
        processor.logFault(verb, parseFault, templateText);
        result.verdict = 0;
        return result;
    }
    if (!result.pattern.search(tree, result.found)) {
        processor.logFault(verb, emptyFault, templateText);
        result.verdict = 1;
        return result;
    }
    result.matched = true;
    return result;
}
