// The certificate archive of fwsim's certificate actions: a tar archive (POSIX pax, restricted to
// ustar where names allow) of a directory's regular files and subdirectories, with paths relative to
// that directory, and its safe extraction into the same directory on another firewall.
//
// Packing walks the directory without following links. What is neither a regular file nor a
// directory (a link, a device, a pipe) is left out and reported, so that the caller can list it.
//
// Extracting refuses the archive as a whole, before anything is written, when an entry has an
// absolute path or a ".." component, is a link (symbolic or hard) or anything but a regular file or a
// directory, would land outside the directory (through a link already on the firewall), or would put
// a file where a directory is (or the other way round), on the firewall or within the archive. The
// archive is read through one descriptor for both the check and the extraction, so a file replaced in
// between changes nothing. Each file is written through the atomic writer (whole or not at all) with
// its archived permissions, limited to 0755.
//
// Plain functions; no shared state. Callers keep two of them off the same directory at once.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sim/firewall_root.h"

namespace fwsim {

struct PackedCerts {
    std::vector<std::string> files;     // relative paths of the regular files archived, in archive order
    std::vector<std::string> left_out;  // relative paths of what is neither a file nor a directory
};

// Writes the archive of the local directory `dir` into `out` (opened by the caller, who commits it).
// A missing directory gives an empty archive. False with the reason in error.
bool pack_cert_dir(const std::filesystem::path& dir, FileReplacement& out, PackedCerts& packed, std::string& error);

// Extracts the local archive file into the firewall directory `dir` (a firewall path, mapped through
// `root` entry by entry). `files` receives the number of files written. False with the reason in
// error: then, when the archive was refused or unreadable, nothing was written.
bool unpack_cert_archive(const std::filesystem::path& archive, const FirewallRoot& root, std::string_view dir,
                         size_t& files, std::string& error);

}  // namespace fwsim
