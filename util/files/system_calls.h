// The system calls of the atomic writer, each passing through the failure-injection seam first.
// Internal to util/files. They return what the system call returns and leave the error in errno.
#pragma once

#include <sys/types.h>

#include <cstddef>

#include "util/files/write_result.h"

namespace files::detail {

// Creates path exclusively (never an existing file, never through a link), write-only, mode 0600.
int createExclusive(const char* path);
// Opens an existing device or pipe for writing, truncating what can be truncated.
int openInPlace(const char* path);
ssize_t writeSome(int fd, const void* data, std::size_t size);
// Gives the finished file its mode, syncs and closes it (the descriptor is closed in any case).
int finishFile(int fd, unsigned mode);
// Closes a device or pipe written in place.
int closeInPlace(int fd);
int renameFile(const char* from, const char* to);
// Syncs a directory after a rename into it; failures are ignored (not every file system can).
void syncDirectory(const char* path);

}  // namespace files::detail
