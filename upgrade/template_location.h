// Where the template script that converts and merges is found when none is named: kTemplateName in
// the current directory, else beside the program (where the build delivers the sample script). Both
// front ends look the same way. Plain function; any thread.
#pragma once

#include <optional>
#include <string>

// The script's path, or nothing when it is in neither place.
std::optional<std::string> locateTemplateScript();
