// SHA-256 digests of files and texts, and Base64, for the report and the records of a run. The one
// place outside the client library that uses libcrypto.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace files {

// Lower-case hex SHA-256 of text.
std::string sha256Hex(std::string_view text);

// Lower-case hex SHA-256 of the file's bytes, read in blocks; none when it cannot be opened or read.
std::optional<std::string> sha256OfFile(const std::string& path);

// Standard Base64 (with padding, no line breaks).
std::string base64(std::string_view bytes);

}  // namespace files
