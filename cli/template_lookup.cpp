// Finding the template script.
#include "cli/template_lookup.h"

#include "upgrade/file_names.h"
#include "upgrade/template_location.h"

namespace cli {

std::optional<std::string> findTemplate(const std::string& given, std::string* problem) {
    if (!given.empty()) return given;
    if (std::optional<std::string> found = locateTemplateScript()) return found;
    if (problem != nullptr)
        *problem = std::string("cannot find the template script ") + kTemplateName +
                   " in the current directory or beside the program; give --template";
    return std::nullopt;
}

}  // namespace cli
