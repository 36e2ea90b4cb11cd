#include "sim/firewall_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "tests/sim/sim_test_support.h"
#include "util/files/failure_injection.h"

namespace fs = std::filesystem;

namespace {

class FirewallRootTest : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    fs::path root = dir / "root";
    void SetUp() override { fs::create_directories(root / "usr/local/etc/mgmt"); }
};

TEST_F(FirewallRootTest, FirewallPathsMapBelowTheRootWithOrWithoutLeadingSlash) {
    fwsim::FirewallRoot fw(root);
    auto conf = fw.map("/usr/local/etc/mgmt/kestrane.conf");
    ASSERT_TRUE(conf);
    EXPECT_EQ(*conf, fs::canonical(root) / "usr/local/etc/mgmt/kestrane.conf");
    EXPECT_EQ(fw.map("usr/local/etc/mgmt/kestrane.conf"), conf);
    EXPECT_EQ(fw.map("//usr/./local/etc/mgmt//kestrane.conf"), conf);
}

TEST_F(FirewallRootTest, DotDotComponentsAreRefusedEvenWhenTheyStayInside) {
    fwsim::FirewallRoot fw(root);
    EXPECT_FALSE(fw.map("/../etc/passwd"));
    EXPECT_FALSE(fw.map("../etc/passwd"));
    EXPECT_FALSE(fw.map("/usr/local/../local/etc/mgmt/kestrane.conf"));
    EXPECT_FALSE(fw.map("/usr/.."));
    EXPECT_FALSE(fw.map(".."));
    // Names that merely contain dots are ordinary names.
    EXPECT_TRUE(fw.map("/usr/..hidden"));
    EXPECT_TRUE(fw.map("/usr/a..b"));
}

TEST_F(FirewallRootTest, EmptyRootAndNulPathsAreRefused) {
    fwsim::FirewallRoot fw(root);
    EXPECT_FALSE(fw.map(""));
    EXPECT_FALSE(fw.map("/"));
    EXPECT_FALSE(fw.map("/./"));
    EXPECT_FALSE(fw.map(std::string_view("/usr/local\0/x", 13)));
}

TEST_F(FirewallRootTest, SymbolicLinksLeadingOutOfTheRootAreRefused) {
    fs::create_directories(dir / "outside");
    testsupport::writeFile(dir / "outside/secret", "secret");
    fs::create_directory_symlink(dir / "outside", root / "escape");
    fs::create_directory_symlink(root / "usr", root / "alias");
    fwsim::FirewallRoot fw(root);
    EXPECT_FALSE(fw.map("/escape/secret"));
    EXPECT_FALSE(fw.map("/escape/new-file"));
    EXPECT_TRUE(fw.map("/alias/local/etc/mgmt/kestrane.conf"));
}

TEST_F(FirewallRootTest, ReplacementAppearsOnlyOnCommitAndCreatesParents) {
    fs::path target = root / "etc/new/dir/file";
    {
        fwsim::FileReplacement out;
        ASSERT_TRUE(out.open(target));
        ASSERT_TRUE(out.append("abc", 3));
        EXPECT_FALSE(fs::exists(target));
    }  // abandoned: nothing left behind
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_empty(root / "etc/new/dir"));

    testsupport::writeFile(target, "old content");
    fwsim::FileReplacement out;
    ASSERT_TRUE(out.open(target));
    ASSERT_TRUE(out.append("new", 3));
    EXPECT_EQ(testsupport::readFile(target), "old content");
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(testsupport::readFile(target), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "etc/new/dir"), fs::directory_iterator()), 1);
}

TEST_F(FirewallRootTest, StoredFilesHaveTheModeOfAFirewallsOwnFilesAndAFailedStoreKeepsTheOld) {
    fs::path target = root / "etc/file";
    testsupport::writeFile(target, "old content");
    {
        files::testing::ScopedFailure full(files::Step::Write, 1, ENOSPC);
        fwsim::FileReplacement out;
        ASSERT_TRUE(out.open(target));
        EXPECT_FALSE(out.append("new", 3));
        EXPECT_FALSE(out.commit());
    }
    EXPECT_EQ(testsupport::readFile(target), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "etc"), fs::directory_iterator()), 1);

    fwsim::FileReplacement out;
    ASSERT_TRUE(out.open(target));
    ASSERT_TRUE(out.append("new", 3));
    ASSERT_TRUE(out.commit());
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(FirewallRootTest, ReplacementRefusesADirectoryTarget) {
    fwsim::FileReplacement out;
    EXPECT_FALSE(out.open(root / "usr/local"));
}

}  // namespace
