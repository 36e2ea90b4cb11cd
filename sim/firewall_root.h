// The simulated firewall's file system: a local directory that stands for the firewall's "/".
//
// map() turns a firewall path (as it arrives in a request body or request line) into a local path
// under the root, refusing anything that could reach outside it: ".." components, NUL bytes, and
// paths that leave the root through a symbolic link. Files are replaced atomically (write to a
// temporary file beside the target, then rename), so a failed transfer never leaves a half-written
// file. Not shared between threads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace fwsim {

class FirewallRoot {
 public:
  explicit FirewallRoot(const std::filesystem::path& dir);

  // Local path for a firewall path, or nothing when the path is refused. A leading '/' is optional.
  std::optional<std::filesystem::path> map(std::string_view firewall_path) const;

  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;  // canonical
};

// Writes a whole file in pieces; the target appears only after commit().
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement();  // removes the temporary file unless committed

  // Creates missing parent directories (inside the root: the caller mapped the path) and the
  // temporary file. False when either fails.
  bool open(const std::filesystem::path& target);
  bool append(const char* data, size_t n);
  bool commit();  // closes and renames over the target
  void abandon();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
};

}  // namespace fwsim
