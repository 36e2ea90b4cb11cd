// The checks upgrade-cli makes on the paths it is given before it opens any output: an input must be
// a regular file (opened without blocking, so a FIFO or a device is refused rather than waited on),
// and no output may be one of the inputs (compared by device and inode after following links, so a
// link or a second name is caught too). Single-threaded; plain values.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace cli {

// Which file a path names: its device and inode.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId&) const = default;
};

// An input checked: the file it is, or why it cannot be read ("it is a directory", "not a regular
// file", or the system's text such as "No such file or directory").
struct InputCheck {
    std::optional<FileId> id;
    std::string problem;
};

// Opens path for reading without blocking and looks at what it is: a regular file passes.
InputCheck checkInput(const std::string& path);

// The file path names (following links), or nothing when there is none yet; regular, when given,
// tells whether it is a regular file.
std::optional<FileId> existingFile(const std::string& path, bool* regular = nullptr);

}  // namespace cli
