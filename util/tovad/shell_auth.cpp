// The Authorization line built after a challenge.
#include "util/tovad/shell_auth.h"

#include <array>
#include <cstring>

#include "lib/fwall/crypto.h"
#include "util/tovad/shell_input.h"

namespace tovac {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string_view take_prefix(std::string_view text, std::size_t max) { return text.substr(0, max); }

}  // namespace

std::string base64_encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

int shell_build_authorization(ShellState& state, const char* challenge) {
    std::string_view rest = challenge != nullptr ? challenge : "";
    if (rest.starts_with("basic")) rest.remove_prefix(5);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (rest.starts_with("realm")) {
        const std::size_t eq = rest.find('=');
        rest.remove_prefix(eq != std::string_view::npos ? eq + 1 : 5);
    }
    if (rest.starts_with('"')) {
        rest.remove_prefix(1);
        if (rest.ends_with('"')) rest.remove_suffix(1);
    }

    const std::string user = state.user.value_or("");
    std::string credential;
    // Room for the longest typed answer up front: the credential is never reallocated, so no unwiped
    // copy of a typed secret is left behind in freed memory.
    credential.reserve(user.size() + 1 + kAnswerMax + 1);
    credential += user;
    credential += ':';
    if (rest.starts_with("password")) {
        credential += take_prefix(rest, kLineMax);
    } else if (rest.starts_with("chalnoecho")) {
        credential += take_prefix(rest.substr(10), kLineMax);
    } else {
        std::fprintf(state.err, "%s: %.*s ", user.c_str(), static_cast<int>(rest.size()), rest.data());
        std::fflush(state.err);
        std::array<char, kAnswerMax + 1> answer{};
        const LineStatus status = read_line(state.in, answer.data(), kAnswerMax);
        if (status != LineStatus::Ok) {
            fwall::wipe(answer.data(), answer.size());
            return 1;
        }
        credential += answer.data();
        fwall::wipe(answer.data(), answer.size());
    }
    if (!credential.empty() && credential.back() == '\n') credential.pop_back();
    if (!credential.empty() && credential.back() == '\r') credential.pop_back();

    state.request_headers = "Authorization: " + base64_encode(credential) + "\r\n";
    fwall::wipe(credential.data(), credential.size());
    return 0;
}

}  // namespace tovac
