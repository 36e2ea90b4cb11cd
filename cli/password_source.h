// Where upgrade-cli takes a firewall's password from, in this order: the first line of the file given
// with --password-file, an environment variable, or a question on the terminal with echo off (only
// when standard input is a terminal). A password never comes from the command line, where every user
// of the machine could read it.
//
// The password goes into the caller's string (a FirewallLogin's, which wipes it); every buffer of this
// unit that held it is wiped, and so is the environment variable's value, which is then removed from
// the environment. Used on the command's main thread, before the workflow's threads start.
#pragma once

#include <string>

namespace cli {

struct PasswordRequest {
    std::string file;      // --password-file; empty: none given
    const char* variable;  // the environment variable to look at
    std::string prompt;    // the question asked on a terminal
    int interruptFd = -1;  // the question gives up when this becomes readable
};

enum class PasswordResult {
    Read,         // password holds it
    Unavailable,  // no file, no variable and no terminal to ask on
    Unreadable,   // the file cannot be used, or the line typed is too long (*problem says why)
    Interrupted,  // a stop signal came while the question waited
};

// The longest password taken, in bytes.
inline constexpr std::size_t kMaxPasswordLength = 4096;

PasswordResult obtainPassword(const PasswordRequest& request, std::string& password, std::string* problem);

}  // namespace cli
