// The simulated firewall's file system: a local directory that stands for the firewall's "/".
//
// map() turns a firewall path (as it arrives in a request body or request line) into a local path
// under the root, refusing anything that could reach outside it: ".." components, NUL bytes, and
// paths that leave the root through a symbolic link. Files are replaced through the atomic writer
// (a temporary file beside the target, synced, then renamed over it), so a failed transfer never
// leaves a half-written file. A FirewallRoot is immutable after construction: every connection maps
// through the same one at once. A FileReplacement belongs to one connection.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "util/files/atomic_file.h"

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

// Writes a whole file in pieces; the target appears only after commit(). Stored files get mode 0644,
// as a firewall's own files have, unless the caller names another (a copy keeps its original's);
// anything already at the target but a directory is replaced.
class FileReplacement {
public:
    // Creates missing parent directories (inside the root: the caller mapped the path) and the
    // temporary file. False when either fails or the target is a directory.
    bool open(const std::filesystem::path& target, unsigned mode = 0644);
    bool append(const char* data, size_t n) { return file_.append(data, n).ok(); }
    bool commit() { return file_.commit().ok(); }  // renames over the target
    void abandon() { file_.abandon(); }            // also what destroying an uncommitted one does

private:
    files::AtomicFile file_;
};

}  // namespace fwsim
