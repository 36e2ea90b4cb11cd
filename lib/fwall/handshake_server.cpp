// The service's side of the handshake, used by the simulator: the Welcome out, the Auth in.
#include <cstring>

#include "lib/fwall/handshake.h"
#include "lib/fwall/options.h"
#include "lib/fwall/stream.h"

namespace fwall {

AuthCheck check_auth(std::span<const std::uint8_t> list, std::span<const std::uint8_t> password,
                     std::int32_t server_nonce, AuthView& view) {
    view = AuthView{};
    const auto size = option_size(list);
    if (!size) return AuthCheck::Malformed;
    list = list.first(*size);
    const auto one = [&](std::uint8_t tag) {
        const auto e = option_find(list, tag);
        return e && e->length == 1 && list[e->value_offset] == 1;
    };
    const auto nonce = option_find(list, kTagNonce);
    const auto version = option_find(list, kTagVersion);
    if (!one(kTagProtocol) || !one(kTagAuthProtocol) || !nonce || nonce->length != 4 || !version ||
        list[version->value_offset] != 0) {
        return AuthCheck::Malformed;
    }
    view.client_nonce = nonce_from_bytes(list.data() + nonce->value_offset);
    if (const auto e = option_find(list, kTagUser)) view.user = list.subspan(e->value_offset, e->length);
    if (const auto e = option_find(list, kTagWho)) view.who = list.subspan(e->value_offset, e->length);
    if (const auto e = option_find(list, kTagPrivacy); e && e->length == 1) view.privacy = list[e->value_offset];
    if (const auto e = option_find(list, kTagIntegrity); e && e->length == 1) view.integrity = list[e->value_offset];
    const auto target = option_find(list, kTagRelayTarget);
    if (target && target->length == 4) {
        view.relay_request = true;
        std::memcpy(view.relay_target, list.data() + target->value_offset, 4);
        if (const auto port = option_find(list, kTagRelayPort); port && port->length == 2) {
            view.relay_port = (list[port->value_offset] << 8) | list[port->value_offset + 1];
        }
        return AuthCheck::RelayRequest;
    }
    const auto slot = option_find(list, kTagAuthenticator);
    if (!slot || slot->length != 16) return AuthCheck::Malformed;
    // The authenticator covers the list with its own 16 bytes zeroed.
    std::uint8_t copy[kMaxBlockLength];
    std::memcpy(copy, list.data(), list.size());
    std::memset(copy + slot->value_offset, 0, 16);
    std::uint8_t expected[16];
    auth_digest(password, server_nonce, {copy, list.size()}, expected);
    if (!equal_secret(expected, list.data() + slot->value_offset, 16)) return AuthCheck::BadAuthenticator;
    return AuthCheck::Ok;
}

}  // namespace fwall

int mgmt_server_step(MgmtConnection* conn, std::uint8_t* payload, std::size_t length) {
    if (conn->state != kMgmtWaitingWelcome) return 0;
    fwall::AuthView view;
    const char* password = conn->password ? conn->password.get() : "";
    const fwall::AuthCheck check =
        fwall::check_auth({payload, length}, {reinterpret_cast<const std::uint8_t*>(password), std::strlen(password)},
                          conn->server_nonce, view);
    bool ok = check == fwall::AuthCheck::Ok && conn->password != nullptr;
    if (ok && conn->user && conn->user.get()[0] != '\0') {
        const std::size_t n = std::strlen(conn->user.get());
        ok = view.user.size() == n && std::memcmp(view.user.data(), conn->user.get(), n) == 0;
    }
    if (!ok) {
        conn->state = kMgmtFailed;
        conn->event = 1;
        return 1;
    }
    conn->client_nonce = view.client_nonce;
    if (view.privacy >= 0) conn->privacy = view.privacy;
    if (view.integrity >= 0) conn->integrity = view.integrity;
    if (!view.who.empty()) {
        conn->who.reset(mgmt_strndup(reinterpret_cast<const char*>(view.who.data()), view.who.size()));
    }
    mgmt_make_keys(conn);
    conn->event = 1;
    return 1;
}

int mgmt_send_welcome(MgmtConnection* conn, const fwall::WelcomeFields& fields) {
    if (conn == nullptr) return -1;
    std::uint8_t message[fwall::kHandshakeHeader + fwall::kMaxOptionList];
    const auto size = fwall::build_welcome({message + fwall::kHandshakeHeader, fwall::kMaxOptionList}, fields);
    if (!size) return -1;
    fwall::handshake_header(message, *size);
    conn->server_side = true;
    conn->server_nonce = fields.nonce;
    conn->privacy = fields.privacy >= 0 ? fields.privacy : 1;
    if (fields.integrity >= 0) conn->integrity = fields.integrity;
    conn->state = kMgmtWaitingWelcome;
    return mgmt_send_all(conn, message, fwall::kHandshakeHeader + *size);
}

int mgmt_accept(MgmtConnection* conn) {
    if (conn == nullptr) return -1;
    for (;;) {
        if (mgmt_fill(conn->reader.get()) == -1) return -1;
        conn->event = 0;
        if (conn->state == kMgmtEstablished) return 0;
        if (conn->state != kMgmtWaitingWelcome) return 1;
    }
}
