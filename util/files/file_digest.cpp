// SHA-256 and Base64 through libcrypto (see file_digest.h).
#include "util/files/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

namespace files {
namespace {

struct DigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestFree>;

std::string hex(const unsigned char* bytes, unsigned size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (unsigned i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

DigestContext startSha256() {
    DigestContext context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

std::optional<std::string> finish(EVP_MD_CTX* context) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned size = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &size) != 1) return std::nullopt;
    return hex(digest.data(), size);
}

}  // namespace

std::string sha256Hex(std::string_view text) {
    DigestContext context = startSha256();
    if (!context || EVP_DigestUpdate(context.get(), text.data(), text.size()) != 1) return {};
    return finish(context.get()).value_or(std::string());
}

std::optional<std::string> sha256OfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    DigestContext context = startSha256();
    std::array<char, 64 * 1024> block{};
    bool ok = static_cast<bool>(context);
    while (ok) {
        const ssize_t got = ::read(fd, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(got)) == 1;
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return finish(context.get());
}

std::string base64(std::string_view bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                        reinterpret_cast<const unsigned char*>(bytes.data()),
                                        static_cast<int>(bytes.size()));
    text.resize(written < 0 ? 0 : static_cast<std::size_t>(written));
    return text;
}

}  // namespace files
