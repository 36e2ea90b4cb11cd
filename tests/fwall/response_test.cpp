// Reading responses: the status and header parser, the challenge hook, where the body goes, and
// responses cut into blocks at every boundary. Blocks come from a memory transport on a record that
// is not established, so they travel as plain "flags, length, data".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "lib/fwall/mgmt.h"
#include "loopback.h"
#include "memory_transport.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace {

using fwtest::Bytes;

Bytes raw_block(const std::string& data, bool last) {
    Bytes b(3 + data.size());
    b[0] = last ? 1 : 0;
    b[1] = static_cast<std::uint8_t>(data.size() >> 8);
    b[2] = static_cast<std::uint8_t>(data.size() & 0xFF);
    std::copy(data.begin(), data.end(), b.begin() + 3);
    return b;
}

class Response : public ::testing::Test {
protected:
    void SetUp() override {
        conn = mgmt_open("127.0.0.1", 1, "u", "p");
        transport.attach(conn);
        mgmt_clear_challenge();
    }
    void TearDown() override { mgmt_free(conn); }
    // Queues `text` as one message of blocks of at most `piece` bytes.
    void queue(const std::string& text, std::size_t piece = 8192) {
        if (text.empty()) transport.push(raw_block("", true));
        for (std::size_t at = 0; at < text.size(); at += piece) {
            transport.push(raw_block(text.substr(at, piece), at + piece >= text.size()));
        }
    }
    int read(const char* to, char* buffer = nullptr) { return mgmt_read_response(mgmt_reader(conn), to, buffer, 1); }
    bool exists() const {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0;
    }
    std::string content() const { return testsupport::readFile(path); }

    MgmtConnection* conn = nullptr;
    fwtest::MemoryTransport transport;
    testsupport::ScratchDir scratch{"fwall_response"};
    const std::string path = scratch.file("body");
};

TEST_F(Response, OkWithEmptyHeaderCreatesAnEmptyFile) {
    queue("HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(read(path.c_str()), 200);
    EXPECT_TRUE(exists());
    EXPECT_EQ(content(), "");
}

TEST_F(Response, BodyGoesToTheFileAndTheBufferHoldsTheLastPiece) {
    queue("HTTP/1.0 200 OK\r\nContent-Type: x\r\n\r\n" + std::string(9000, 'a') + "tail", 4000);
    char buffer[8192];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(read(path.c_str(), buffer), 200);
    EXPECT_EQ(content(), std::string(9000, 'a') + "tail");
    // Blocks of 4000: the header (36 bytes) and 3964 body bytes, then 4000, then 1036 and "tail".
    if (!fwall::kTovacBuild) {
        EXPECT_STREQ(buffer, (std::string(1036, 'a') + "tail").c_str());
    }
}

TEST_F(Response, StatusNumberAndEveryLineEndFormAreAccepted) {
    queue("HTTP/1.0 404 Not Found\nX: y\n\nmissing");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(read(path.c_str()), 404);
    testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(exists());  // no file for another status
    if (fwall::kTovacBuild) {
        EXPECT_EQ(err, "");
    } else {
        EXPECT_EQ(err, "missing");
    }
}

TEST_F(Response, WithoutPathTheBodyGoesToStandardOutputInTheUpgradeProgramOnly) {
    queue("HTTP/1.0 200 OK\r\n\r\nversion=KF6.0\n");
    char buffer[8192] = {};
    testing::internal::CaptureStdout();
    EXPECT_EQ(read(nullptr, buffer), 200);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), fwall::kTovacBuild ? "" : "version=KF6.0\n");
    EXPECT_STREQ(buffer, fwall::kTovacBuild ? "" : "version=KF6.0\n");
}

TEST_F(Response, MalformedStatusLinesGive401AndTheStateText) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"HTTP/1.0XX 200 OK\r\n\r\n", "state 0\n"},
        {"HTTP/1.0 abc\r\n\r\n", "state 1\n"},
        {"HTTP/1.0 200 " + std::string(130, 'r') + "\r\n\r\n", "state 3\n"},
        {"HTTP/1.0 200 OK\rX\n\r\n", "state 4\n"},
        {"HTTP/1.0 200 OK\r\n\rX", "state 6\n"},
        {"HTTP/1.0 200 OK\r\nA: b\rc\n\r\n", "state 8\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        queue(c.text + "body");
        testing::internal::CaptureStderr();
        EXPECT_EQ(read(path.c_str()), 401);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.error);
        EXPECT_FALSE(exists());
    }
}

TEST_F(Response, NineByteFirstTokenIsTheLongestAccepted) {
    queue("HTTP/1.01 200 OK\r\n\r\n");
    EXPECT_EQ(read(path.c_str()), 200);
}

TEST_F(Response, OnlyTheLowerCaseChallengeLineIsCaptured) {
    queue("HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic upper\r\n\r\n");
    EXPECT_EQ(read(nullptr), 401);
    EXPECT_STREQ(mgmt_challenge(), "");
    queue("HTTP/1.0 401 Unauthorized\r\nwww-authenticate: \t basic realm=\"fw\"\r\n\r\nsecret body");
    testing::internal::CaptureStdout();
    EXPECT_EQ(read(nullptr), 401);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // 401 bodies are discarded
    EXPECT_STREQ(mgmt_challenge(), "basic realm=\"fw\"");
}

TEST_F(Response, UnopenableOutputFileGives401AndDiscardsTheBody) {
    const std::string bad = scratch.file("no/such/dir/file");
    queue("HTTP/1.0 200 OK\r\n\r\nbody");
    testing::internal::CaptureStderr();
    EXPECT_EQ(read(bad.c_str()), 401);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "failed to open " + bad + " for output\n");
    // The next message is read from its start.
    queue("HTTP/1.0 200 OK\r\n\r\nnext");
    EXPECT_EQ(read(path.c_str()), 200);
    EXPECT_EQ(content(), "next");
}

TEST_F(Response, ConnectionEndingMidBodyRemovesTheFileAndGivesMinusOne) {
    transport.push(raw_block("HTTP/1.0 200 OK\r\n\r\nfirst part", false));
    EXPECT_EQ(read(path.c_str()), -1);
    EXPECT_FALSE(exists());
    EXPECT_EQ(conn->socket, -1);
}

TEST_F(Response, ConnectionEndingWhileDrainingAfterAnErrorKeepsTheStatus) {
    transport.push(raw_block("HTTP/1.0XXXXXXXX 200\r\n\r\n", false));
    testing::internal::CaptureStderr();
    EXPECT_EQ(read(path.c_str()), 401);
    testing::internal::GetCapturedStderr();
}

TEST_F(Response, ResponseCutIntoTwoBlocksAtEveryBoundaryReadsTheSame) {
    const std::string text = "HTTP/1.0 200 OK\r\nwww-authenticate: x\r\n\r\nthe body";
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        transport.push(raw_block(text.substr(0, cut), false));
        transport.push(raw_block(text.substr(cut), true));
        ASSERT_EQ(read(path.c_str()), 200) << "cut at " << cut;
        EXPECT_EQ(content(), "the body") << "cut at " << cut;
    }
}

TEST_F(Response, ResponsesReadOneAfterAnother) {
    queue("HTTP/1.0 200 OK\r\n\r\none");
    queue("HTTP/1.0 200 OK\r\n\r\n");
    queue("HTTP/1.0 200 OK\r\n\r\nthree");
    EXPECT_EQ(read(path.c_str()), 200);
    EXPECT_EQ(content(), "one");
    EXPECT_EQ(read(path.c_str()), 200);
    EXPECT_EQ(content(), "");
    EXPECT_EQ(read(path.c_str()), 200);
    EXPECT_EQ(content(), "three");
}

TEST(ResponseParser, VeryLongStatusNumbersDoNotOverflow) {
    fwall::ResponseParser parser;
    const std::string line = "HTTP/1.0 " + std::string(60, '9') + "\n";
    for (std::size_t i = 0; i < line.size(); ++i) {
        ASSERT_EQ(parser.feed(static_cast<std::uint8_t>(line[i]), i + 1), fwall::ResponseParser::Step::More);
    }
    EXPECT_GT(parser.status(), 0);
}

}  // namespace

namespace {

TEST(Request, RequestLineCarriesTheSemicolonOnlyInTheUpgradeProgram) {
    MgmtConnection* conn = mgmt_open(nullptr, 0, nullptr, nullptr);
    fwtest::MemoryTransport transport;
    transport.attach(conn);
    ASSERT_EQ(mgmt_send_request(mgmt_writer(conn), "POST", "/upgrade/upload", "Authorization: x\r\n", "name", 4), 0);
    const std::string expected = fwall::kTovacBuild ? "POST /upgrade/upload HTTP/1.0\r\nAuthorization: x\r\n\r\nname"
                                                    : "POST /upgrade/upload; HTTP/1.0\r\nAuthorization: x\r\n\r\nname";
    ASSERT_EQ(transport.sent.size(), 3 + expected.size());
    EXPECT_EQ(transport.sent[0], 1);
    EXPECT_EQ(std::string(transport.sent.begin() + 3, transport.sent.end()), expected);
    conn->state = kMgmtFailed;
    EXPECT_EQ(mgmt_send_request(mgmt_writer(conn), "GET", "/x", nullptr, nullptr, 0), -1);
    mgmt_free(conn);
}

}  // namespace
