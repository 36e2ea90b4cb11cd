#include "sim/request.h"

#include <gtest/gtest.h>

namespace {

using fwsim::parse_request;
using fwsim::Request;

TEST(RequestParser, UpgradeCommandWithBodyIsSplitIntoLineAndBody) {
    Request r;
    std::string error;
    std::string msg = "POST /upgrade/upload; HTTP/1.0\r\n\r\n/usr/local/etc/mgmt/kestrane.conf";
    ASSERT_TRUE(parse_request(msg, r, error)) << error;
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, "/upgrade/upload;");
    EXPECT_TRUE(r.headers.empty());
    EXPECT_EQ(r.body, "/usr/local/etc/mgmt/kestrane.conf");
    EXPECT_FALSE(r.has_authorization);
}

TEST(RequestParser, BodyIsKeptByteForByteIncludingLineEndsAndNuls) {
    Request r;
    std::string error;
    std::string body("a\r\n\r\nb\0c", 8);
    std::string message = "POST /x HTTP/1.0\r\n\r\n" + body;
    ASSERT_TRUE(parse_request(message, r, error));
    EXPECT_EQ(r.body, body);
}

TEST(RequestParser, AuthorizationLineIsRecognisedOnlyWithItsExactName) {
    Request r;
    std::string error;
    ASSERT_TRUE(parse_request("GET /f HTTP/1.0\r\nX-Other: 1\r\nAuthorization: Basic dTpw\r\n\r\n", r, error));
    EXPECT_TRUE(r.has_authorization);
    EXPECT_EQ(r.headers.size(), 2u);
    ASSERT_TRUE(parse_request("GET /f HTTP/1.0\r\nauthorization: Basic dTpw\r\n\r\n", r, error));
    EXPECT_FALSE(r.has_authorization);
}

TEST(RequestParser, MalformedRequestLinesAreRefused) {
    Request r;
    std::string error;
    for (const char* bad : {
             "GET /x HTTP/1.0\n\n",            // bare LF
             "GET /x HTTP/1.1\r\n\r\n",        // other protocol
             "PUT /x HTTP/1.0\r\n\r\n",        // other method
             "GET  HTTP/1.0\r\n\r\n",          // empty path
             "GET /x y HTTP/1.0\r\n\r\n",      // blank in the path
             "GET /x HTTP/1.0\r\n",            // no empty line
             "GET /x HTTP/1.0\r\nHeader\r\n",  // header never ends
             "GET /x\rHTTP/1.0\r\n\r\n",       // stray CR
             "",
         }) {
        EXPECT_FALSE(parse_request(bad, r, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(RequestParser, OverlongLinesAndTooManyHeadersAreRefused) {
    Request r;
    std::string error;
    EXPECT_FALSE(parse_request("GET /" + std::string(fwsim::kMaxRequestLine, 'a') + " HTTP/1.0\r\n\r\n", r, error));
    std::string many = "GET /x HTTP/1.0\r\n";
    for (size_t i = 0; i <= fwsim::kMaxHeaderLines; ++i) many += "H: v\r\n";
    EXPECT_FALSE(parse_request(many + "\r\n", r, error));
    EXPECT_EQ(error, "too many header lines");
}

}  // namespace
