// A service that speaks raw bytes after a proper handshake: oversized blocks, wrong check values,
// unencrypted blocks under privacy, connections that end mid-block or mid-body, and headers split
// across blocks. The client must end each with the expected result, never hang, and leave its record
// safe to free.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "lib/fwall/mgmt.h"
#include "loopback.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "util/files/failure_injection.h"

namespace {

using fwtest::Bytes;
using fwtest::LoopbackServer;
using fwtest::ServerEnd;
using fwtest::Watchdog;

// A path in this test program's scratch directory (removed when the program ends).
std::string temp_path(const char* name) {
    static const testsupport::ScratchDir scratch("fwall_hostile");
    return scratch.file(name);
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

using testsupport::readFile;

// Blocks the service writes by hand, protected as the connection requires (or deliberately not).
struct Forge {
    const MgmtConnection* server;
    Bytes block(const std::string& data, bool last) const {
        Bytes out(fwall::kSendAreaSize);
        const std::size_t n =
            fwall::encode_block(mgmt_protection(server, true), true, reinterpret_cast<const std::uint8_t*>(data.data()),
                                data.size(), last, out.data());
        out.resize(n);
        return out;
    }
};

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// One exchange against a service that answers the request with `answer(forge)`, then closes.
class HostileService : public ::testing::Test {
protected:
    int exchange(int privacy, int integrity, std::function<Bytes(const Forge&)> answer, const char* path = nullptr,
                 int close_delay_ms = 0) {
        LoopbackServer server([&](int fd) {
            ServerEnd end(fd, "admin", "secret");
            if (end.handshake(privacy, integrity) != 0) return;
            std::string request;
            if (!end.read_message(request)) return;
            fwtest::send_bytes(fd, answer(Forge{end.conn}));
            if (close_delay_ms > 0) usleep(close_delay_ms * 1000);
        });
        MgmtConnection* conn = fwtest::open_client(server.port());
        int result = -99;
        if (mgmt_connect(conn) == 0) {
            static const char kRequest[] = "POST /upgrade/upload; HTTP/1.0\r\n\r\nfile";
            mgmt_write(mgmt_writer(conn), kRequest, sizeof kRequest - 1);
            mgmt_flush(mgmt_writer(conn));
            result = mgmt_read_response(mgmt_reader(conn), path, nullptr, 1);
            socket_after = conn->socket;
        }
        fwtest::close_and_free(conn);
        server.join();
        return result;
    }
    Watchdog watchdog_{30};
    int socket_after = 0;
};

const std::string kOk = "HTTP/1.0 200 OK\r\n\r\n";

TEST_F(HostileService, BlockOfLength8222IsNeverCopiedIntoTheDeliveryArea) {
    for (const std::uint8_t flags : {0x01, 0x41}) {
        const int r = exchange(0, 1, [flags](const Forge&) {
            Bytes b{flags, 0x20, 0x1E};
            b.resize(3 + 8222, 'A');
            return b;
        });
        EXPECT_EQ(r, -1);
        EXPECT_EQ(socket_after, -1);
    }
}

TEST_F(HostileService, BlockOfLength8223EndsTheExchange) {
    const int r = exchange(2, 1, [](const Forge&) {
        Bytes b{0x80, 0x20, 0x1F};
        b.resize(3 + 8223, 'A');
        return b;
    });
    EXPECT_EQ(r, -1);
}

TEST_F(HostileService, WrongCheckValueFailsTheFetchAndRemovesTheFile) {
    const std::string path = temp_path("check");
    for (const int privacy : {0, 2}) {
        const int r = exchange(
            privacy, 1,
            [](const Forge& f) {
                Bytes bad = f.block(std::string(5000, 'b'), false);
                Bytes good = f.block(std::string(10, 'c'), true);
                if (f.server->privacy == 0)
                    bad[bad.size() - 1] ^= 1;  // the check value itself
                else
                    bad[bad.size() / 2] ^= 1;  // ciphertext
                return join({f.block(kOk + std::string(100, 'a'), false), bad, good});
            },
            path.c_str());
        EXPECT_EQ(r, -1) << "privacy " << privacy;
        EXPECT_FALSE(file_exists(path));
    }
}

TEST_F(HostileService, UnencryptedBlockUnderPrivacyFailsTheFetchAndRemovesTheFile) {
    const std::string path = temp_path("plain");
    const int r = exchange(
        2, 0,
        [](const Forge& f) {
            const std::string tail = "tail";
            Bytes plain{1, 0, static_cast<std::uint8_t>(tail.size())};
            plain.insert(plain.end(), tail.begin(), tail.end());
            return join({f.block(kOk + "head", false), plain});
        },
        path.c_str());
    EXPECT_EQ(r, -1);
    EXPECT_FALSE(file_exists(path));
    if (fwall::kTovacBuild) {
        EXPECT_EQ(mgmt_last_error(), kErrNotEncrypted);
        mgmt_set_last_error(0);
    }
}

TEST_F(HostileService, ConnectionEndingMidBlockFails) {
    const int r = exchange(1, 1, [](const Forge& f) {
        Bytes b = f.block(kOk + "body", true);
        b.resize(b.size() - 5);
        return b;
    });
    EXPECT_EQ(r, -1);
    EXPECT_EQ(socket_after, -1);
}

TEST_F(HostileService, ConnectionEndingMidBodyRemovesThePartialFile) {
    const std::string path = temp_path("midbody");
    const int r = exchange(
        2, 1, [](const Forge& f) { return f.block(kOk + std::string(3000, 'x'), false); }, path.c_str());
    EXPECT_EQ(r, -1);
    EXPECT_FALSE(file_exists(path));
}

TEST_F(HostileService, HeaderSplitAcrossBlocksIsReadAndTheBodyWritten) {
    const std::string path = temp_path("split");
    const int r = exchange(
        2, 1,
        [](const Forge& f) {
            return join({f.block("HTTP/1.0 20", false), f.block("0 OK\r\nX-Note: y\r", false),
                         f.block("\n\r\nbody-", false), f.block("end", true)});
        },
        path.c_str());
    EXPECT_EQ(r, 200);
    EXPECT_EQ(readFile(path), "body-end");
    std::remove(path.c_str());
}

TEST_F(HostileService, HeaderEndingExactlyAtABlockEndKeepsTheBodyThatFollows) {
    const std::string path = temp_path("exact");
    const int r = exchange(
        1, 0,
        [](const Forge& f) {
            return join({f.block(kOk, false), f.block(std::string(8192, 'q'), false), f.block("!", true)});
        },
        path.c_str());
    EXPECT_EQ(r, 200);
    EXPECT_EQ(readFile(path), std::string(8192, 'q') + "!");
    std::remove(path.c_str());
}

TEST_F(HostileService, ShortBlockAndLastBlockInOneSendDoNotHang) {
    // The service keeps the connection open: only parsing what has already arrived ends the read.
    const std::string path = temp_path("twoinone");
    const int r = exchange(
        0, 1,
        [](const Forge& f) {
            return join({f.block(kOk + "ab", false), f.block("cd", true)});
        },
        path.c_str(), 500);
    EXPECT_EQ(r, 200);
    EXPECT_EQ(readFile(path), "abcd");
    std::remove(path.c_str());
}

TEST_F(HostileService, HeaderLongerThanTheResponseBufferIsAnError) {
    const std::string path = temp_path("longheader");
    testing::internal::CaptureStderr();
    const int r = exchange(
        0, 1,
        [](const Forge& f) {
            std::string header = "HTTP/1.0 200 OK\r\nX-Pad: " + std::string(9000, 'p') + "\r\n\r\nbody";
            Bytes all;
            for (std::size_t at = 0; at < header.size(); at += 8192) {
                const Bytes b = f.block(header.substr(at, 8192), at + 8192 >= header.size());
                all.insert(all.end(), b.begin(), b.end());
            }
            return all;
        },
        path.c_str());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(r, 401);
    EXPECT_EQ(err, "state 7\n");
    EXPECT_FALSE(file_exists(path));
}

}  // namespace

namespace {

TEST(SilentService, ClosingTheSocketFromAnotherThreadEndsAPendingRead) {
    fwtest::Watchdog watchdog;
    std::atomic<bool> done{false};
    fwtest::LoopbackServer server([&](int fd) {
        fwtest::ServerEnd end(fd, "admin", "secret");
        if (end.handshake(2, 1) != 0) return;
        while (!done) usleep(10000);  // never answers
    });
    MgmtConnection* conn = fwtest::open_client(server.port());
    ASSERT_EQ(mgmt_connect(conn), 0);
    mgmt_send_request(mgmt_writer(conn), "GET", "/realgui/getversion", nullptr, nullptr, 0);
    std::thread timeout([conn] {
        usleep(200000);
        mgmt_close_socket(mgmt_reader(conn));
        mgmt_close_socket(mgmt_writer(conn));
    });
    EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0), -1);
    timeout.join();
    done = true;
    EXPECT_EQ(conn->socket, -1);
    mgmt_free(conn);
}

}  // namespace

TEST_F(HostileService, FailedExchangeKeepsTheFileThatWasThereBefore) {
    const std::string path = temp_path("keep");
    {
        std::ofstream before(path, std::ios::binary);
        before << "previous content";
    }
    const int r = exchange(
        2, 1, [](const Forge& f) { return f.block(kOk + std::string(3000, 'x'), false); }, path.c_str());
    EXPECT_EQ(r, -1);
    EXPECT_EQ(readFile(path), "previous content");
    std::remove(path.c_str());
}

// Names beside path that start like the writer's temporary files (".NAME.").
int temporaries_beside(const std::string& path) {
    const std::filesystem::path p(path);
    const std::string prefix = "." + p.filename().string() + ".";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(p.parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0) ++count;
    return count;
}

TEST_F(HostileService, ReceivedFileReplacesTheOldOneWholeAndIsOwnerOnly) {
    const std::string path = temp_path("replace");
    {
        std::ofstream before(path, std::ios::binary);
        before << "previous content that is longer than the body";
    }
    ::chmod(path.c_str(), 0644);
    const int r = exchange(
        2, 1, [](const Forge& f) { return f.block(kOk + "abcd", true); }, path.c_str());
    EXPECT_EQ(r, 200);
    EXPECT_EQ(readFile(path), "abcd");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(temporaries_beside(path), 0);
    std::remove(path.c_str());
}

TEST_F(HostileService, BodyThatCannotBeWrittenKeepsThePreviousFile) {
    const std::string path = temp_path("full");
    {
        std::ofstream before(path, std::ios::binary);
        before << "previous content";
    }
    files::testing::ScopedFailure full(files::Step::Write, 1, ENOSPC);
    const int r = exchange(
        2, 1, [](const Forge& f) { return f.block(kOk + std::string(3000, 'x'), true); }, path.c_str());
    EXPECT_EQ(r, 401);
    EXPECT_FALSE(files::testing::failurePending());
    EXPECT_EQ(readFile(path), "previous content");
    EXPECT_EQ(temporaries_beside(path), 0);
    std::remove(path.c_str());
}

TEST_F(HostileService, FailedExchangeToAPipeLeavesThePipeInPlace) {
    // Special files (a pipe here, /dev/null in real use) are written directly and never removed.
    const std::string path = temp_path("pipe");
    std::remove(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);  // so the writer's open does not wait
    ASSERT_GE(reader, 0);
    const int r = exchange(
        2, 1, [](const Forge& f) { return f.block(kOk + std::string(3000, 'x'), false); }, path.c_str());
    EXPECT_EQ(r, -1);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ::close(reader);
    std::remove(path.c_str());
}
