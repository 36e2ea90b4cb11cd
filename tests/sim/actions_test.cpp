// fwsim's firewall actions on a scratch root: the certificate archive and the databases packed on the
// old firewall and unpacked on the new one, hostile archives refused whole, and the installation of
// a new configuration.
#include "sim/actions.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <optional>

#include "conftree/tree_state.h"
#include "tests/sim/sim_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kUpgrade = "/usr/local/etc/mgmt/upgrade/";
constexpr const char* kCerts = "/usr/local/etc/kvpn/certs/";
constexpr const char* kConf = "/usr/local/etc/mgmt/kestrane.conf";

// What a test archive holds: 'f' file, 'd' directory, 's' symbolic link, 'h' hard link, 'p' pipe.
struct TarItem {
    std::string name;
    char type = 'f';
    std::string content;  // the file's bytes, or the link's target
};

la_ssize_t append_to(archive*, void* client, const void* data, size_t n) {
    static_cast<std::string*>(client)->append(static_cast<const char*>(data), n);
    return static_cast<la_ssize_t>(n);
}

std::string make_tar(const std::vector<TarItem>& items) {
    std::string bytes;
    archive* a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_open(a, &bytes, nullptr, append_to, nullptr);
    for (const TarItem& item : items) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname(e, item.name.c_str());
        archive_entry_set_perm(e, 0644);
        switch (item.type) {
        case 'd':
            archive_entry_set_filetype(e, AE_IFDIR);
            break;
        case 's':
            archive_entry_set_filetype(e, AE_IFLNK);
            archive_entry_set_symlink(e, item.content.c_str());
            break;
        case 'h':
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_hardlink(e, item.content.c_str());
            break;
        case 'p':
            archive_entry_set_filetype(e, AE_IFIFO);
            break;
        default:
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_size(e, static_cast<la_int64_t>(item.content.size()));
        }
        EXPECT_EQ(archive_write_header(a, e), ARCHIVE_OK) << item.name;
        if (item.type == 'f') archive_write_data(a, item.content.data(), item.content.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
    return bytes;
}

// The archive's entries: name -> content for files, "<dir>" for directories, "<other>" for the rest.
std::optional<std::map<std::string, std::string>> read_tar(const fs::path& file) {
    archive* a = archive_read_new();
    archive_read_support_format_tar(a);
    std::map<std::string, std::string> entries;
    bool ok = archive_read_open_filename(a, file.c_str(), 10240) == ARCHIVE_OK;
    archive_entry* e = nullptr;
    int r = ARCHIVE_OK;
    while (ok && (r = archive_read_next_header(a, &e)) == ARCHIVE_OK) {
        std::string name = archive_entry_pathname(e);
        if (name.ends_with('/')) name.pop_back();
        std::string& content = entries[name];
        if (archive_entry_filetype(e) == AE_IFDIR) {
            content = "<dir>";
        } else if (archive_entry_filetype(e) != AE_IFREG) {
            content = "<other>";
        } else {
            char piece[4096];
            la_ssize_t n;
            while ((n = archive_read_data(a, piece, sizeof piece)) > 0) content.append(piece, static_cast<size_t>(n));
            ok = n == 0;
        }
    }
    ok = ok && r == ARCHIVE_EOF;
    archive_read_free(a);
    if (!ok) return std::nullopt;
    return entries;
}

class ActionsTest : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    fs::path root = dir / "root";

    void SetUp() override { put(kConf, "a=1\n"); }

    fs::path local(const std::string& firewall_path) const { return root / firewall_path.substr(1); }
    void put(const std::string& firewall_path, const std::string& content) {
        ASSERT_TRUE(testsupport::writeFile(local(firewall_path), content));
    }
    std::string get(const std::string& firewall_path) const { return testsupport::readFile(local(firewall_path)); }
    bool has(const std::string& firewall_path) const {
        std::error_code ec;
        return fs::exists(fs::symlink_status(local(firewall_path), ec));
    }
    fwsim::FirewallRoot fw() const { return fwsim::FirewallRoot(root); }
    // Everything under the scratch directory, files with their content: to see that a refused action
    // changed nothing. Directories may be left out.
    std::map<std::string, std::string> snapshot(bool directories = true) const {
        std::map<std::string, std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
            if (fs::is_regular_file(e.symlink_status()))
                found[e.path().string()] = testsupport::readFile(e.path());
            else if (directories || !fs::is_directory(e.symlink_status()))
                found[e.path().string()] = "<not a file>";
        }
        return found;
    }
};

TEST_F(ActionsTest, PackCertsArchivesTheCertificateDirectoryAndSavesTheDatabasesThatExist) {
    put(std::string(kCerts) + "ca.pem", "-----BEGIN DEMO CERTIFICATE-----\nca\n");
    put(std::string(kCerts) + "peers/gw.pem", "-----BEGIN DEMO CERTIFICATE-----\ngw\n");
    fs::create_symlink("ca.pem", local(std::string(kCerts) + "alias.pem"));
    put("/usr/local/etc/mgmt/tovad-authdb", "admin:x\n");
    put("/usr/local/etc/mgmt/pop3-authdb", "carol:y\n");

    const fwsim::ActionResult r = fwsim::pack_certs(fw());
    EXPECT_EQ(r.status, 200) << r.note;
    EXPECT_EQ(r.note, "2 certificate files packed, 2 databases saved");

    const auto entries = read_tar(local(std::string(kUpgrade) + "kvpn_certs.tar"));
    ASSERT_TRUE(entries);
    const std::map<std::string, std::string> expected = {
        {"ca.pem", "-----BEGIN DEMO CERTIFICATE-----\nca\n"},
        {"peers", "<dir>"},
        {"peers/gw.pem", "-----BEGIN DEMO CERTIFICATE-----\ngw\n"},
    };
    EXPECT_EQ(*entries, expected);  // relative names; the link is not followed nor archived
    EXPECT_EQ(get(std::string(kUpgrade) + "kvpn_cert_status.conf"),
              "certificates=2\ncertificate_1=ca.pem\ncertificate_2=peers/gw.pem\n");
    EXPECT_EQ(get(std::string(kUpgrade) + "extrafiles.txt"), "/usr/local/etc/kvpn/certs/alias.pem\n");
    EXPECT_EQ(get(std::string(kUpgrade) + "authlist.txt"),
              "/usr/local/etc/mgmt/tovad-authdb\n/usr/local/etc/mgmt/pop3-authdb\n");
    EXPECT_EQ(get("/usr/local/etc/mgmt/tovad-authdb.save"), "admin:x\n");
    EXPECT_EQ(get("/usr/local/etc/mgmt/pop3-authdb.save"), "carol:y\n");
    EXPECT_FALSE(has("/usr/local/etc/fw-authdb.save"));
}

TEST_F(ActionsTest, PackCertsWithoutCertificatesOrDatabasesStillSucceedsWithAnEmptyArchive) {
    for (bool empty_dir : {false, true}) {
        if (empty_dir) fs::create_directories(local(kCerts));
        const fwsim::ActionResult r = fwsim::pack_certs(fw());
        EXPECT_EQ(r.status, 200) << r.note;
        const auto entries = read_tar(local(std::string(kUpgrade) + "kvpn_certs.tar"));
        ASSERT_TRUE(entries);
        EXPECT_TRUE(entries->empty());
        EXPECT_EQ(get(std::string(kUpgrade) + "kvpn_cert_status.conf"), "certificates=0\n");
        EXPECT_EQ(get(std::string(kUpgrade) + "authlist.txt"), "");
        EXPECT_TRUE(has(std::string(kUpgrade) + "extrafiles.txt"));
    }
    // A file where the directory should be is a failure, and no file is written.
    fs::remove_all(local("/usr/local/etc/mgmt/upgrade"));
    fs::remove_all(local(kCerts));
    put("/usr/local/etc/kvpn/certs", "not a directory");
    put("/usr/local/etc/fw-authdb", "alice:z\n");
    const auto before = snapshot(false);
    EXPECT_EQ(fwsim::pack_certs(fw()).status, 500);
    EXPECT_EQ(snapshot(false), before);
}

TEST_F(ActionsTest, UnpackCertsRestoresWhatPackCertsSavedOnAnotherFirewall) {
    put(std::string(kCerts) + "ca.pem", "ca certificate\n");
    put(std::string(kCerts) + "keys/gw.key", "made-up key text\n");
    ::chmod(local(std::string(kCerts) + "keys/gw.key").c_str(), 0600);
    put("/usr/local/etc/fw-authdb", "alice:z\n");
    ASSERT_EQ(fwsim::pack_certs(fw()).status, 200);

    // The new firewall gets the files where the upgrade puts them.
    testsupport::ScratchDir other;
    const fs::path new_root = other / "root";
    const auto carry = [&](const std::string& from, const std::string& to) {
        ASSERT_TRUE(testsupport::writeFile(new_root / to.substr(1), get(from)));
    };
    carry(std::string(kUpgrade) + "kvpn_certs.tar", std::string(kUpgrade) + "kvpn_certs.tar.PRE60UPGRADE");
    carry("/usr/local/etc/fw-authdb.save", "/usr/local/etc/fw-authdb.save");
    fwsim::FirewallRoot new_fw(new_root);

    const fwsim::ActionResult r = fwsim::unpack_certs(new_fw);
    EXPECT_EQ(r.status, 200) << r.note;
    EXPECT_EQ(r.note, "2 certificate files unpacked, 1 databases restored");
    EXPECT_EQ(testsupport::readFile(new_root / "usr/local/etc/kvpn/certs/ca.pem"), "ca certificate\n");
    EXPECT_EQ(testsupport::readFile(new_root / "usr/local/etc/kvpn/certs/keys/gw.key"), "made-up key text\n");
    struct stat info {};
    ASSERT_EQ(::stat((new_root / "usr/local/etc/kvpn/certs/keys/gw.key").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);  // a key stays owner-only
    EXPECT_EQ(testsupport::readFile(new_root / "usr/local/etc/fw-authdb"), "alice:z\n");
    EXPECT_FALSE(fs::exists(new_root / "usr/local/etc/mgmt/tovad-authdb"));

    // Without an archive there is nothing to unpack: 404, and the databases are left alone.
    fs::remove(new_root / "usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE");
    ASSERT_TRUE(testsupport::writeFile(new_root / "usr/local/etc/fw-authdb.save", "changed\n"));
    EXPECT_EQ(fwsim::unpack_certs(new_fw).status, 404);
    EXPECT_EQ(testsupport::readFile(new_root / "usr/local/etc/fw-authdb"), "alice:z\n");
}

TEST_F(ActionsTest, HostileOrDamagedArchivesAreRefusedWholeAndNothingIsWritten) {
    // Inside the certificate directory, a link to elsewhere on the firewall; beside it, a file.
    fs::create_directories(local(kCerts));
    fs::create_directory_symlink(local("/usr/local/etc/mgmt"), local(std::string(kCerts) + "mgmt"));
    put(std::string(kCerts) + "plain", "a file\n");
    put("/usr/local/etc/mgmt/tovad-authdb.save", "restored?\n");
    const TarItem good{"good.pem", 'f', "good\n"};
    const std::string full = make_tar({good, {"big.pem", 'f', std::string(3000, 'b')}});
    struct Case {
        const char* what;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"absolute path", make_tar({good, {"/evil", 'f', "x"}})},
        {"absolute path into the root", make_tar({good, {"/usr/local/etc/mgmt/kestrane.conf", 'f', "x"}})},
        {"dot-dot", make_tar({good, {"../../../../../evil", 'f', "x"}})},
        {"dot-dot within", make_tar({good, {"sub/../../evil", 'f', "x"}})},
        {"symbolic link", make_tar({good, {"link", 's', "/usr/local/etc/mgmt"}})},
        {"hard link", make_tar({good, {"hard", 'h', "good.pem"}})},
        {"pipe", make_tar({good, {"pipe", 'p', ""}})},
        {"through a link on the firewall", make_tar({good, {"mgmt/kestrane.conf", 'f', "x"}})},
        {"file over a file's directory", make_tar({good, {"plain/inner", 'f', "x"}})},
        {"file and directory in the archive", make_tar({good, {"a", 'f', "x"}, {"a/b", 'f', "y"}})},
        {"truncated", full.substr(0, 512 + 512 + 512 + 1000)},
        {"not an archive", std::string(2000, 'x')},
    };
    for (const Case& c : cases) {
        put(std::string(kUpgrade) + "kvpn_certs.tar.PRE60UPGRADE", c.bytes);
        const auto before = snapshot();
        const fwsim::ActionResult r = fwsim::unpack_certs(fw());
        EXPECT_EQ(r.status, 500) << c.what << ": " << r.note;
        EXPECT_EQ(snapshot(), before) << c.what << ": " << r.note;
        EXPECT_FALSE(has("/evil")) << c.what;
        EXPECT_FALSE(fs::exists(dir / "evil")) << c.what;
    }
    EXPECT_EQ(get(kConf), "a=1\n");
    EXPECT_FALSE(has("/usr/local/etc/mgmt/tovad-authdb"));

    // The same archive without its hostile entry is taken.
    put(std::string(kUpgrade) + "kvpn_certs.tar.PRE60UPGRADE", make_tar({{"./", 'd', ""}, good}));
    EXPECT_EQ(fwsim::unpack_certs(fw()).status, 200);
    EXPECT_EQ(get(std::string(kCerts) + "good.pem"), "good\n");
    EXPECT_EQ(get("/usr/local/etc/mgmt/tovad-authdb"), "restored?\n");
}

TEST_F(ActionsTest, UpdateConfInstallsALoadableConfigurationKeepingThePreviousOne) {
    std::ostream* log_before = &treeLog();
    put("/usr/local/etc/mgmt/kestrane.conf.new", "# new\nsystem_hostname=fw\na=2\n");
    fwsim::ActionResult r = fwsim::update_conf(fw());
    EXPECT_EQ(r.status, 200) << r.note;
    EXPECT_EQ(get(kConf), "# new\nsystem_hostname=fw\na=2\n");
    EXPECT_EQ(get("/usr/local/etc/mgmt/kestrane.conf.previous"), "a=1\n");
    EXPECT_FALSE(has("/usr/local/etc/mgmt/kestrane.conf.new"));
    EXPECT_EQ(&treeLog(), log_before);  // the reader's log stream is the one it was before

    // Nothing to install: 500, and nothing changes.
    r = fwsim::update_conf(fw());
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.note, "no kestrane.conf.new to install");
    EXPECT_EQ(get(kConf), "# new\nsystem_hostname=fw\na=2\n");
    EXPECT_EQ(get("/usr/local/etc/mgmt/kestrane.conf.previous"), "a=1\n");
}

TEST_F(ActionsTest, UpdateConfRefusesWhatDoesNotLoadAsAConfigurationAndChangesNothing) {
    for (const char* text : {"", "# only a comment\n", "no equals sign here\nnor here\n", "\x01\x02\xff\n"}) {
        put("/usr/local/etc/mgmt/kestrane.conf.new", text);
        const auto before = snapshot();
        const fwsim::ActionResult r = fwsim::update_conf(fw());
        EXPECT_EQ(r.status, 500) << text;
        EXPECT_EQ(r.note, "kestrane.conf.new does not load as a configuration");
        EXPECT_EQ(snapshot(), before) << text;
    }
    fs::remove(local("/usr/local/etc/mgmt/kestrane.conf.new"));
    fs::create_directories(local("/usr/local/etc/mgmt/kestrane.conf.new"));
    EXPECT_EQ(fwsim::update_conf(fw()).status, 500);
    EXPECT_EQ(get(kConf), "a=1\n");
    EXPECT_FALSE(has("/usr/local/etc/mgmt/kestrane.conf.previous"));
}

// The demonstration roots hold what the upgrade moves: after packcerts every file it downloads from
// the old firewall is there, and the new firewall takes the old configuration.
TEST(DemoRoots, OldRootHasEveryUpgradeFileAfterPackCertsAndNewRootTakesAConfiguration) {
    const fs::path demo = fs::path(PROJECT_SOURCE_DIR) / "data/demo";
    testsupport::ScratchDir dir;
    fs::copy(demo, dir.path(), fs::copy_options::recursive);
    const fs::path old_root = dir / "old-root";
    const fwsim::ActionResult r = fwsim::pack_certs(fwsim::FirewallRoot(old_root));
    EXPECT_EQ(r.status, 200) << r.note;
    EXPECT_EQ(r.note, "2 certificate files packed, 3 databases saved");
    for (const char* file :
         {"usr/local/etc/mgmt/kestrane.conf", "usr/local/etc/mgmt/upgrade/authlist.txt",
          "usr/local/etc/mgmt/upgrade/extrafiles.txt", "usr/local/etc/mgmt/tovad-authdb.save",
          "usr/local/etc/fw-authdb.save", "usr/local/etc/mgmt/pop3-authdb.save", "usr/local/etc/mgmt/keys.conf",
          "usr/local/etc/netperm-table", "usr/local/etc/frequentcheck.ignore", "usr/local/etc/securityalerts.ignore",
          "usr/local/etc/mgmt/upgrade/kvpn_certs.tar", "usr/local/etc/mgmt/upgrade/kvpn_cert_status.conf",
          "tmp/full-backup.tar"})
        EXPECT_TRUE(fs::is_regular_file(old_root / file)) << file;
    EXPECT_TRUE(read_tar(old_root / "tmp/full-backup.tar"));

    const fs::path new_root = dir / "new-root";
    fs::copy_file(old_root / "usr/local/etc/mgmt/kestrane.conf", new_root / "usr/local/etc/mgmt/kestrane.conf.new");
    EXPECT_EQ(fwsim::update_conf(fwsim::FirewallRoot(new_root)).status, 200);
    EXPECT_EQ(testsupport::readFile(new_root / "usr/local/etc/mgmt/kestrane.conf.previous"),
              testsupport::readFile(demo / "new-root/usr/local/etc/mgmt/kestrane.conf"));
}

}  // namespace
