// Where the wizard finds the template script that converts and merges: kTemplateName in the current
// directory, else beside the program (where the build delivers the sample script). Window thread,
// after the application object exists.
#pragma once

#include <string>

// The script's path; kTemplateName itself when it is in neither place (the conversion then says that
// the script cannot be read).
std::string findTemplateScript();
