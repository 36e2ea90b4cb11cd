// The handshake shared pieces (keys, authenticator, Welcome and Auth lists) and the client's side:
// mgmt_connect, the Welcome step and SendAuth.
#include "lib/fwall/handshake.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "lib/fwall/options.h"
#include "lib/fwall/stream.h"

namespace fwall {

namespace {

std::span<const std::uint8_t> bytes_of(const char* text) {
    if (text == nullptr) return {};
    return {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)};
}

bool wanted_identity(const char* text) { return text != nullptr && text[0] != '\0' && text[0] != ' '; }

}  // namespace

SessionKeys derive_keys(std::span<const std::uint8_t> password, std::int32_t server_nonce, std::int32_t client_nonce) {
    std::uint8_t ns[4];
    std::uint8_t nc[4];
    nonce_bytes(server_nonce, ns);
    nonce_bytes(client_nonce, nc);
    static constexpr std::uint8_t kKey[] = {'K', 'E', 'Y'};
    static constexpr std::uint8_t kInte[] = {'I', 'N', 'T', 'E'};
    SessionKeys keys;
    std::uint8_t digest[kMd5Size];
    md5_of({password, kKey, {ns, 4}, {nc, 4}}, digest);
    std::memcpy(keys.des_key1, digest, 8);
    std::memcpy(keys.des_key2, digest + 8, 8);
    md5_of({password, kInte, {ns, 4}, {nc, 4}}, keys.integrity_key);
    wipe(digest, sizeof digest);
    return keys;
}

void auth_digest(std::span<const std::uint8_t> password, std::int32_t server_nonce, std::span<const std::uint8_t> list,
                 std::uint8_t out[16]) {
    std::uint8_t ns[4];
    nonce_bytes(server_nonce, ns);
    static constexpr std::uint8_t kAuth[] = {'A', 'U', 'T', 'H'};
    md5_of({password, kAuth, {ns, 4}, list}, out);
}

std::optional<std::size_t> build_welcome(std::span<std::uint8_t> list, const WelcomeFields& fields) {
    std::uint8_t nonce[4];
    nonce_bytes(fields.nonce, nonce);
    bool ok = option_init(list) && option_set_byte(list, kTagProtocol, 1) &&
              option_set_byte(list, kTagAuthProtocol, 1) && option_set(list, kTagNonce, nonce) &&
              option_set(list, kTagVersion, fields.version);
    if (ok && fields.address != nullptr) ok = option_set(list, kTagServerAddress, {fields.address, 4});
    if (ok && fields.privacy >= 0) ok = option_set_byte(list, kTagPrivacy, static_cast<std::uint8_t>(fields.privacy));
    if (ok && fields.integrity >= 0) {
        ok = option_set_byte(list, kTagIntegrity, static_cast<std::uint8_t>(fields.integrity));
    }
    if (!ok) return std::nullopt;
    return option_size(list);
}

WelcomeCheck check_welcome(std::span<const std::uint8_t> list, int integrity_before, const std::uint8_t host_address[4],
                           bool have_relay) {
    WelcomeCheck result;
    const auto one = [&](std::uint8_t tag) {
        const auto e = option_find(list, tag);
        return e && e->length == 1 && list[e->value_offset] == 1;
    };
    if (!one(kTagProtocol)) {
        result.failure = "INFO Bad Welcome protocol";
        return result;
    }
    if (!one(kTagAuthProtocol)) {
        result.failure = "INFO Bad Welcome Authprotocol";
        return result;
    }
    if (const auto v = option_find(list, kTagVersion); !v || list[v->value_offset] != 0) {
        result.failure = "INFO Bad Welcome, no version";
        return result;
    }
    const auto nonce = option_find(list, kTagNonce);
    if (!nonce || nonce->length != 4) {
        result.failure = "INFO Bad Welcome, no nonce";
        return result;
    }
    result.server_nonce = nonce_from_bytes(list.data() + nonce->value_offset);
    const auto privacy = option_find(list, kTagPrivacy);
    result.privacy = (privacy && privacy->length == 1) ? static_cast<std::int8_t>(list[privacy->value_offset]) : 1;
    const auto integrity = option_find(list, kTagIntegrity);
    result.integrity = (integrity && integrity->length == 1) ? list[integrity->value_offset] : integrity_before;
    if (result.privacy == 0 && result.integrity == 0) {
        result.failure = "INFO Bad Welcome, no privacy and no integrity checking.";
        return result;
    }
    const auto address = option_find(list, kTagServerAddress);
    if (address && address->length == 4 && std::memcmp(list.data() + address->value_offset, host_address, 4) != 0) {
        if (!have_relay) {
            result.failure = "INFO not correct server.";
            return result;
        }
        result.keep_relay = true;
    }
    return result;
}

AuthBuild build_auth(std::span<std::uint8_t> list, const AuthFields& fields, std::span<const std::uint8_t> password,
                     std::size_t& list_size) {
    std::uint8_t nonce[4];
    nonce_bytes(fields.client_nonce, nonce);
    static constexpr std::uint8_t kVersion[2] = {0, 1};
    bool ok = option_init(list);
    if (ok && wanted_identity(fields.user)) ok = option_set(list, kTagUser, bytes_of(fields.user));
    if (ok && wanted_identity(fields.who)) ok = option_set(list, kTagWho, bytes_of(fields.who));
    ok = ok && option_set(list, kTagNonce, nonce) && option_set_byte(list, kTagProtocol, 1) &&
         option_set_byte(list, kTagAuthProtocol, 1) && option_set(list, kTagVersion, kVersion);
    if (ok && fields.minor_version != 0) {
        ok = option_set_byte(list, kTagMinorVersion, static_cast<std::uint8_t>(fields.minor_version));
    }
    if (ok && fields.client_type != 0) {
        ok = option_set_byte(list, kTagClientType, static_cast<std::uint8_t>(fields.client_type));
    }
    ok = ok && option_set_byte(list, kTagPrivacy, static_cast<std::uint8_t>(fields.privacy)) &&
         option_set_byte(list, kTagIntegrity, static_cast<std::uint8_t>(fields.integrity));
    if (!ok) return AuthBuild::NoRoom;
    if (fields.relay) {
        const std::uint8_t port[2] = {static_cast<std::uint8_t>((fields.relay_port >> 8) & 0xFF),
                                      static_cast<std::uint8_t>(fields.relay_port & 0xFF)};
        if (!option_set(list, kTagRelayTarget, {fields.relay_target, 4}) || !option_set(list, kTagRelayPort, port)) {
            return AuthBuild::NoRoom;
        }
        list_size = *option_size(list);
        return AuthBuild::Ok;
    }
    static constexpr std::uint8_t kZero[16] = {};
    if (!option_set(list, kTagAuthenticator, kZero)) return AuthBuild::NoRoom;
    list_size = *option_size(list);
    const auto slot = option_find(list.first(list_size), kTagAuthenticator);
    if (!slot || slot->length != 16) return AuthBuild::NoAuthenticator;
    std::uint8_t digest[16];
    auth_digest(password, fields.server_nonce, list.first(list_size), digest);
    std::memcpy(list.data() + slot->value_offset, digest, 16);
    return AuthBuild::Ok;
}

}  // namespace fwall

namespace {

bool has_relay(const MgmtConnection* conn) {
    return (conn->relay_target[0] | conn->relay_target[1] | conn->relay_target[2] | conn->relay_target[3]) != 0;
}

void log_and_code(const char* text, int code) {
    mgmt_log(0, "%s", text);
    if (fwall::kTovacBuild) mgmt_set_last_error(code);
}

// Derives the session keys from the record's password and nonces, then wipes the password.
void derive_and_forget(MgmtConnection* conn) {
    if (!conn->password) return;
    const std::size_t length = std::strlen(conn->password.get());
    const fwall::SessionKeys keys = fwall::derive_keys(
        {reinterpret_cast<const std::uint8_t*>(conn->password.get()), length}, conn->server_nonce, conn->client_nonce);
    std::memcpy(conn->des_key1, keys.des_key1, 8);
    std::memcpy(conn->des_key2, keys.des_key2, 8);
    std::memcpy(conn->integrity_key, keys.integrity_key, 16);
    fwall::wipe(const_cast<fwall::SessionKeys*>(&keys), sizeof keys);
    fwall::wipe(conn->password.get(), length);
    conn->password.reset();
}

// Expands the keys and enters state 4.
void make_schedules(MgmtConnection* conn) {
    std::memset(conn->recv_iv, 0, sizeof conn->recv_iv);
    std::memset(conn->send_iv, 0, sizeof conn->send_iv);
    bool ok = fwall::des_make_schedule(conn->des_key1, conn->schedule1);
    // The shell library's copy uses triple DES at every level, so it always needs the second schedule.
    if (conn->privacy == 2 || fwall::kTovacBuild) ok = fwall::des_make_schedule(conn->des_key2, conn->schedule2) && ok;
    if (!ok) log_and_code("Failed to make key", kErrMakeKey);
    conn->state = kMgmtEstablished;
}

enum class AuthSent { Sent, NoPassword, NotBuilt };

AuthSent send_auth(MgmtConnection* conn) {
    if (!conn->password) {
        log_and_code("SendAuth - no password specified", kErrNoPassword);
        return AuthSent::NoPassword;
    }
    const bool relay = has_relay(conn);
    if (conn->privacy == 0) conn->integrity = 1;
    fwall::AuthFields fields;
    fields.user = conn->user.get();
    fields.who = conn->who.get();
    fields.client_nonce = conn->client_nonce;
    fields.server_nonce = conn->server_nonce;
    fields.minor_version = conn->minor_version;
    fields.client_type = conn->client_type;
    fields.privacy = conn->privacy;
    fields.integrity = conn->integrity;
    fields.relay = relay;
    std::memcpy(fields.relay_target, conn->relay_target, 4);
    fields.relay_port = conn->relay_port;

    MgmtWriter* w = conn->writer.get();
    std::span<std::uint8_t> list(w->send_area + fwall::kHandshakeHeader,
                                 fwall::kSendAreaSize - fwall::kHandshakeHeader);
    std::size_t size = 0;
    const auto* password = reinterpret_cast<const std::uint8_t*>(conn->password.get());
    const fwall::AuthBuild built = fwall::build_auth(list, fields, {password, std::strlen(conn->password.get())}, size);
    if (!relay) derive_and_forget(conn);
    if (built != fwall::AuthBuild::Ok) {
        log_and_code("INFO Bad Auth Authbuf", kErrBadAuthBuf);
        return AuthSent::NotBuilt;
    }
    fwall::handshake_header(w->send_area, size);
    w->start = 0;
    w->end = static_cast<std::int32_t>(fwall::kHandshakeHeader + size);
    if (!conn->event) {
        mgmt_send_all(conn, w->send_area, static_cast<std::size_t>(w->end));
        w->start = w->end = 0;
    }
    return AuthSent::Sent;
}

// Welcome checks failed or no Auth could be sent: the record is of no further use.
void fail_handshake(MgmtConnection* conn, const char* text) {
    if (text != nullptr) mgmt_log(0, "%s", text);
    conn->state = kMgmtFailed;
    conn->event = 1;
}

int client_step(MgmtConnection* conn, std::uint8_t* payload, std::size_t length) {
    if (conn->state != kMgmtWaitingWelcome) return 0;
    std::uint8_t host_address[4];
    const in_addr_t parsed = inet_addr(conn->host ? conn->host.get() : "");
    std::memcpy(host_address, &parsed, 4);
    const fwall::WelcomeCheck check =
        fwall::check_welcome({payload, length}, conn->integrity, host_address, has_relay(conn));
    if (check.failure != nullptr) {
        fail_handshake(conn, check.failure);
        return 0;
    }
    conn->server_nonce = check.server_nonce;
    conn->privacy = check.privacy;
    conn->integrity = check.integrity;
    if (!check.keep_relay) {
        std::memset(conn->relay_target, 0, sizeof conn->relay_target);
        conn->relay_port = 0;
    }
    if (send_auth(conn) != AuthSent::Sent) {
        // Without an Auth the firewall never shares keys with us: the record ends failed rather than
        // established with keys that were never derived.
        fail_handshake(conn, nullptr);
        return 1;
    }
    if (!has_relay(conn)) make_schedules(conn);
    conn->event = 1;
    return 1;
}

// Server side, in handshake_server.cpp.
}  // namespace

int mgmt_server_step(MgmtConnection* conn, std::uint8_t* payload, std::size_t length);

void mgmt_make_keys(MgmtConnection* conn) {
    if (conn == nullptr) return;
    derive_and_forget(conn);
    make_schedules(conn);
}

int mgmt_handshake_step(MgmtConnection* conn, std::uint8_t* payload, std::size_t length) {
    if (conn == nullptr) return 0;
    if (conn->server_side) return mgmt_server_step(conn, payload, length);
    return client_step(conn, payload, length);
}

int mgmt_connect(MgmtConnection* conn) {
    if (conn == nullptr) return 1;
    std::string address = conn->host ? conn->host.get() : "";
    if (const auto at = address.find('@'); at != std::string::npos) {
        std::string target = address.substr(0, at);
        address = address.substr(at + 1);
        conn->relay_port = static_cast<std::int32_t>(conn->port);
        if (const auto colon = target.find(':'); colon != std::string::npos) {
            conn->relay_port = std::atoi(target.c_str() + colon + 1);
            target.resize(colon);
        }
        in_addr parsed{};
        if (inet_aton(target.c_str(), &parsed) != 0) {
            const auto* octets = reinterpret_cast<const std::uint8_t*>(&parsed.s_addr);
            for (int i = 0; i < 4; ++i) conn->relay_target[i] = octets[3 - i];
        }
        char* host = mgmt_strdup(target.c_str());
        if (host == nullptr) return -1;
        conn->host.reset(host);
    }
    conn->socket =
        tcp_connect_within(address.c_str(), conn->port, 0, conn->error_text.get(), conn->transport.timeout_ms);
    if (conn->socket < 0) return -1;
    conn->state = kMgmtWaitingWelcome;
    if (conn->event) return 0;
    for (;;) {
        if (mgmt_fill(conn->reader.get()) == -1) return -1;
        conn->event = 0;
        if (conn->state != kMgmtWaitingWelcome) return 0;
    }
}
