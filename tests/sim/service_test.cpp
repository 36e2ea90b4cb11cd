#include "sim/service.h"

#include <gtest/gtest.h>

#include "tests/sim/sim_test_support.h"

namespace fs = std::filesystem;

namespace {

class ServiceTest : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    fwsim::SimOptions options;
    fwsim::ConnectionState state;

    void SetUp() override {
        options.root = (dir / "root").string();
        options.password = "pw";
        fs::create_directories(options.root);
        testsupport::writeFile(dir / "root/usr/local/etc/mgmt/kestrane.conf", "a=1\n");
    }

    fwsim::Response send(const std::string& message) {
        fwsim::Request request;
        std::string error;
        EXPECT_TRUE(fwsim::parse_request(message, request, error)) << error;
        last_log = "";
        fwsim::Response r = fwsim::Service(options).handle(request, state);
        last_log = fwsim::request_log_line(request, r);
        return r;
    }
    std::string last_log;
};

TEST_F(ServiceTest, VersionAnswerCarriesTheConfiguredText) {
    options.version = "KF6.0";
    auto r = send("GET /realgui/getversion; HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "version=KF6.0\n");
    EXPECT_EQ(fwsim::response_head(r), "HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(last_log, "GET /realgui/getversion; -> 200");
}

TEST_F(ServiceTest, AuthConfirmationsSucceedAndTheLockFollowsLockHeld) {
    EXPECT_EQ(send("GET /realgui/getauthconfirm; HTTP/1.0\r\n\r\n").status, 200);
    EXPECT_EQ(send("GET /gui/getauthconfirm; HTTP/1.0\r\n\r\n").status, 200);
    EXPECT_EQ(send("GET /realgui/getconfiglock; HTTP/1.0\r\n\r\n").status, 200);
    options.lock_held = true;
    EXPECT_EQ(send("GET /realgui/getconfiglock; HTTP/1.0\r\n\r\n").status, 404);
    EXPECT_EQ(last_log, "GET /realgui/getconfiglock; -> 404 (lock held)");
}

TEST_F(ServiceTest, ActionsAnswer500OnlyWhenAskedToFailAndThenDoNothing) {
    const fs::path mgmt = dir / "root/usr/local/etc/mgmt";
    testsupport::writeFile(mgmt / "kestrane.conf.new", "a=2\n");
    testsupport::writeFile(mgmt / "upgrade/kvpn_certs.tar.PRE60UPGRADE", "");  // an empty archive
    options.fail = {"unpackcerts"};
    EXPECT_EQ(send("GET /upgrade/packcerts; HTTP/1.0\r\n\r\n").status, 200);
    EXPECT_EQ(last_log, "GET /upgrade/packcerts; -> 200 (0 certificate files packed, 0 databases saved)");
    EXPECT_EQ(send("GET /upgrade/unpackcerts; HTTP/1.0\r\n\r\n").status, 500);
    EXPECT_EQ(last_log, "GET /upgrade/unpackcerts; -> 500 (failing on request)");
    EXPECT_EQ(send("GET /upgrade/updateconf; HTTP/1.0\r\n\r\n").status, 200);
    EXPECT_EQ(send("GET /upgrade/otheraction; HTTP/1.0\r\n\r\n").status, 404);

    fs::remove_all(mgmt / "upgrade");
    testsupport::writeFile(mgmt / "kestrane.conf.new", "a=3\n");
    options.fail = {"packcerts", "updateconf"};
    EXPECT_EQ(send("GET /upgrade/packcerts; HTTP/1.0\r\n\r\n").status, 500);
    EXPECT_EQ(send("GET /upgrade/updateconf; HTTP/1.0\r\n\r\n").status, 500);
    EXPECT_FALSE(fs::exists(mgmt / "upgrade"));
    EXPECT_EQ(testsupport::readFile(mgmt / "kestrane.conf"), "a=2\n");
    EXPECT_TRUE(fs::exists(mgmt / "kestrane.conf.new"));
}

TEST_F(ServiceTest, ActionNotesNamingFilesStayOnOneLine) {
    const fs::path cert = dir / "root/usr/local/etc/kvpn/certs/a\nb.pem";
    testsupport::writeFile(cert, "x");
    EXPECT_EQ(send("GET /upgrade/packcerts; HTTP/1.0\r\n\r\n").status, 200);
    fs::copy_file(dir / "root/usr/local/etc/mgmt/upgrade/kvpn_certs.tar",
                  dir / "root/usr/local/etc/mgmt/upgrade/kvpn_certs.tar.PRE60UPGRADE");
    fs::remove(cert);
    fs::create_directory(cert);  // the entry cannot be unpacked over it
    EXPECT_EQ(send("GET /upgrade/unpackcerts; HTTP/1.0\r\n\r\n").status, 500);
    EXPECT_EQ(last_log, "GET /upgrade/unpackcerts; -> 500 (entry 'a\\x0ab.pem': the firewall has a directory there)");
}

TEST_F(ServiceTest, FaultsAreFoundByActionCommandOrTheFirewallPathInTheBody) {
    options.hang = {"packcerts", "getauthconfirm", "/etc/a"};
    options.drop = {"getversion", "/etc/b"};
    const fwsim::Service service(options);
    const auto fault = [&](const std::string& message) {
        fwsim::Request request;
        std::string error;
        EXPECT_TRUE(fwsim::parse_request(message, request, error)) << error;
        return service.fault(request);
    };
    using fwsim::Fault;
    EXPECT_EQ(fault("GET /upgrade/packcerts; HTTP/1.0\r\n\r\n"), Fault::Hang);
    EXPECT_EQ(fault("GET /upgrade/updateconf; HTTP/1.0\r\n\r\n"), Fault::None);
    EXPECT_EQ(fault("GET /realgui/getauthconfirm; HTTP/1.0\r\n\r\n"), Fault::Hang);
    EXPECT_EQ(fault("GET /gui/getauthconfirm; HTTP/1.0\r\n\r\n"), Fault::Hang);
    EXPECT_EQ(fault("GET /realgui/getversion; HTTP/1.0\r\n\r\n"), Fault::Drop);
    EXPECT_EQ(fault("GET /realgui/getconfiglock; HTTP/1.0\r\n\r\n"), Fault::None);
    EXPECT_EQ(fault("POST /upgrade/upload; HTTP/1.0\r\n\r\n/etc/a"), Fault::Hang);
    EXPECT_EQ(fault("POST /upgrade/download1; HTTP/1.0\r\n\r\n/etc/b"), Fault::Drop);
    EXPECT_EQ(fault("POST /upgrade/download1; HTTP/1.0\r\n\r\n/etc/c"), Fault::None);
    // A body is a path only when it looks like one; the shell's requests are not matched.
    EXPECT_EQ(fault("POST /upgrade/upload; HTTP/1.0\r\n\r\ngetversion"), Fault::None);
    EXPECT_EQ(fault("GET /etc/a HTTP/1.0\r\n\r\n"), Fault::None);
}

TEST_F(ServiceTest, UploadServesTheFirewallFileOr404) {
    auto r = send("POST /upgrade/upload; HTTP/1.0\r\n\r\n/usr/local/etc/mgmt/kestrane.conf");
    EXPECT_EQ(r.status, 200);
    ASSERT_TRUE(r.file);
    EXPECT_EQ(testsupport::readFile(*r.file), "a=1\n");
    EXPECT_EQ(last_log, "POST /upgrade/upload; /usr/local/etc/mgmt/kestrane.conf -> 200");

    EXPECT_EQ(send("POST /upgrade/upload; HTTP/1.0\r\n\r\n/usr/local/etc/mgmt/missing").status, 404);
    EXPECT_EQ(send("POST /upgrade/upload; HTTP/1.0\r\n\r\n/usr/local/etc/mgmt").status, 404);  // a directory
    r = send("POST /upgrade/upload; HTTP/1.0\r\n\r\n/usr/../../etc/passwd");
    EXPECT_EQ(r.status, 404);
    EXPECT_FALSE(r.file);
    EXPECT_EQ(last_log, "POST /upgrade/upload; /usr/../../etc/passwd -> 404 (path refused)");
}

TEST_F(ServiceTest, Download1ThenDownload2StoresTheFile) {
    EXPECT_EQ(send("POST /upgrade/download1; HTTP/1.0\r\n\r\n/etc/new/file.bin").status, 200);
    EXPECT_FALSE(fs::exists(dir / "root/etc/new/file.bin"));
    std::string content("\0\1\2\r\n\xff", 6);
    EXPECT_EQ(send("POST /upgrade/download2; HTTP/1.0\r\n\r\n" + content).status, 200);
    EXPECT_EQ(testsupport::readFile(dir / "root/etc/new/file.bin"), content);
    // The target is used once.
    EXPECT_EQ(send("POST /upgrade/download2; HTTP/1.0\r\n\r\nmore").status, 400);
    EXPECT_EQ(testsupport::readFile(dir / "root/etc/new/file.bin"), content);
}

TEST_F(ServiceTest, Download1RefusesEscapingPathsAndForgetsAnEarlierTarget) {
    EXPECT_EQ(send("POST /upgrade/download1; HTTP/1.0\r\n\r\n/etc/a").status, 200);
    EXPECT_EQ(send("POST /upgrade/download1; HTTP/1.0\r\n\r\n/../outside").status, 404);
    EXPECT_EQ(send("POST /upgrade/download2; HTTP/1.0\r\n\r\nx").status, 400);
    EXPECT_FALSE(fs::exists(dir / "outside"));
    EXPECT_FALSE(fs::exists(dir / "root/etc/a"));
}

TEST_F(ServiceTest, CommandsSentWithTheWrongMethodOrABodyAreRefused) {
    EXPECT_EQ(send("POST /realgui/getversion; HTTP/1.0\r\n\r\n").status, 405);
    EXPECT_EQ(send("GET /upgrade/upload; HTTP/1.0\r\n\r\n").status, 405);
    EXPECT_EQ(send("GET /realgui/getversion; HTTP/1.0\r\n\r\nbody").status, 400);
    EXPECT_EQ(send("GET /realgui/unknown; HTTP/1.0\r\n\r\n").status, 404);
}

TEST_F(ServiceTest, ShellRequestsReadAndWriteFirewallFiles) {
    auto r = send("GET /usr/local/etc/mgmt/kestrane.conf HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.status, 200);
    ASSERT_TRUE(r.file);
    EXPECT_EQ(send("POST /tmp/put.txt HTTP/1.0\r\n\r\nhello\n").status, 200);
    EXPECT_EQ(testsupport::readFile(dir / "root/tmp/put.txt"), "hello\n");
    EXPECT_EQ(send("GET /tmp/none HTTP/1.0\r\n\r\n").status, 404);
    EXPECT_EQ(send("POST /tmp/../../x HTTP/1.0\r\n\r\nx").status, 404);
    EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST_F(ServiceTest, ChallengeAnswers401UntilAnAuthorizationLineComes) {
    options.challenge = "basic realm=\"password\"";
    auto r = send("GET /usr/local/etc/mgmt/kestrane.conf HTTP/1.0\r\n\r\n");
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(fwsim::response_head(r),
              "HTTP/1.0 401 Unauthorized\r\nwww-authenticate: basic realm=\"password\"\r\n\r\n");
    EXPECT_EQ(send("POST /tmp/p HTTP/1.0\r\n\r\nx").status, 401);
    EXPECT_FALSE(fs::exists(dir / "root/tmp/p"));
    EXPECT_EQ(send("GET /usr/local/etc/mgmt/kestrane.conf HTTP/1.0\r\nAuthorization: Basic dTpw\r\n\r\n").status, 200);
    // The upgrade commands are not challenged.
    EXPECT_EQ(send("GET /realgui/getversion; HTTP/1.0\r\n\r\n").status, 200);
}

TEST_F(ServiceTest, LogLinesStayOnOneLineWhateverTheClientSends) {
    send("POST /upgrade/upload; HTTP/1.0\r\n\r\n/a\nb\x01");
    EXPECT_EQ(last_log, "POST /upgrade/upload; /a\\x0ab\\x01 -> 404 (no such file)");
}

}  // namespace

namespace {

// A request taken in pieces (head, then the body) must be answered as the whole message is, and leave
// the same files behind; requests that do not store their body are left to handle().
TEST(ServiceUploadTest, PiecewiseUploadsAnswerAsWholeRequestsDo) {
    struct Case {
        std::string head;
        bool challenge;
        bool after_download1;  // a download1 of /etc/d.txt went before
        bool taken;            // begin_upload takes it
    };
    const std::vector<Case> cases = {
        {"POST /etc/new.txt HTTP/1.0\r\n\r\n", false, false, true},
        {"POST /etc/new.txt HTTP/1.0\r\n\r\n", true, false, true},  // 401
        {"POST /etc/new.txt HTTP/1.0\r\nAuthorization: x\r\n\r\n", true, false, true},
        {"POST /../out.txt HTTP/1.0\r\n\r\n", false, false, true},  // 404
        {"POST /etc HTTP/1.0\r\n\r\n", false, false, true},         // a directory: 500
        {"POST /upgrade/download2; HTTP/1.0\r\n\r\n", false, true, true},
        {"POST /upgrade/download2; HTTP/1.0\r\n\r\n", false, false, false},
        {"POST /upgrade/upload; HTTP/1.0\r\n\r\n", false, false, false},
        {"POST /upgrade/packcerts; HTTP/1.0\r\n\r\n", false, false, false},
        {"POST /upgrade/nothing; HTTP/1.0\r\n\r\n", false, false, false},
        {"GET /etc/new.txt HTTP/1.0\r\n\r\n", false, false, false},
    };
    const std::string body = simtest::binary_content(30000, 3);
    for (const Case& c : cases) {
        fwsim::Response answers[2];
        std::string stored[2];
        for (int piecewise = 0; piecewise < 2; ++piecewise) {
            testsupport::ScratchDir dir;
            fwsim::SimOptions options;
            options.root = (dir / "root").string();
            options.password = "pw";
            if (c.challenge) options.challenge = "Basic realm=\"fw\"";
            fs::create_directories(dir / "root/etc");
            const fwsim::Service service(options);
            fwsim::ConnectionState state;
            if (c.after_download1) state.pending_download = dir / "root/etc/d.txt";
            fwsim::Request request;
            std::string error;
            if (piecewise) {
                ASSERT_TRUE(fwsim::parse_request(c.head, request, error)) << error;
                fwsim::Upload upload;
                ASSERT_EQ(service.begin_upload(request, state, upload), c.taken) << c.head;
                if (!c.taken) break;
                upload.append(body.data(), 1000);
                upload.append(body.data() + 1000, body.size() - 1000);
                answers[1] = service.finish_upload(upload);
            } else {
                const std::string message = c.head + body;
                ASSERT_TRUE(fwsim::parse_request(message, request, error)) << error;
                answers[0] = service.handle(request, state);
            }
            EXPECT_FALSE(state.pending_download) << c.head;
            for (const char* name : {"root/etc/new.txt", "root/etc/d.txt", "out.txt"})
                if (fs::is_regular_file(dir / name))
                    stored[piecewise] += std::string(name) + "=" + testsupport::readFile(dir / name);
        }
        if (!c.taken) continue;
        EXPECT_EQ(answers[1].status, answers[0].status) << c.head;
        EXPECT_EQ(answers[1].note, answers[0].note) << c.head;
        EXPECT_EQ(answers[1].headers, answers[0].headers) << c.head;
        EXPECT_EQ(stored[1], stored[0]) << c.head;
    }
}

}  // namespace
