// What the script checker reports: one finding per fault, with the script line it is about, and the
// list the checks add their findings to while they walk a script.
//
// Plain values; a LintFindings belongs to one check of one script and one thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Error: the script does something other than what it says (a line that is never run as written, a
// block that ends elsewhere, a template the run refuses). Warning: the script runs as written, but a
// part of it has no effect or never runs.
enum class LintSeverity { Error, Warning };

struct LintFinding {
    int line;  // 1-based script line; 0 for the script as a whole (it could not be read)
    LintSeverity severity;
    std::string message;
};

class LintFindings {
public:
    void error(int line, std::string message) { add(line, LintSeverity::Error, std::move(message)); }
    void warning(int line, std::string message) { add(line, LintSeverity::Warning, std::move(message)); }
    void add(int line, LintSeverity severity, std::string message) {
        list_.push_back(LintFinding{line, severity, std::move(message)});
    }
    const std::vector<LintFinding>& list() const { return list_; }
    std::vector<LintFinding> take() { return std::move(list_); }

private:
    std::vector<LintFinding> list_;
};
