// Finding the template script.
#include "cli/template_lookup.h"

#include <filesystem>
#include <system_error>

#include "upgrade/file_names.h"

namespace fs = std::filesystem;

namespace cli {

std::optional<std::string> findTemplate(const std::string& given, std::string* problem) {
    if (!given.empty()) return given;
    std::error_code ec;
    if (fs::is_regular_file(kTemplateName, ec)) return std::string(kTemplateName);
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = program.parent_path() / kTemplateName;
        if (fs::is_regular_file(beside, ec)) return beside.string();
    }
    if (problem != nullptr)
        *problem = std::string("cannot find the template script ") + kTemplateName +
                   " in the current directory or beside the program; give --template";
    return std::nullopt;
}

}  // namespace cli
