// The name of a new upgrade's working directory: the old firewall's host text, the date and the time,
// "HOST-dd-Mon-yyyy-HH-MM-SS" with English month abbreviations whatever the locale (for example
// "10.1.1.1-07-Dec-2026-00-12-19"), in local time. A host text is typed by the administrator: a '/'
// in it would make the name a path into another directory, so it becomes '_'.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

std::string workingDirectoryName(std::string_view host, std::time_t when);
