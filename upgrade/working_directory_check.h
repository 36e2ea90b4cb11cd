// The check made on a working directory before anything is written there (by upgrade-cli for the
// directory it is given, by the workflow for a directory an upgrade resumes from):
// it must be a directory that belongs to the user running the command and that nobody else can
// write, or a link planted there could send what the run writes anywhere. A command that starts a
// new run may have the directory created (owner-only); one that resumes a run needs it to exist.
// Plain function; single-threaded.
#pragma once

#include <string>

enum class MissingDirectory {
    Create,  // make it (and its parents), owner-only
    Refuse,  // a missing directory is a problem
};

// Empty when directory can be used; otherwise what is wrong with it, as a sentence naming it.
std::string prepareWorkingDirectory(const std::string& directory, MissingDirectory missing);
