// Whole request/response exchanges between a client record and the service's end over loopback:
// files of awkward sizes fetched and sent at every protection.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "lib/fwall/mgmt.h"
#include "loopback.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace {

std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    std::uint32_t x = 2463534242u + static_cast<std::uint32_t>(size);
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

TEST(Exchange, FilesOfAwkwardSizesTravelBothWaysAtEveryProtection) {
    const std::size_t sizes[] = {0, 1, 8192, 8193, 1 << 20};
    const testsupport::ScratchDir scratch("fwall_exchange");
    const std::string path = scratch.file("download");
    for (const auto& [privacy, integrity] :
         {std::pair{0, 1}, std::pair{1, 0}, std::pair{1, 1}, std::pair{2, 0}, std::pair{2, 1}}) {
        SCOPED_TRACE(testing::Message() << "privacy " << privacy << " integrity " << integrity);
        fwtest::Watchdog watchdog(60);
        std::vector<std::string> uploads;
        fwtest::LoopbackServer server([&](int fd) {
            fwtest::ServerEnd end(fd, "admin", "secret");
            if (end.handshake(privacy, integrity) != 0) return;
            for (const std::size_t size : sizes) {
                std::string request;
                if (!end.read_message(request)) return;
                end.send_message("HTTP/1.0 200 OK\r\n\r\n" + pattern(size), 5000);
                std::string upload;
                if (!end.read_message(upload)) return;
                uploads.push_back(upload);
                end.send_message("HTTP/1.0 200 OK\r\n\r\n");
            }
        });
        MgmtConnection* conn = fwtest::open_client(server.port());
        ASSERT_EQ(mgmt_connect(conn), 0);
        for (const std::size_t size : sizes) {
            SCOPED_TRACE(size);
            static const char kFetch[] = "POST /upgrade/upload; HTTP/1.0\r\n\r\nname";
            ASSERT_EQ(mgmt_write(mgmt_writer(conn), kFetch, sizeof kFetch - 1), static_cast<int>(sizeof kFetch - 1));
            ASSERT_EQ(mgmt_flush(mgmt_writer(conn)), 0);
            ASSERT_EQ(mgmt_read_response(mgmt_reader(conn), path.c_str(), nullptr, 1), 200);
            EXPECT_TRUE(testsupport::readFile(path) == pattern(size));
            const std::string body = pattern(size);
            for (std::size_t at = 0; at < body.size(); at += 8192) {
                const int n = static_cast<int>(std::min<std::size_t>(8192, body.size() - at));
                ASSERT_EQ(mgmt_write(mgmt_writer(conn), body.data() + at, n), n);
            }
            ASSERT_EQ(mgmt_flush(mgmt_writer(conn)), 0);
            testing::internal::CaptureStdout();
            EXPECT_EQ(mgmt_read_response(mgmt_reader(conn), nullptr, nullptr, 0), 200);
            testing::internal::GetCapturedStdout();
        }
        fwtest::close_and_free(conn);
        server.join();
        ASSERT_EQ(uploads.size(), std::size(sizes));
        for (std::size_t i = 0; i < uploads.size(); ++i) EXPECT_TRUE(uploads[i] == pattern(sizes[i])) << sizes[i];
    }
}

}  // namespace
