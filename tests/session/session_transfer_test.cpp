// Files copied from and to the simulator at every privacy and integrity setting, at the sizes where
// block boundaries fall (0, 1, 8192, 8193 bytes and 1 MB), binary and text.
#include <gtest/gtest.h>

#include "tests/session/session_fixture.h"

namespace fs = std::filesystem;

namespace {

struct Protection {
    int privacy;    // -1: not announced (the client takes DES)
    int integrity;  // -1: not announced
};

std::string name_of(const ::testing::TestParamInfo<Protection>& info) {
    auto part = [](const char* what, int v) { return std::string(what) + (v < 0 ? "Default" : std::to_string(v)); };
    return part("Privacy", info.param.privacy) + part("Integrity", info.param.integrity);
}

class Transfers : public SessionFixture, public ::testing::WithParamInterface<Protection> {
protected:
    void SetUp() override {
        std::vector<std::string> args;
        if (GetParam().privacy >= 0) args.insert(args.end(), {"--privacy", std::to_string(GetParam().privacy)});
        if (GetParam().integrity >= 0) args.insert(args.end(), {"--integrity", std::to_string(GetParam().integrity)});
        start(args);
        aim(session);
    }
    MgmtSession session;
};

constexpr size_t kSizes[] = {0, 1, 8192, 8193, 1 << 20};

TEST_P(Transfers, FilesOfEverySizeArriveUnchangedInBothDirections) {
    ASSERT_TRUE(session.login()) << sim.log();
    for (bool binary : {true, false}) {
        for (size_t size : kSizes) {
            SCOPED_TRACE((binary ? "binary " : "text ") + std::to_string(size));
            std::string content = binary ? simtest::binary_content(size, uint32_t(size)) : simtest::text_content(size);
            std::string remote = "/usr/local/etc/mgmt/f" + std::to_string(size) + (binary ? ".bin" : ".txt");

            testsupport::writeFile(firewall_file(remote), content);
            fs::path local = dir / ("fetched-" + std::to_string(size));
            ASSERT_EQ(session.fetch_file(remote.c_str(), local.c_str(), binary), 200) << sim.log();
            EXPECT_TRUE(testsupport::readFile(local) == content);
            EXPECT_EQ(fs::file_size(local), size);

            fs::path upload = dir / ("upload-" + std::to_string(size));
            testsupport::writeFile(upload, content);
            std::string back = remote + ".back";
            ASSERT_EQ(session.send_file(upload.c_str(), back.c_str(), binary), 200) << sim.log();
            EXPECT_TRUE(testsupport::readFile(firewall_file(back)) == content);
        }
    }
}

TEST_P(Transfers, MissingFilesOnEitherSideAreReportedAsDescribed) {
    ASSERT_TRUE(session.login()) << sim.log();
    fs::path local = dir / "never";
    EXPECT_EQ(session.fetch_file("/usr/local/etc/mgmt/absent", local.c_str(), true), 404);
    EXPECT_FALSE(fs::exists(local)) << "no local file for a failed fetch";
    // A local file that does not exist is optional: 200 and nothing sent.
    EXPECT_EQ(session.send_file((dir / "absent").c_str(), "/etc/x", true), 200);
    // The connection is still in step after both.
    testsupport::writeFile(firewall_file("/etc/y"), "y");
    EXPECT_EQ(session.fetch_file("/etc/y", local.c_str(), false), 200);
    session.logout();
    ASSERT_TRUE(sim.wait_for_log("closed"));
    EXPECT_EQ(sim.log().find("download1"), std::string::npos) << sim.log();
}

TEST_P(Transfers, ReplacingAnExistingLocalFileKeepsOnlyTheNewContent) {
    ASSERT_TRUE(session.login()) << sim.log();
    fs::path local = dir / "local";
    testsupport::writeFile(local, std::string(50000, 'o'));
    testsupport::writeFile(firewall_file("/etc/short"), "short");
    ASSERT_EQ(session.fetch_file("/etc/short", local.c_str(), true), 200);
    EXPECT_EQ(testsupport::readFile(local), "short");
}

INSTANTIATE_TEST_SUITE_P(EveryProtection, Transfers,
                         ::testing::Values(Protection{0, 1}, Protection{1, 0}, Protection{1, 1}, Protection{2, 0},
                                           Protection{2, 1}, Protection{-1, -1}),
                         name_of);

}  // namespace
