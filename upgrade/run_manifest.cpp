// The run manifest as a JSON document: built and read with nlohmann-json, written through the atomic
// writer, read back at the start of a run (anything that is not a manifest moved aside).
#include "upgrade/run_manifest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "util/files/atomic_file.h"
#include "util/files/file_digest.h"

using nlohmann::json;

namespace {

// A manifest larger than this is no manifest this program wrote.
constexpr std::streamsize kMaxManifestBytes = 16 * 1024 * 1024;

json fileJson(const ManifestFile& file) {
    return json{{"name", file.name}, {"path", file.path}, {"sha256", file.sha256}, {"size", file.size},
                {"run_id", file.runId}};
}

ManifestFile fileFrom(const json& value) {
    ManifestFile file;
    file.name = value.at("name").get<std::string>();
    file.path = value.at("path").get<std::string>();
    file.sha256 = value.at("sha256").get<std::string>();
    file.size = value.at("size").get<std::uint64_t>();
    file.runId = value.at("run_id").get<std::string>();
    return file;
}

std::vector<ManifestFile> filesFrom(const json& value) {
    std::vector<ManifestFile> files;
    for (const json& item : value) files.push_back(fileFrom(item));
    return files;
}

// The text of path when it is a regular file that could be read whole; none when there is no such
// file; *failed when there is one that cannot be read.
std::optional<std::string> readManifestFile(const std::string& path, bool* failed) {
    *failed = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *failed = errno != ENOENT;
        return std::nullopt;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxManifestBytes) {
        ::close(fd);
        *failed = true;
        return std::nullopt;
    }
    std::string text;
    char block[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *failed = true;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        text.append(block, static_cast<std::size_t>(got));
        if (text.size() > static_cast<std::size_t>(kMaxManifestBytes)) break;
    }
    ::close(fd);
    return text;
}

}  // namespace

std::string RunManifest::newRunId() {
    std::random_device source;  // the system's random source
    std::string id;
    char digits[9];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(source()));
        id += digits;
    }
    return id;
}

std::string RunManifest::utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

ManifestOpening RunManifest::begin(const std::string& directory, const std::string& version) {
    *this = RunManifest();
    directory_ = directory;
    runId_ = newRunId();
    version_ = version;
    active_ = true;

    ManifestOpening opening;
    bool unreadable = false;
    const std::optional<std::string> text = readManifestFile(path(), &unreadable);
    std::string problem;
    if (text) {
        const json earlier = json::parse(*text, nullptr, false);
        if (earlier.is_object() && earlier.contains("schema_version") && earlier["schema_version"].is_number_integer() &&
            earlier["schema_version"].get<long long>() > kSchemaVersion) {
            // A later program's manifest: kept as it is, its outputs not trusted.
            previousRuns_.push_back(earlier.dump());
            opening.earlierRuns = true;
            return opening;
        }
        if (std::optional<RunManifest> read = parse(*text, &problem)) {
            previousRuns_ = std::move(read->previousRuns_);
            json own = json::parse(read->text());
            own.erase("previous_runs");
            previousRuns_.push_back(own.dump());
            outputs_ = std::move(read->outputs_);
            opening.earlierRuns = true;
            return opening;
        }
    } else if (unreadable) {
        problem = "cannot be read as a file";
    } else {
        return opening;  // a new directory
    }
    opening.problem = problem;
    const std::string aside = path() + ".corrupt";
    if (::rename(path().c_str(), aside.c_str()) == 0) {
        opening.corruptMovedAside = true;
    } else {
        opening.problem += std::string("; it could not be moved aside: ") + std::strerror(errno);
    }
    return opening;
}

void RunManifest::setTemplate(const std::string& path, const std::string& sha256) {
    templatePath_ = path;
    templateSha256_ = sha256;
}

bool RunManifest::record(std::vector<ManifestFile>& list, const std::string& name, const std::string& path) {
    std::erase_if(list, [&](const ManifestFile& file) { return file.name == name; });
    const std::optional<std::string> digest = files::sha256OfFile(path);
    struct stat status {};
    if (!digest || ::stat(path.c_str(), &status) != 0) return false;
    list.push_back({name, path, *digest, static_cast<std::uint64_t>(status.st_size), runId_});
    return true;
}

bool RunManifest::recordInput(const std::string& name, const std::string& path) { return record(inputs_, name, path); }

bool RunManifest::recordOutput(const std::string& name, const std::string& path) {
    return record(outputs_, name, path);
}

void RunManifest::outputMovedAside(const std::string& name) {
    const std::string aside = name + kPreviousSuffix;
    std::erase_if(outputs_, [&](const ManifestFile& file) { return file.name == aside; });
    for (ManifestFile& file : outputs_) {
        if (file.name != name) continue;
        file.name = aside;
        file.path += kPreviousSuffix;
    }
}

std::size_t RunManifest::stepStarted(const std::string& name, const std::string& started) {
    steps_.push_back({name, "running", started, std::string()});
    return steps_.size() - 1;
}

void RunManifest::stepEnded(std::size_t index, const std::string& outcome) {
    if (index >= steps_.size()) return;
    steps_[index].outcome = outcome;
    steps_[index].ended = utcNow();
}

bool RunManifest::writtenByThisRun(const std::string& name) const {
    for (const ManifestFile& file : outputs_)
        if (file.name == name) return file.runId == runId_;
    return false;
}

std::string RunManifest::notProducedByThisRunBecause(const std::string& name, const std::string& path) const {
    const ManifestFile* recorded = nullptr;
    for (const ManifestFile& file : outputs_)
        if (file.name == name) recorded = &file;
    if (recorded == nullptr) return "the run manifest records no " + name;
    if (recorded->runId != runId_) return "the run manifest shows " + name + " as written by another run (" + recorded->runId + ")";
    const std::optional<std::string> digest = files::sha256OfFile(path);
    if (!digest) return "it cannot be read";
    if (*digest != recorded->sha256) return "it was changed after this run wrote it (its SHA-256 differs from the run manifest's)";
    return std::string();
}

std::vector<std::string> RunManifest::outputsOfThisRun() const {
    std::vector<std::string> paths;
    for (const ManifestFile& file : outputs_)
        if (file.runId == runId_) paths.push_back(file.path);
    return paths;
}

std::string RunManifest::text() const {
    json document;
    document["schema_version"] = kSchemaVersion;
    document["run_id"] = runId_;
    document["version"] = version_;
    document["template"] = json{{"path", templatePath_}, {"sha256", templateSha256_}};
    document["inputs"] = json::array();
    for (const ManifestFile& file : inputs_) document["inputs"].push_back(fileJson(file));
    document["outputs"] = json::array();
    for (const ManifestFile& file : outputs_) document["outputs"].push_back(fileJson(file));
    document["pairing"] = json::array();
    for (const ManifestPair& pair : pairing_)
        document["pairing"].push_back(
            json{{"old", pair.oldDevice}, {"new", pair.newDevice}, {"method", pair.method}, {"shared", pair.shared}});
    document["steps"] = json::array();
    for (const ManifestStep& step : steps_)
        document["steps"].push_back(
            json{{"name", step.name}, {"outcome", step.outcome}, {"started", step.started}, {"ended", step.ended}});
    document["previous_runs"] = json::array();
    for (const std::string& run : previousRuns_) document["previous_runs"].push_back(json::parse(run, nullptr, false));
    // Invalid UTF-8 in a path is written replaced rather than failing the whole document.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::optional<RunManifest> RunManifest::parse(std::string_view text, std::string* error) {
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded()) {
        *error = "not JSON";
        return std::nullopt;
    }
    try {
        if (!document.is_object()) throw std::invalid_argument("not a JSON object");
        if (document.at("schema_version").get<long long>() != kSchemaVersion)
            throw std::invalid_argument("schema_version is not " + std::to_string(kSchemaVersion));
        RunManifest manifest;
        manifest.runId_ = document.at("run_id").get<std::string>();
        manifest.version_ = document.at("version").get<std::string>();
        const json& script = document.at("template");
        manifest.templatePath_ = script.at("path").get<std::string>();
        manifest.templateSha256_ = script.at("sha256").get<std::string>();
        manifest.inputs_ = filesFrom(document.at("inputs"));
        manifest.outputs_ = filesFrom(document.at("outputs"));
        for (const json& item : document.at("pairing"))
            manifest.pairing_.push_back({item.at("old").get<std::string>(), item.at("new").get<std::string>(),
                                         item.at("method").get<std::string>(), item.at("shared").get<bool>()});
        for (const json& item : document.at("steps"))
            manifest.steps_.push_back({item.at("name").get<std::string>(), item.at("outcome").get<std::string>(),
                                       item.at("started").get<std::string>(), item.at("ended").get<std::string>()});
        if (document.contains("previous_runs")) {
            for (const json& run : document.at("previous_runs")) {
                if (!run.is_object()) throw std::invalid_argument("an earlier run is not a JSON object");
                manifest.previousRuns_.push_back(run.dump(-1, ' ', false, json::error_handler_t::replace));
            }
        }
        return manifest;
    } catch (const json::exception& e) {
        *error = e.what();
    } catch (const std::invalid_argument& e) {
        *error = e.what();
    }
    return std::nullopt;
}

bool RunManifest::save(std::string* error) const {
    if (!active_) return true;
    const std::string document = text();
    const files::WriteResult result = files::writeFileAtomically(path(), [&](std::ostream& out) {
        out << document;
        return static_cast<bool>(out);
    });
    if (result) return true;
    *error = path() + ": " + result.message();
    return false;
}
