// AtomicFile: the one way this project replaces a file that a failure must not damage (configuration
// files, downloaded bodies, the simulator's stored files, its port file).
//
// The content goes to a fresh temporary file beside the target, named ".NAME.XXXXXXXXXXXX" (random
// letters and digits), created exclusively: it never opens a file that was already there and never
// goes through a symbolic link. It is owner-only from the start. commit() gives it its final
// permissions, syncs it to disk, renames it over the target (a symbolic link at the target is
// replaced itself; the file it pointed to is not touched) and syncs the directory. Until then the
// target keeps what it held; after any failure (creating, a write, syncing, renaming) it still does,
// and the temporary file is gone. A failure is sticky: later appends and the commit report it again.
//
// Targets that are not regular files follow the options: a directory is always refused; a device or
// a pipe is either replaced like a file or written in place (then there is nothing to keep).
//
// An AtomicFile owns its descriptor and its temporary file; destroying one that was not committed
// abandons it. Use one object from one thread at a time; distinct objects are independent.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "util/files/write_result.h"

namespace files {

// What to do when the target exists and is a device, a pipe or a socket.
enum class SpecialTarget {
    Replace,       // rename the new file over it, like over a regular file
    WriteInPlace,  // open it and write to it directly (standard devices such as /dev/null, pipes)
};

struct AtomicFileOptions {
    unsigned mode = 0600;  // permissions of the finished file (written files are owner-only until then)
    SpecialTarget special = SpecialTarget::Replace;
};

class AtomicFile {
public:
    AtomicFile();
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts replacing target (abandoning anything this object had open).
    WriteResult open(const std::string& target, const AtomicFileOptions& options = {});

    // Writes all the bytes or fails; a failure abandons the file.
    WriteResult append(const void* data, std::size_t size);
    WriteResult append(std::string_view text) { return append(text.data(), text.size()); }

    // A buffered stream into the file, for writers that want an ostream. What goes into it and what
    // append() is given reach the file in the order written; commit() flushes it. A write that
    // fails sets badbit and abandons the file. When no file is open (open failed, or after commit)
    // the stream takes nothing: every write to it fails.
    std::ostream& stream();

    // Flushes the stream, then finishes the file and puts it in place. The result of the first
    // failure when there was one. Afterwards the object holds nothing open.
    WriteResult commit();

    // Drops the new content: the temporary file is removed, the target keeps what it held.
    void abandon();

    // The first failure since open; success while there was none.
    const WriteResult& status() const { return failure_; }
    bool isOpen() const { return fd_ >= 0; }
    // True while a device or pipe is being written in place.
    bool writesInPlace() const { return isOpen() && temporary_.empty(); }
    // The temporary file's path while one is being written; empty otherwise.
    const std::string& temporaryPath() const { return temporary_; }

private:
    class Buffer;
    friend class Buffer;

    WriteResult writeAll(const char* data, std::size_t size);
    WriteResult fail(Step step, int error);
    WriteResult finish();
    void closeAndRemove();

    int fd_ = -1;
    std::string target_;
    std::string temporary_;  // empty when writing in place
    unsigned mode_ = 0600;
    WriteResult failure_;  // the first failure since open
    std::unique_ptr<Buffer> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

// Replaces target with what write puts into the stream. write returns false to give up (the target
// then keeps its content; the result is a Write failure with ECANCELED unless the stream itself
// failed, which gives the system's error).
WriteResult writeFileAtomically(const std::string& target, const std::function<bool(std::ostream&)>& write,
                                const AtomicFileOptions& options = {});

}  // namespace files
