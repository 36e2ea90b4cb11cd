// OutputFile: a file written as it goes (the upgrade log, the warnings file, a log given on the
// command line), through a descriptor opened with the care such files need.
//
// Opening never blocks: a FIFO that nobody reads is refused (ENXIO) instead of waiting for a reader
// forever; a device such as /dev/null is written in place. A regular file is created or made
// owner-only (0600): logs repeat what configurations hold. With noFollow a symbolic link at the path
// is refused (ELOOP) rather than followed, for directories whose files others might have planted.
//
// A write that fails (a full disk) sets badbit and is remembered with the system's error number until
// clearError(), also across close() and a later open(), so a caller asks once, at the end of a step,
// whether everything reached the file. Unlike std::ofstream, close() does not forget it.
//
// Owns its descriptor. One thread at a time.
#pragma once

#include <ostream>
#include <string>

#include "util/files/block_buffer.h"

enum class OutputMode {
    Truncate,  // start empty
    Append,    // keep what the file holds and write after it
};

struct OutputOpenOptions {
    OutputMode mode = OutputMode::Truncate;
    bool noFollow = false;  // refuse a symbolic link at the path
};

class OutputFile : public std::ostream {
public:
    OutputFile();
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens path (closing what was open). 0, or the system's error number (the file stays closed).
    int open(const std::string& path, const OutputOpenOptions& options = {});
    // Opens path for a later adopt(): the descriptor, or minus the system's error number.
    static int openDescriptor(const std::string& path, const OutputOpenOptions& options = {});
    // Writes to fd, which this object then owns (closing what was open).
    void adopt(int fd);

    bool is_open() const { return buffer_.fd() >= 0; }
    // Flushes and closes; a failure is remembered like a failed write.
    void close();

    // The system's error number of the first write that failed since clearError(); 0: none.
    int error() const { return buffer_.error(); }
    void clearError();

private:
    class Buffer : public files::BlockBuffer {
    public:
        Buffer();
        int fd() const { return fd_; }
        int error() const { return error_; }
        void clearError() { error_ = 0; }
        void attach(int fd) { fd_ = fd; }
        // Flushes and closes the descriptor (if any); false when anything failed.
        bool closeFile();

    protected:
        // Writes the whole block to the descriptor; the first failure's error number is kept.
        bool deliver(const char* data, std::size_t size) override;

    private:
        int fd_ = -1;
        int error_ = 0;
    };

    Buffer buffer_;
};
