// A fwsim process started for one test: a scratch firewall root holding a configuration, the user
// admin with the password pw, and the session's shared connection released at the end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "lib/fwall/mgmt_session.h"
#include "sim/launcher.h"
#include "tests/sim/sim_test_support.h"

class FwsimFixture : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    std::filesystem::path root = dir / "root";
    fwsim::FwsimProcess sim;

    void SetUp() override { testsupport::writeFile(root / "usr/local/etc/mgmt/kestrane.conf", "a=1\n"); }
    void TearDown() override { MgmtSession().logout(); }

    // Starts fwsim on the root with these further arguments.
    void start(std::vector<std::string> args) {
        args.insert(args.begin(), {"--root", root.string(), "--user", "admin", "--password", "pw"});
        std::string error;
        ASSERT_TRUE(sim.start(simtest::fwsim_program(), args, dir.path(), error)) << error;
    }
};
