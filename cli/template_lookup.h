// Where upgrade-cli finds the template script that converts and merges: the path given on the command
// line, else kTemplateName in the current directory, else beside the program (where the build
// delivers the sample script). Plain function; single-threaded.
#pragma once

#include <optional>
#include <string>

namespace cli {

// The script's path (the one given, as it is, when not empty), or nothing with *problem saying where
// it was looked for.
std::optional<std::string> findTemplate(const std::string& given, std::string* problem);

}  // namespace cli
