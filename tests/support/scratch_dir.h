// A scratch directory for one test: a new directory with a unique name under $TMPDIR (or /tmp),
// removed with everything in it when the object goes. Not copyable; one thread at a time.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class ScratchDir {
public:
    // `prefix` starts the directory's name, so a left-over directory says which test made it.
    explicit ScratchDir(std::string_view prefix = "test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    // The path of `name` inside the directory, as a string.
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace testsupport
