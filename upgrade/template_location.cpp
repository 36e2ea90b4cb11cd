// Finding the template script.
#include "upgrade/template_location.h"

#include <filesystem>
#include <system_error>

#include "upgrade/file_names.h"

namespace fs = std::filesystem;

std::optional<std::string> locateTemplateScript() {
    std::error_code ec;
    if (fs::is_regular_file(kTemplateName, ec)) return std::string(kTemplateName);
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = program.parent_path() / kTemplateName;
        if (fs::is_regular_file(beside, ec)) return beside.string();
    }
    return std::nullopt;
}
