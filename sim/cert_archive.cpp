#include "sim/cert_archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <system_error>

namespace fwsim {

namespace fs = std::filesystem;

namespace {

constexpr size_t kPiece = size_t{64} << 10;

struct ReadFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteFree {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using ReadArchive = std::unique_ptr<archive, ReadFree>;
using WriteArchive = std::unique_ptr<archive, WriteFree>;
using Entry = std::unique_ptr<archive_entry, EntryFree>;

std::string archive_message(archive* a) {
    const char* text = archive_error_string(a);
    return text != nullptr ? text : "archive error";
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// ---- Packing

struct Listed {
    std::string path;  // relative to the directory
    bool directory;
};

la_ssize_t write_to_file(archive*, void* client, const void* data, size_t length) {
    auto* out = static_cast<FileReplacement*>(client);
    return out->append(static_cast<const char*>(data), length) ? static_cast<la_ssize_t>(length) : -1;
}

// The directory's entries, parents before their children; what is neither a file nor a directory
// goes to left_out.
bool list_dir(const fs::path& dir, std::vector<Listed>& listed, std::vector<std::string>& left_out,
              std::string& error) {
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::none, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::file_status status = it->symlink_status(ec);
        if (ec) break;
        std::string name = it->path().lexically_relative(dir).generic_string();
        if (fs::is_directory(status))
            listed.push_back({std::move(name), true});
        else if (fs::is_regular_file(status))
            listed.push_back({std::move(name), false});
        else
            left_out.push_back(std::move(name));
    }
    if (ec) {
        error = "cannot read the certificate directory: " + ec.message();
        return false;
    }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.path < b.path; });
    std::sort(left_out.begin(), left_out.end());
    return true;
}

bool add_directory(archive* a, const std::string& name, std::string& error) {
    Entry entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFDIR);
    archive_entry_set_perm(entry.get(), 0755);
    if (archive_write_header(a, entry.get()) != ARCHIVE_OK) {
        error = name + ": " + archive_message(a);
        return false;
    }
    return true;
}

// Adds one regular file, read through a descriptor that does not follow a link. `skipped` is set
// when it is no longer a regular file by the time it is opened.
bool add_file(archive* a, const fs::path& local, const std::string& name, bool& skipped, std::string& error) {
    skipped = false;
    Descriptor fd(::open(local.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (fd.get() < 0 && errno == ELOOP) {
        skipped = true;
        return true;
    }
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        error = "cannot read " + name + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        skipped = true;
        return true;
    }
    Entry entry(archive_entry_new());
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), st.st_mode & 0777);
    archive_entry_set_size(entry.get(), st.st_size);
    archive_entry_set_mtime(entry.get(), st.st_mtime, 0);
    if (archive_write_header(a, entry.get()) != ARCHIVE_OK) {
        error = name + ": " + archive_message(a);
        return false;
    }
    std::vector<char> piece(kPiece);
    for (off_t left = st.st_size; left > 0;) {
        const ssize_t n = ::read(fd.get(), piece.data(), static_cast<size_t>(std::min<off_t>(left, kPiece)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "cannot read " + name +
                    (n == 0 ? ": it shrank while being packed" : ": " + std::string(std::strerror(errno)));
            return false;
        }
        if (archive_write_data(a, piece.data(), static_cast<size_t>(n)) != n) {
            error = name + ": " + archive_message(a);
            return false;
        }
        left -= n;
    }
    return true;
}

// ---- Unpacking

// An archive entry as checked before anything is written.
struct Planned {
    std::string name;  // as in the archive
    std::string path;  // relative to the directory, normalised
    bool directory = false;
    bool skip = false;  // the directory itself ("./")
    fs::path target;    // local path
    unsigned mode = 0644;
};

// The entry's path relative to the directory, without empty and "." components; nothing when it is
// absolute or has a ".." component. Empty for the directory itself.
std::optional<std::string> relative_entry_path(std::string_view name) {
    if (name.empty() || name.front() == '/') return std::nullopt;
    std::string out;
    while (!name.empty()) {
        const size_t slash = name.find('/');
        const std::string_view part = name.substr(0, slash);
        name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
        if (part == "..") return std::nullopt;
        if (part.empty() || part == ".") continue;
        if (!out.empty()) out += '/';
        out += part;
    }
    return out;
}

bool check_entry(archive_entry* entry, const FirewallRoot& root, std::string_view dir, const fs::path& base,
                 Planned& planned, std::string& error) {
    const char* name = archive_entry_pathname(entry);
    planned.name = name != nullptr ? name : "";
    const std::string shown = "entry '" + planned.name + "'";
    const std::optional<std::string> path = relative_entry_path(planned.name);
    if (!path) {
        error = shown + " has an absolute path or a '..' component";
        return false;
    }
    if (archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr) {
        error = shown + " is a link";
        return false;
    }
    const auto type = archive_entry_filetype(entry);
    if (type != AE_IFREG && type != AE_IFDIR) {
        error = shown + " is neither a file nor a directory";
        return false;
    }
    planned.path = *path;
    planned.directory = type == AE_IFDIR;
    planned.mode = archive_entry_perm(entry) & 0755;
    if (planned.path.empty()) {
        planned.skip = planned.directory;
        if (!planned.skip) error = shown + " names the certificate directory itself";
        return planned.skip;
    }

    const std::optional<fs::path> target = root.map(std::string(dir) + "/" + planned.path);
    const fs::path inside = target ? target->lexically_relative(base) : fs::path();
    if (inside.empty() || *inside.begin() == ".." || inside == ".") {
        error = shown + " leads out of the certificate directory";
        return false;
    }
    planned.target = *target;
    // What the firewall already has there must be of the same kind, and what is above it directories.
    std::error_code ec;
    const fs::file_status there = fs::symlink_status(planned.target, ec);
    if (planned.directory ? fs::exists(there) && !fs::is_directory(there) : fs::is_directory(there)) {
        error = shown + ": the firewall has a " + (planned.directory ? "file" : "directory") + " there";
        return false;
    }
    for (fs::path above = planned.target.parent_path(); above != base && above.has_relative_path();
         above = above.parent_path()) {
        const fs::file_status status = fs::status(above, ec);
        if (fs::exists(status) && !fs::is_directory(status)) {
            error = shown + ": the firewall has a file where its directory would be";
            return false;
        }
    }
    return true;
}

// A file of the archive that is also a directory of it (named as one, or above another entry).
bool check_kinds(const std::vector<Planned>& plan, std::string& error) {
    std::set<std::string> files;
    for (const Planned& p : plan)
        if (!p.skip && !p.directory) files.insert(p.path);
    for (const Planned& p : plan) {
        if (p.skip) continue;
        for (size_t slash = p.path.find('/'); slash != std::string::npos; slash = p.path.find('/', slash + 1)) {
            if (files.count(p.path.substr(0, slash)) != 0) {
                error = "entry '" + p.path.substr(0, slash) + "' is both a file and a directory in the archive";
                return false;
            }
        }
        if (p.directory && files.count(p.path) != 0) {
            error = "entry '" + p.path + "' is both a file and a directory in the archive";
            return false;
        }
    }
    return true;
}

// Opens the archive from the start of the descriptor (plain tar; an empty file is an empty archive).
ReadArchive open_archive(int fd, std::string& error) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        error = std::string("cannot read the archive: ") + std::strerror(errno);
        return nullptr;
    }
    ReadArchive a(archive_read_new());
    if (!a || archive_read_support_format_tar(a.get()) != ARCHIVE_OK ||
        archive_read_support_format_empty(a.get()) != ARCHIVE_OK ||
        archive_read_open_fd(a.get(), fd, 10240) != ARCHIVE_OK) {
        error = a ? "not a tar archive: " + archive_message(a.get()) : "out of memory";
        return nullptr;
    }
    return a;
}

// Reads the current entry's data, handing each piece to `take` (which may be empty).
template <typename Take>
bool read_data(archive* a, std::vector<char>& piece, const std::string& name, Take take, std::string& error) {
    for (;;) {
        const la_ssize_t n = archive_read_data(a, piece.data(), piece.size());
        if (n == 0) return true;
        if (n < 0) {
            error = "entry '" + name + "': " + archive_message(a);
            return false;
        }
        if (!take(piece.data(), static_cast<size_t>(n))) {
            error = "cannot write " + name;
            return false;
        }
    }
}

}  // namespace

bool pack_cert_dir(const fs::path& dir, FileReplacement& out, PackedCerts& packed, std::string& error) {
    packed = {};
    std::vector<Listed> listed;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(dir, ec);
    if (fs::is_directory(status)) {
        if (!list_dir(dir, listed, packed.left_out, error)) return false;
    } else if (status.type() != fs::file_type::not_found) {
        error = "the certificate directory is not a directory";
        return false;
    }

    WriteArchive a(archive_write_new());
    if (!a || archive_write_set_format_pax_restricted(a.get()) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(a.get(), 1) != ARCHIVE_OK ||
        archive_write_open(a.get(), &out, nullptr, write_to_file, nullptr) != ARCHIVE_OK) {
        error = a ? "cannot start the archive: " + archive_message(a.get()) : "out of memory";
        return false;
    }
    for (const Listed& item : listed) {
        if (item.directory) {
            if (!add_directory(a.get(), item.path, error)) return false;
            continue;
        }
        bool skipped = false;
        if (!add_file(a.get(), dir / item.path, item.path, skipped, error)) return false;
        (skipped ? packed.left_out : packed.files).push_back(item.path);
    }
    if (archive_write_close(a.get()) != ARCHIVE_OK) {
        error = "cannot finish the archive: " + archive_message(a.get());
        return false;
    }
    return true;
}

bool unpack_cert_archive(const fs::path& archive_path, const FirewallRoot& root, std::string_view dir, size_t& files,
                         std::string& error) {
    files = 0;
    const std::optional<fs::path> base = root.map(dir);
    if (!base) {
        error = "the certificate directory leads out of the firewall";
        return false;
    }
    Descriptor fd(::open(archive_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        error = std::string("cannot open the archive: ") + std::strerror(errno);
        return false;
    }
    std::vector<char> piece(kPiece);

    // First every entry is checked and its data read (a damaged archive fails here), nothing written.
    std::vector<Planned> plan;
    ReadArchive a = open_archive(fd.get(), error);
    if (!a) return false;
    archive_entry* entry = nullptr;
    int r;
    while ((r = archive_read_next_header(a.get(), &entry)) == ARCHIVE_OK) {
        Planned planned;
        if (!check_entry(entry, root, dir, *base, planned, error)) return false;
        if (!read_data(
                a.get(), piece, planned.name, [](const char*, size_t) { return true; }, error))
            return false;
        plan.push_back(std::move(planned));
    }
    if (r != ARCHIVE_EOF) {
        error = "damaged archive: " + archive_message(a.get());
        return false;
    }
    if (!check_kinds(plan, error)) return false;

    // Then the same bytes again, written out.
    a = open_archive(fd.get(), error);
    if (!a) return false;
    for (const Planned& planned : plan) {
        if (archive_read_next_header(a.get(), &entry) != ARCHIVE_OK || archive_entry_pathname(entry) == nullptr ||
            planned.name != archive_entry_pathname(entry)) {
            error = "the archive reads differently the second time";
            return false;
        }
        if (planned.skip) continue;
        std::error_code ec;
        if (planned.directory) {
            fs::create_directories(planned.target, ec);
            if (ec) {
                error = "cannot create " + planned.path + ": " + ec.message();
                return false;
            }
            continue;
        }
        FileReplacement out;
        if (!out.open(planned.target, planned.mode)) {
            error = "cannot write " + planned.path;
            return false;
        }
        const auto take = [&out](const char* data, size_t n) { return out.append(data, n); };
        if (!read_data(a.get(), piece, planned.path, take, error)) return false;
        if (!out.commit()) {
            error = "cannot write " + planned.path;
            return false;
        }
        ++files;
    }
    return true;
}

}  // namespace fwsim
