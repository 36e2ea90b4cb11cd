// WriteResult: how writing a file through the atomic writer went. Success, or the step that failed
// and the system's error number and text (as strerror gives it), so a caller can report the reason
// without looking at errno afterwards. A plain value: copy it freely, use it from any thread.
#pragma once

#include <string>

namespace files {

// The steps of replacing a file, in the order they run.
enum class Step {
    None,    // nothing failed
    Create,  // creating the temporary file (or opening a device or pipe written in place)
    Write,   // writing bytes
    Sync,    // setting the final permissions, syncing and closing the file
    Rename,  // putting the finished file in place of the target
};

class [[nodiscard]] WriteResult {
public:
    WriteResult() = default;  // success

    static WriteResult failure(Step step, int error);

    bool ok() const { return step_ == Step::None; }
    explicit operator bool() const { return ok(); }

    Step step() const { return step_; }
    int error() const { return error_; }
    // The system's text for the error ("No space left on device"); empty on success.
    const std::string& message() const { return message_; }

private:
    Step step_ = Step::None;
    int error_ = 0;
    std::string message_;
};

}  // namespace files
