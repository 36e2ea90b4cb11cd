// The simulator's end of a connection against a client made by hand from the buffer-level pieces,
// over a socket pair: what it accepts, what it refuses, and which cipher it answers with.
#include "sim/channel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <vector>

namespace {

using fwall::Cipher;

// A client written from the protocol's buffer-level pieces, so that tests can make it misbehave.
class HandClient {
public:
    explicit HandClient(int fd) : fd_(fd) {}
    ~HandClient() { ::close(fd_); }

    // Reads the Welcome; returns its option list.
    std::vector<std::uint8_t> read_welcome() {
        std::uint8_t head[3];
        read_exact(head, 3);
        std::vector<std::uint8_t> list((head[1] << 8) | head[2]);
        read_exact(list.data(), list.size());
        auto nonce = fwall::option_find(list, fwall::kTagNonce);
        if (nonce) server_nonce_ = fwall::nonce_from_bytes(list.data() + nonce->value_offset);
        return list;
    }

    void send_auth(const std::string& password, int privacy, int integrity, const char* user = "admin") {
        fwall::AuthFields fields;
        fields.user = user;
        fields.client_nonce = 12345;
        fields.server_nonce = server_nonce_;
        fields.client_type = 3;
        fields.minor_version = 2;
        fields.privacy = privacy;
        fields.integrity = integrity;
        std::uint8_t message[3 + fwall::kMaxOptionList];
        size_t size = 0;
        auto pw = std::span(reinterpret_cast<const std::uint8_t*>(password.data()), password.size());
        ASSERT_EQ(fwall::build_auth({message + 3, fwall::kMaxOptionList}, fields, pw, size), fwall::AuthBuild::Ok);
        fwall::handshake_header(message, size);
        send_raw(message, size + 3);
        keys_ = fwall::derive_keys(pw, server_nonce_, 12345);
        ASSERT_TRUE(fwall::des_make_schedule(keys_.des_key1, s1_));
        ASSERT_TRUE(fwall::des_make_schedule(keys_.des_key2, s2_));
        protection_.integrity = integrity != 0;
        protection_.integrity_key = keys_.integrity_key;
        protection_.schedule1 = &s1_;
        protection_.schedule2 = &s2_;
        protection_.iv = iv_;
        privacy_ = privacy;
    }

    void send_block(Cipher cipher, const std::string& data, bool last) {
        protection_.cipher = cipher;
        std::vector<std::uint8_t> out(fwall::kSendAreaSize);
        size_t n = fwall::encode_block(protection_, true, reinterpret_cast<const std::uint8_t*>(data.data()),
                                       data.size(), last, out.data());
        ASSERT_GT(n, 0u);
        send_raw(out.data(), n);
    }

    // Reads one block of the answer and opens it with `cipher`; the data, or "<bad>".
    std::string read_block(Cipher cipher, bool* last = nullptr) {
        std::vector<std::uint8_t> buf(fwall::kRecvAreaSize);
        read_exact(buf.data(), 3);
        size_t length = (buf[1] << 8) | buf[2];
        read_exact(buf.data() + 3, length);
        fwall::RawBlock raw;
        if (fwall::split_block(buf.data(), 3 + length, raw) != fwall::SplitStatus::Complete) return "<bad>";
        protection_.cipher = cipher;
        fwall::OpenedBlock opened;
        if (fwall::open_block(protection_, privacy_, raw, opened) != fwall::OpenStatus::Data) return "<bad>";
        if (last) *last = opened.last;
        return std::string(reinterpret_cast<const char*>(opened.data), opened.data_length);
    }

    void send_raw(const void* data, size_t n) { ASSERT_EQ(::send(fd_, data, n, MSG_NOSIGNAL), ssize_t(n)); }

private:
    void read_exact(std::uint8_t* p, size_t n) {
        while (n > 0) {
            ssize_t r = ::recv(fd_, p, n, 0);
            ASSERT_GT(r, 0);
            p += r;
            n -= size_t(r);
        }
    }
    int fd_;
    std::int32_t server_nonce_ = 0;
    int privacy_ = 0;
    fwall::SessionKeys keys_{};
    fwall::DesSchedule s1_{}, s2_{};
    std::uint8_t iv_[8] = {};
    fwall::BlockProtection protection_;
};

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        server = std::make_unique<fwsim::ServerChannel>(fds[0]);
        client = std::make_unique<HandClient>(fds[1]);
        settings.password = "secret";
        settings.user = "admin";
        settings.timeout_seconds = 10;
    }
    std::future<bool> start_handshake() {
        return std::async(std::launch::async, [this] { return server->handshake(settings, error); });
    }
    std::unique_ptr<fwsim::ServerChannel> server;
    std::unique_ptr<HandClient> client;
    fwsim::ChannelSettings settings;
    std::string error;
};

TEST_F(ChannelTest, WelcomeCarriesPrivacyAndIntegrityOnlyWhenGiven) {
    settings.privacy = 2;
    auto done = start_handshake();
    auto list = client->read_welcome();
    ASSERT_TRUE(fwall::option_find(list, fwall::kTagPrivacy));
    EXPECT_EQ(list[fwall::option_find(list, fwall::kTagPrivacy)->value_offset], 2);
    EXPECT_FALSE(fwall::option_find(list, fwall::kTagIntegrity));
    for (auto tag : {fwall::kTagProtocol, fwall::kTagAuthProtocol, fwall::kTagNonce, fwall::kTagVersion})
        EXPECT_TRUE(fwall::option_find(list, tag)) << int(tag);
    client->send_auth("secret", 2, 0);
    EXPECT_TRUE(done.get()) << error;
    EXPECT_EQ(server->cipher(), Cipher::TripleDes);
}

TEST_F(ChannelTest, WrongPasswordIsRefused) {
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("wrong", 1, 0);
    EXPECT_FALSE(done.get());
    EXPECT_EQ(error, "authenticator mismatch (wrong password?)");
}

TEST_F(ChannelTest, UnknownUserAndUnexpectedProtectionAreRefused) {
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 1, 0, "intruder");
    EXPECT_FALSE(done.get());
    EXPECT_EQ(error, "unknown user intruder");

    SetUp();
    settings.privacy = 2;
    settings.integrity = 1;
    done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 1, 1);  // a client that ignored the announced privacy
    EXPECT_FALSE(done.get());
    EXPECT_NE(error.find("expected 2 and 1"), std::string::npos) << error;
}

TEST_F(ChannelTest, MessagesRoundTripAtPrivacyTwoWithIntegrity) {
    settings.privacy = 2;
    settings.integrity = 1;
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 2, 1);
    ASSERT_TRUE(done.get()) << error;

    client->send_block(Cipher::TripleDes, std::string(8192, 'a'), false);
    client->send_block(Cipher::TripleDes, "tail", true);
    std::string message;
    ASSERT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Message) << error;
    EXPECT_EQ(message, std::string(8192, 'a') + "tail");

    // 8193 bytes answer as a full block without the last mark, then one byte with it.
    ASSERT_TRUE(server->write(std::string(8193, 'z').data(), 8193));
    ASSERT_TRUE(server->flush());
    bool last = true;
    EXPECT_EQ(client->read_block(Cipher::TripleDes, &last), std::string(8192, 'z'));
    EXPECT_FALSE(last);
    EXPECT_EQ(client->read_block(Cipher::TripleDes, &last), "z");
    EXPECT_TRUE(last);
}

TEST_F(ChannelTest, PrivacyOneFollowsTheCipherOfTheClientsFirstBlock) {
    for (Cipher cipher : {Cipher::Des, Cipher::TripleDes}) {
        SetUp();
        auto done = start_handshake();  // no privacy announced: the client assumes 1
        client->read_welcome();
        client->send_auth("secret", 1, 0);
        ASSERT_TRUE(done.get()) << error;
        client->send_block(cipher, "GET /x HTTP/1.0\r\n\r\n", true);
        std::string message;
        ASSERT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Message) << error;
        EXPECT_EQ(message, "GET /x HTTP/1.0\r\n\r\n");
        EXPECT_EQ(server->cipher(), cipher);
        ASSERT_TRUE(server->write("answer", 6) && server->flush());
        EXPECT_EQ(client->read_block(cipher), "answer");
    }
}

TEST_F(ChannelTest, UnencryptedOrWronglyCheckedBlocksEndTheConnection) {
    settings.privacy = 2;
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 2, 0);
    ASSERT_TRUE(done.get()) << error;
    client->send_block(Cipher::None, "plain", true);
    std::string message;
    EXPECT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Failed);
    EXPECT_EQ(error, "block not encrypted");

    SetUp();
    settings.privacy = 0;
    settings.integrity = 1;
    done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 0, 1);
    ASSERT_TRUE(done.get()) << error;
    // A checked block whose check value cannot match.
    std::vector<std::uint8_t> block = {fwall::kFlagLast | fwall::kFlagChecked, 0x00, 4 + 16, 'd', 'a', 't', 'a'};
    block.resize(block.size() + 16, 0x55);
    client->send_raw(block.data(), block.size());
    EXPECT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Failed);
    EXPECT_EQ(error, "check value mismatch");
}

TEST_F(ChannelTest, PeerClosingBetweenMessagesEndsQuietlyButMidMessageFails) {
    settings.privacy = 1;
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 1, 0);
    ASSERT_TRUE(done.get()) << error;
    client->send_block(Cipher::Des, "whole", true);
    client->send_block(Cipher::Des, "half", false);
    client.reset();
    std::string message;
    EXPECT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Message);
    EXPECT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Failed);
    EXPECT_NE(error.find("in the middle of a message"), std::string::npos) << error;

    SetUp();
    done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 1, 0);
    ASSERT_TRUE(done.get()) << error;
    client.reset();
    EXPECT_EQ(server->read_message(message, 1 << 20, error), fwsim::ServerChannel::ReadResult::Closed);
}

TEST_F(ChannelTest, OverlongMessagesAreRefused) {
    settings.privacy = 0;
    settings.integrity = 1;
    auto done = start_handshake();
    client->read_welcome();
    client->send_auth("secret", 0, 1);
    ASSERT_TRUE(done.get()) << error;
    client->send_block(Cipher::None, std::string(100, 'x'), true);
    std::string message;
    EXPECT_EQ(server->read_message(message, 99, error), fwsim::ServerChannel::ReadResult::Failed);
    EXPECT_EQ(error, "message longer than 99 bytes");
}

}  // namespace
