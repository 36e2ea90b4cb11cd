// A firewall simulator in a temporary directory for the session tests: its root, its process and a
// session aimed at it. Every test ends without a connection left in the process.
#pragma once

#include <gtest/gtest.h>

#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "tests/sim/sim_test_support.h"

class SessionFixture : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    std::filesystem::path root = dir / "root";
    fwsim::FwsimProcess sim;

    void TearDown() override { MgmtSession().logout(); }

    // Starts fwsim with the user "admin", the password "pw" and the extra arguments.
    void start(std::vector<std::string> args = {}) {
        std::filesystem::create_directories(root);
        args.insert(args.begin(), {"--root", root.string(), "--user", "admin", "--password", "pw"});
        std::string error;
        ASSERT_TRUE(sim.start(simtest::fwsim_program(), args, dir.path(), error)) << error;
    }
    void aim(MgmtSession& s, const char* password = "pw") { s.set_target("127.0.0.1", sim.port(), "admin", password); }
    std::filesystem::path firewall_file(const std::string& path) { return root / path.substr(1); }
};
