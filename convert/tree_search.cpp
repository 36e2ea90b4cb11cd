// Template parsing and searching with the standard fault lines (see tree_search.h).
#include "convert/tree_search.h"

#include "convert/converter_context.h"

namespace {

void logFaults(ConverterContext& context, std::string_view name, std::string_view fault, std::string_view templateText,
               const FaultLines& lines) {
    const std::string_view subject = lines.subject.value_or(templateText);
    for (std::size_t n = 0; n < lines.count; ++n) context.logFault(name, fault, subject);
}

}  // namespace

TreeSearch searchTree(ConverterContext& context, ConfigTree& tree, std::string_view name, TemplateKind kind,
                      std::string_view templateText, std::string_view parseFault, std::string_view emptyFault,
                      const FaultLines& lines) {
    TreeSearch result;
    result.pattern =
        kind == TemplateKind::Leaf ? SearchTemplate::leaf(templateText) : SearchTemplate::branch(templateText);
    if (!result.pattern.valid()) {
        logFaults(context, name, parseFault, templateText, lines);
        result.verdict = 0;
        return result;
    }
    if (!result.pattern.search(tree, result.found)) {
        logFaults(context, name, emptyFault, templateText, lines);
        result.verdict = 1;
        return result;
    }
    result.matched = true;
    return result;
}
