// Checking (and making) a working directory.
#include "upgrade/working_directory_check.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string prepareWorkingDirectory(const std::string& directory, MissingDirectory missing) {
    const bool create = missing == MissingDirectory::Create;
    const std::string cannot = std::string(create ? "cannot create" : "cannot use") + " the working directory ";
    std::error_code ec;
    struct stat status {};
    if (create && ::stat(directory.c_str(), &status) != 0 && errno == ENOENT) {
        const fs::path path = fs::path(directory).lexically_normal();
        const fs::path parent = (path.has_filename() ? path : path.parent_path()).parent_path();
        if (!parent.empty()) fs::create_directories(parent, ec);
        if (!ec && ::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
            ec = std::error_code(errno, std::generic_category());
    }
    if (ec || ::stat(directory.c_str(), &status) != 0) {
        if (!ec) ec = std::error_code(errno, std::generic_category());
        return cannot + directory + ": " + ec.message();
    }
    if (!S_ISDIR(status.st_mode)) return cannot + directory + ": not a directory";
    if (status.st_uid != ::geteuid())
        return "the working directory " + directory + " belongs to another user; give a directory of your own";
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "the working directory " + directory +
               " can be written by other users; give a directory only you can write";
    return std::string();
}
