// Reading and writing configuration files: ConfigTree::load and ConfigTree::save.
//
// A file and a stream are read by the same code (loadLines over a LineReader); a file is saved
// through the atomic writer, so a failed save leaves the previous file as it was. A save never writes
// what load would not read back: a setting whose line is longer than the reader takes fails the save.
//
// load walks the tree with the parts of each line instead of building a chain and merging it: the
// result (order, joining, first-occurrence-wins, the duplicate report, the counters) is the same as
// mergeNode(parseLine(line), false), without allocating and freeing a chain for every line.
#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "conftree/line_reader.h"
#include "conftree/parse_internal.h"
#include "conftree/tree_internal.h"
#include "conftree/tree_state.h"
#include "util/files/atomic_file.h"
#include "util/files/block_buffer.h"

using namespace conftree_internal;

namespace {

// The branches the previous line went through, root first. Consecutive lines mostly share their
// path ('rule_filter_7_name', 'rule_filter_7_action', ...), so a line follows the previous one
// as far as the names agree and looks up only the rest. This gives the same branches as looking
// every name up: during a load nodes are only appended, and an appended branch never has the name
// of an earlier sibling branch, so the first branch of each name stays the first.
using Walk = std::vector<Branch*>;

void insertSetting(Branch& root, std::string_view line, long lineNumber, SettingParts& parts, Walk& walk) {
    if (splitSetting(line, lineNumber, parts) != SettingStatus::Ok) return;
    Branch* at = &root;
    std::size_t i = 0;
    while (i < parts.used && i < walk.size() && walk[i]->name() == parts.components[i]) at = walk[i++];
    walk.resize(i);
    for (; i < parts.used; ++i) {
        Branch* next = at->findBranch(parts.components[i]);
        if (next == nullptr) break;
        at = next;
        walk.push_back(at);
    }
    bool fresh = i < parts.used;
    for (; i < parts.used; ++i) {
        at = static_cast<Branch*>(at->children().append(std::make_unique<Branch>(parts.components[i])));
        walk.push_back(at);
    }

    Leaf* existing = fresh ? nullptr : at->findLeaf(parts.leafName);
    if (existing == nullptr) {
        at->children().append(std::make_unique<Leaf>(parts.leafName, parts.value));
        return;
    }
    // The line's leaf is made and dropped, as a merge would, so the counters (and the progress
    // dots) run exactly as they do for any insertion.
    Leaf dropped{std::string(), std::string()};
    if (existing->value() != parts.value) {
        std::ostream& log = treeLog();
        log << "Ignoring duplicate leaf at ";
        existing->writePath(log, false);
        log << " old value: " << existing->value() << " new value: " << parts.value;
        endLine(log);
    }
}

// The file reader proper, for a file or a stream: name stands for where the lines come from in the
// messages and becomes sourceFile.
int loadLines(ConfigTree& tree, LineReader& reader, const std::string& name) {
    std::ostream& log = treeLog();
    if (!reader.isOpen()) {
        log << "Unable to open file: " << name;
        endLine(log);
        return -1;
    }
    SettingParts parts;
    Walk walk;
    std::string_view line;
    for (long lineNumber = 1;; ++lineNumber) {
        LineReader::Status status = reader.next(line);
        if (status == LineReader::Status::End) break;
        if (status == LineReader::Status::Error) {
            log << "Unable to read file: " << name;
            endLine(log);
            return -1;
        }
        if (status == LineReader::Status::TooLong) {
            log << "Line " << lineNumber << ": Skipping line longer than " << LineReader::kMaxLineLength
                << " characters";
            endLine(log);
            continue;
        }
        insertSetting(tree, line, lineNumber, parts, walk);
    }
    tree.sourceFile = name;
    return 0;
}

// Passes what the tree writes on to a stream while measuring each line as LineReader will (without
// its line feed and one carriage return before it). Once a line is found too long to be read back,
// nothing more is passed on; the start of that line is kept to name its setting.
class LineLimitBuffer : public files::BlockBuffer {
public:
    explicit LineLimitBuffer(std::ostream& to) : BlockBuffer(1 << 16), to_(to) {}

    // True when some line written was too long; a last line without its line feed counts too.
    bool tooLong() {
        flushPending();
        if (length_ > 0) closeLine();
        return !tooLongStart_.empty() || tooLongLength_ > 0;
    }

    // Logs the setting whose line was too long to the tree log.
    void reportTooLong() const {
        std::ostream& log = treeLog();
        const std::size_t equals = tooLongStart_.find('=');
        log << "Unable to save the setting "
            << (equals != std::string::npos ? tooLongStart_.substr(0, equals) : tooLongStart_ + "...")
            << ": its line of " << tooLongLength_ << " characters is longer than the " << LineReader::kMaxLineLength
            << " a configuration file reader takes";
        endLine(log);
    }

protected:
    // The tree's many small writes arrive here a block at a time, to be measured and passed on.
    bool deliver(const char* data, std::size_t count) override {
        const bool passing = tooLongLength_ == 0;
        const char* at = data;
        std::size_t size = count;
        while (size > 0) {
            const void* found = std::memchr(at, '\n', size);
            const std::size_t piece =
                found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - at) : size;
            if (start_.size() < kKeep) start_.append(at, std::min(piece, kKeep - start_.size()));
            if (piece > 0) endsInReturn_ = at[piece - 1] == '\r';
            length_ += piece;
            if (found == nullptr) break;
            closeLine();
            at += piece + 1;
            size -= piece + 1;
        }
        if (passing && tooLongLength_ == 0) to_.write(data, static_cast<std::streamsize>(count));
        return true;
    }

private:
    static constexpr std::size_t kKeep = 200;  // enough of a line to name its setting

    void closeLine() {
        const std::size_t readable = length_ - (endsInReturn_ ? 1 : 0);
        if (readable > LineReader::kMaxLineLength && tooLongLength_ == 0) {
            tooLongLength_ = readable;
            tooLongStart_ = start_;
        }
        length_ = 0;
        endsInReturn_ = false;
        start_.clear();
    }

    std::ostream& to_;
    std::size_t length_ = 0;  // of the line being written
    bool endsInReturn_ = false;
    std::string start_;
    std::size_t tooLongLength_ = 0;  // of the first line too long; 0: none so far
    std::string tooLongStart_;
};

// Writes the tree to out unless a setting's line would be too long to be read back: then that
// setting is logged and false returned (out may have been given part of the tree).
bool writeReadableTree(const ConfigTree& tree, std::ostream& out) {
    LineLimitBuffer limit(out);
    std::ostream measured(&limit);
    tree.write(measured, true);
    if (!limit.tooLong()) return true;
    limit.reportTooLong();
    return false;
}

}  // namespace

int ConfigTree::load(const std::string& path) {
    LineReader reader(path);
    return loadLines(*this, reader, path);
}

int ConfigTree::load(std::istream& stream, const std::string& name) {
    LineReader reader(stream);
    return loadLines(*this, reader, name);
}

bool ConfigTree::save(const std::string& path) {
    files::WriteResult result;
    return save(path, result);
}

bool ConfigTree::save(const std::string& path, files::WriteResult& result) {
    // Devices and pipes (/dev/null, a pipe to another program) are written directly, as an ordinary
    // open would; a regular file is replaced only once the new content is complete and on disk.
    files::AtomicFile file;
    result = file.open(path, {0600, files::SpecialTarget::WriteInPlace});
    // Runs even when the file did not open (the stream then takes nothing): the summary still goes
    // to the log.
    std::ostream& out = file.stream();
    if (!writeReadableTree(*this, out)) {
        // The previous file stays; a device or pipe written in place may have had part of it.
        file.abandon();
        if (result) result = files::WriteResult::failure(files::Step::Write, EMSGSIZE);
    }
    if (result) result = file.commit();
    if (!result) {
        std::ostream& log = treeLog();
        log << "Unable to write file: " << path;
        endLine(log);
    }
    return result.ok();
}

bool ConfigTree::save(std::ostream& stream) {
    const bool readable = writeReadableTree(*this, stream);
    stream.flush();
    return readable && stream.good();
}
