// Whole-file reads and writes for tests, in binary mode (no line-end translation).
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Replaces the file's content, creating the directories above it; false when it cannot be written.
bool writeFile(const std::filesystem::path& path, const std::string& content);

}  // namespace testsupport
