#include "sim/firewall_root.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

FileReplacement::~FileReplacement() { abandon(); }

bool FileReplacement::open(const fs::path& target) {
  abandon();
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec) return false;
  if (fs::is_directory(target, ec)) return false;
  target_ = target;
  std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) return false;
  temp_ = pattern;
  return true;
}

bool FileReplacement::append(const char* data, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd_, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool FileReplacement::commit() {
  if (fd_ < 0) return false;
  ::fchmod(fd_, 0644);
  bool ok = ::close(fd_) == 0;
  fd_ = -1;
  if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) ::unlink(temp_.c_str());
  temp_.clear();
  return ok;
}

void FileReplacement::abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace fwsim
