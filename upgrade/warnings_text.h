// The text that shows the warnings of an upgrade to the administrator: where the warnings file is,
// then its lines. The front ends show it at the end of the download and in the summary. Plain
// function, any thread.
#pragma once

#include <string>

// "The following information may also be found in", "the file: PATH", an empty line, then every
// line of the file at path; each line ends with '\n'. A file that cannot be read adds no lines.
std::string warningsText(const std::string& path);
