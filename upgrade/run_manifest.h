// The run manifest of a working directory (manifest.json): which runs used the directory, with what
// (the template script, the input files) and what each produced (the output files with their digests
// and sizes, and the run that wrote them), the interface pairs the postprocessing used, and the steps
// with their outcomes and times. The workflow starts a run when it starts or resumes in a directory
// and saves the manifest again as each step ends. A later run reads the earlier document back and keeps
// it under previous_runs; the outputs it recorded stay listed (with the run that produced each) until
// a file is written again or moved aside.
//
// Reading manifest.json is parsing input from disk: a document that is not a manifest never throws
// out of here; begin() moves it aside as manifest.json.corrupt and starts a new one. A manifest of a
// later schema is kept whole as an earlier run, and its outputs are not trusted.
//
// Ownership: plain values. Threads: one thread at a time (the workflow's steps).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr const char* kManifestName = "manifest.json";
inline constexpr const char* kPreviousSuffix = ".previous";

// A file the run read or wrote.
struct ManifestFile {
    std::string name;    // the name in the working directory (or of the template script)
    std::string path;    // as it was used
    std::string sha256;  // lower-case hex
    std::uint64_t size = 0;
    std::string runId;  // the run that recorded it
};

// One step of a run. outcome: "running", "done", "warning" or "failed"; times in UTC ISO-8601.
struct ManifestStep {
    std::string name;
    std::string outcome;
    std::string started;
    std::string ended;  // empty while running
};

// One old interface and what the postprocessing gave it.
struct ManifestPair {
    std::string oldDevice;
    std::string newDevice;  // empty: unpaired
    std::string method;     // "address", "choice" or "unpaired"
    bool shared = false;
};

// How begin() found the directory's earlier manifest.
struct ManifestOpening {
    bool earlierRuns = false;    // a manifest was read back and its runs kept
    bool corruptMovedAside = false;  // it was no manifest and is now manifest.json.corrupt
    std::string problem;         // why it was refused, or why it could not be moved aside
};

class RunManifest {
public:
    static constexpr int kSchemaVersion = 1;

    // Starts a new run in directory (which ends in '/'), with a fresh run id, reading back the
    // directory's manifest.json when there is one. Nothing is written yet.
    ManifestOpening begin(const std::string& directory, const std::string& version);
    // Stops writing (the contents stay readable). A step that ends afterwards records nothing.
    void end() { active_ = false; }
    bool active() const { return active_; }

    void setTemplate(const std::string& path, const std::string& sha256);
    // Records the file at path as read (an input) or written (an output) by this run, replacing an
    // earlier record of the same name; its digest and size are taken now. False when it cannot be read.
    bool recordInput(const std::string& name, const std::string& path);
    bool recordOutput(const std::string& name, const std::string& path);
    // The output record of name: renamed to NAME.previous (replacing an older one), as its file was.
    void outputMovedAside(const std::string& name);
    void setPairing(std::vector<ManifestPair> pairs) { pairing_ = std::move(pairs); }

    // Adds a running step (started now) and gives its index.
    std::size_t stepStarted(const std::string& name, const std::string& started);
    void stepEnded(std::size_t index, const std::string& outcome);

    // Whether the output name was recorded by this run.
    bool writtenByThisRun(const std::string& name) const;
    // Empty when path holds what this run recorded as its output name; otherwise why not.
    std::string notProducedByThisRunBecause(const std::string& name, const std::string& path) const;

    // Writes manifest.json through the atomic writer (owner-only). False with *error set on failure.
    bool save(std::string* error) const;

    // The document as JSON text (indented).
    std::string text() const;
    // Reads a document of the current schema; none, with *error, when text is not one.
    static std::optional<RunManifest> parse(std::string_view text, std::string* error);

    const std::string& runId() const { return runId_; }
    const std::string& version() const { return version_; }
    std::string path() const { return directory_ + kManifestName; }
    const std::vector<ManifestFile>& inputs() const { return inputs_; }
    const std::vector<ManifestFile>& outputs() const { return outputs_; }
    const std::vector<ManifestStep>& steps() const { return steps_; }
    const std::vector<ManifestPair>& pairing() const { return pairing_; }
    std::size_t previousRunCount() const { return previousRuns_.size(); }
    // The paths of the outputs this run wrote, in the order recorded.
    std::vector<std::string> outputsOfThisRun() const;

    // 32 lower-case hex digits from the system's random source.
    static std::string newRunId();
    // The current time as UTC ISO-8601 ("2024-05-01T12:00:00Z").
    static std::string utcNow();

private:
    bool record(std::vector<ManifestFile>& list, const std::string& name, const std::string& path);

    bool active_ = false;
    std::string directory_;
    std::string runId_;
    std::string version_;
    std::string templatePath_;
    std::string templateSha256_;
    std::vector<ManifestFile> inputs_;
    std::vector<ManifestFile> outputs_;
    std::vector<ManifestPair> pairing_;
    std::vector<ManifestStep> steps_;
    std::vector<std::string> previousRuns_;  // each an earlier run's document, as compact JSON text
};
