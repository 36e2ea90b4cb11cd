#include "sim/firewall_root.h"

#include <string>
#include <system_error>

namespace fwsim {

namespace fs = std::filesystem;

FirewallRoot::FirewallRoot(const fs::path& dir) {
    std::error_code ec;
    dir_ = fs::canonical(dir, ec);
    if (ec) dir_ = fs::absolute(dir).lexically_normal();
}

std::optional<fs::path> FirewallRoot::map(std::string_view firewall_path) const {
    if (firewall_path.empty() || firewall_path.find('\0') != std::string_view::npos) return std::nullopt;
    fs::path relative;
    size_t pos = 0;
    while (pos <= firewall_path.size()) {
        size_t end = firewall_path.find('/', pos);
        if (end == std::string_view::npos) end = firewall_path.size();
        std::string_view part = firewall_path.substr(pos, end - pos);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") relative /= std::string(part);
        pos = end + 1;
    }
    if (relative.empty()) return std::nullopt;  // the root itself is no file

    // A symbolic link inside the root must not lead out of it either: resolve what exists.
    fs::path local = dir_ / relative;
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(local, ec);
    if (ec) return std::nullopt;
    auto rel = resolved.lexically_relative(dir_);
    if (rel.empty() || *rel.begin() == "..") return std::nullopt;
    return resolved;
}

bool FileReplacement::open(const fs::path& target, unsigned mode) {
    file_.abandon();
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) return false;
    return file_.open(target.string(), {mode, files::SpecialTarget::Replace}).ok();
}

}  // namespace fwsim
