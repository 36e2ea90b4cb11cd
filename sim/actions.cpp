#include "sim/actions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <streambuf>
#include <system_error>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/tree_state.h"
#include "sim/cert_archive.h"

namespace fwsim {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAuthDatabases[] = {
    "/usr/local/etc/mgmt/tovad-authdb",
    "/usr/local/etc/fw-authdb",
    "/usr/local/etc/mgmt/pop3-authdb",
};
constexpr std::string_view kSaved = ".save";
constexpr std::string_view kUpgradeDir = "/usr/local/etc/mgmt/upgrade/";
constexpr std::string_view kUploadedArchive = "/usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE";
constexpr std::string_view kConf = "/usr/local/etc/mgmt/kestrane.conf";
constexpr std::string_view kConfNew = "/usr/local/etc/mgmt/kestrane.conf.new";
constexpr std::string_view kConfPrevious = "/usr/local/etc/mgmt/kestrane.conf.previous";

std::mutex& action_lock() {
    static std::mutex lock;
    return lock;
}

ActionResult answer(int status, std::string note) { return {status, std::move(note)}; }

std::string with(std::string_view a, std::string_view b) { return std::string(a) + std::string(b); }

// The files one action writes, each beside its target until commit_all() puts them in place one
// after another. Destroying it first leaves every target as it was.
class StagedFiles {
public:
    // The new file for the target, or null when it cannot be created.
    FileReplacement* open(const fs::path& target, unsigned mode = 0644) {
        auto file = std::make_unique<FileReplacement>();
        if (!file->open(target, mode)) return nullptr;
        files_.push_back(std::move(file));
        return files_.back().get();
    }
    bool write(const fs::path& target, const std::string& content, unsigned mode = 0644) {
        FileReplacement* file = open(target, mode);
        return file != nullptr && file->append(content.data(), content.size());
    }
    bool commit_all() {
        for (auto& file : files_)
            if (!file->commit()) return false;
        return true;
    }

private:
    std::vector<std::unique_ptr<FileReplacement>> files_;
};

enum class Read { Ok, Missing, Failed };

// Reads a regular file whole, not through a link; `mode` receives its permission bits.
Read read_file(const fs::path& path, std::string& content, unsigned& mode) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? Read::Missing : Read::Failed;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    content.clear();
    char piece[1 << 16];
    while (ok) {
        const ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        content.append(piece, static_cast<size_t>(n));
    }
    ::close(fd);
    mode = st.st_mode & 0755;
    return ok ? Read::Ok : Read::Failed;
}

// Stages a copy of `from` (keeping its permissions) as `to`. Missing when there is nothing to copy.
Read stage_copy(StagedFiles& staged, const fs::path& from, const fs::path& to) {
    std::string content;
    unsigned mode = 0644;
    const Read read = read_file(from, content, mode);
    if (read != Read::Ok) return read;
    return staged.write(to, content, mode) ? Read::Ok : Read::Failed;
}

// A stream buffer over text held elsewhere, so that the loader reads it without a copy.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(std::string& text) { setg(text.data(), text.data(), text.data() + text.size()); }
};

// True when the text loads as a configuration that holds at least one setting (an empty file, or one
// of nothing but unreadable lines, would leave the firewall without a configuration). The reader's
// messages are not wanted here. Call with the action lock held: the reader's log stream and counters
// are process-wide, and the stream in use before is put back.
bool loads_as_configuration(std::string& text) {
    std::ostream& before = treeLog();
    std::ostringstream messages;
    bool loaded = false;
    {
        ConfigTree tree(messages);
        TextBuffer buffer(text);
        std::istream in(&buffer);
        loaded = tree.load(in, std::string(kConfNew)) == 0 && !tree.children().empty();
    }
    setTreeLog(before);
    return loaded;
}

}  // namespace

ActionResult pack_certs(const FirewallRoot& root) {
    std::lock_guard hold(action_lock());
    StagedFiles staged;
    std::string authlist;
    int saved = 0;
    for (std::string_view database : kAuthDatabases) {
        const auto live = root.map(database);
        const auto save = root.map(with(database, kSaved));
        if (!live || !save) return answer(500, with(database, ": path refused"));
        const Read read = stage_copy(staged, *live, *save);
        if (read == Read::Missing) continue;
        if (read == Read::Failed) return answer(500, "cannot save " + std::string(database));
        authlist += std::string(database) + "\n";
        ++saved;
    }

    const auto cert_dir = root.map(kCertDir);
    const auto upgrade_dir = root.map(kUpgradeDir);
    if (!cert_dir || !upgrade_dir) return answer(500, "path refused");
    FileReplacement* archive = staged.open(*upgrade_dir / "kvpn_certs.tar");
    if (archive == nullptr) return answer(500, "cannot write kvpn_certs.tar");
    PackedCerts packed;
    std::string error;
    if (!pack_cert_dir(*cert_dir, *archive, packed, error)) return answer(500, error);

    std::string status = "certificates=" + std::to_string(packed.files.size()) + "\n";
    for (size_t i = 0; i < packed.files.size(); ++i)
        status += "certificate_" + std::to_string(i + 1) + "=" + packed.files[i] + "\n";
    std::string extra;
    for (const std::string& name : packed.left_out) extra += std::string(kCertDir) + "/" + name + "\n";
    if (!staged.write(*upgrade_dir / "kvpn_cert_status.conf", status) ||
        !staged.write(*upgrade_dir / "authlist.txt", authlist) ||
        !staged.write(*upgrade_dir / "extrafiles.txt", extra) || !staged.commit_all())
        return answer(500, "cannot write the upgrade files");
    return answer(200, std::to_string(packed.files.size()) + " certificate files packed, " + std::to_string(saved) +
                           " databases saved");
}

ActionResult unpack_certs(const FirewallRoot& root) {
    std::lock_guard hold(action_lock());
    const auto archive = root.map(kUploadedArchive);
    std::error_code ec;
    if (!archive || !fs::is_regular_file(*archive, ec)) return answer(404, "no certificate archive to unpack");

    // The databases are read and staged first: one that cannot be restored fails the action before
    // any certificate is written.
    StagedFiles staged;
    int restored = 0;
    for (std::string_view database : kAuthDatabases) {
        const auto live = root.map(database);
        const auto save = root.map(with(database, kSaved));
        if (!live || !save) return answer(500, with(database, ": path refused"));
        const Read read = stage_copy(staged, *save, *live);
        if (read == Read::Failed) return answer(500, "cannot restore " + std::string(database));
        if (read == Read::Ok) ++restored;
    }
    size_t files = 0;
    std::string error;
    if (!unpack_cert_archive(*archive, root, kCertDir, files, error)) return answer(500, error);
    if (!staged.commit_all()) return answer(500, "cannot restore the authentication databases");
    return answer(200, std::to_string(files) + " certificate files unpacked, " + std::to_string(restored) +
                           " databases restored");
}

ActionResult update_conf(const FirewallRoot& root) {
    std::lock_guard hold(action_lock());
    const auto fresh = root.map(kConfNew);
    const auto current = root.map(kConf);
    const auto previous = root.map(kConfPrevious);
    if (!fresh || !current || !previous) return answer(500, "path refused");

    // The bytes checked are the bytes installed, whatever arrives at kestrane.conf.new meanwhile.
    std::string text;
    unsigned mode = 0644;
    const Read read = read_file(*fresh, text, mode);
    if (read == Read::Missing) return answer(500, "no kestrane.conf.new to install");
    if (read == Read::Failed) return answer(500, "cannot read kestrane.conf.new");
    if (!loads_as_configuration(text)) return answer(500, "kestrane.conf.new does not load as a configuration");

    StagedFiles staged;
    std::string old_text;
    unsigned old_mode = 0644;
    const Read old = read_file(*current, old_text, old_mode);
    if (old == Read::Failed) return answer(500, "cannot read kestrane.conf");
    if (old == Read::Ok && !staged.write(*previous, old_text, old_mode))
        return answer(500, "cannot write kestrane.conf.previous");
    if (!staged.write(*current, text, old == Read::Ok ? old_mode : 0644) || !staged.commit_all())
        return answer(500, "cannot write kestrane.conf");
    std::error_code ec;
    if (!fs::remove(*fresh, ec) || ec) return answer(200, "installed; kestrane.conf.new could not be removed");
    return answer(200, old == Read::Ok ? "installed, the previous one kept as kestrane.conf.previous" : "installed");
}

ActionResult run_action(std::string_view name, const FirewallRoot& root) {
    if (name == "packcerts") return pack_certs(root);
    if (name == "unpackcerts") return unpack_certs(root);
    if (name == "updateconf") return update_conf(root);
    return answer(404, "unknown action");
}

}  // namespace fwsim
