// What the end-to-end tests of `upgrade-cli convert` run: the program just built and the sample
// configurations and script of data/.
#pragma once

#include <string>

namespace convertinputs {

inline const std::string kSource = PROJECT_SOURCE_DIR;
inline const std::string kProgram = std::string(PROJECT_BINARY_DIR) + "/cli/upgrade-cli";
inline const std::string kOld = kSource + "/data/samples/branch-5x.conf";
inline const std::string kInit = kSource + "/data/samples/init-60.conf";
inline const std::string kReaddressed = kSource + "/data/samples/init-60-readdressed.conf";
inline const std::string kTemplate = kSource + "/data/5xTo60.tpl";

}  // namespace convertinputs
