// Whether a local file can be sent to a firewall: the check the upload and the rollback make before a
// configuration goes out (the session would answer 200 without sending a file it cannot open).
#pragma once

#include <string>

// Empty when path opens for reading and is a regular file; otherwise why not.
std::string unreadableBecause(const std::string& path);
