#include "sim/channel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <random>

namespace fwsim {

using fwall::Cipher;
using fwall::OpenStatus;
using fwall::SplitStatus;

namespace {

const char* open_status_text(OpenStatus status) {
    switch (status) {
    case OpenStatus::Data:
        return "data";
    case OpenStatus::NotEncrypted:
        return "block not encrypted";
    case OpenStatus::DecryptedTooLong:
        return "decrypted length invalid";
    case OpenStatus::CheckFailed:
        return "check value mismatch";
    case OpenStatus::TooLongToDeliver:
        return "block longer than 8192 data bytes";
    case OpenStatus::BadCipherLength:
        return "ciphertext not a multiple of 8";
    }
    return "bad block";
}

std::int32_t random_nonce() {
    std::random_device device;
    return static_cast<std::int32_t>(device());
}

long long now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::span<const std::uint8_t> bytes_of(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

ServerChannel::ServerChannel(int fd)
    : fd_(fd), recv_(fwall::kRecvAreaSize), staged_(fwall::kMaxBlockData), send_(fwall::kSendAreaSize) {}

ServerChannel::~ServerChannel() {
    if (fd_ >= 0) ::close(fd_);
    fwall::wipe(&keys_, sizeof keys_);
}

bool ServerChannel::send_all(const std::uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::send(fd_, data, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool ServerChannel::fill(std::string& error) {
    for (;;) {
        // Wait for bytes no longer than the idle time-out, nor past the handshake's deadline.
        int wait = idle_ms_;
        if (deadline_ms_ != 0) {
            const long long left = deadline_ms_ - now_ms();
            if (left <= 0) {
                error = "no Auth in time";
                return false;
            }
            if (wait < 0 || left < wait) wait = static_cast<int>(left);
        }
        pollfd pfd{fd_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            if (deadline_ms_ != 0 && now_ms() >= deadline_ms_) {
                error = "no Auth in time";
                return false;
            }
            if (idle_ms_ < 0 || wait < idle_ms_) continue;  // woke for the deadline, which has not passed yet
            error = "client silent for too long";
            return false;
        }
        ssize_t n = ::recv(fd_, recv_.data() + received_, recv_.size() - received_, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) {
            received_ += static_cast<size_t>(n);
            return true;
        }
        if (n == 0)
            error = "connection closed by the client";
        else if (errno == EAGAIN || errno == EWOULDBLOCK)
            error = "client silent for too long";
        else
            error = std::string("receive failed: ") + std::strerror(errno);
        return false;
    }
}

bool ServerChannel::handshake(const ChannelSettings& settings, std::string& error) {
    timeval tv{settings.timeout_seconds, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    // poll() takes milliseconds in an int; longer waits are no bound worth keeping.
    const bool bounded = settings.timeout_seconds > 0 && settings.timeout_seconds <= INT_MAX / 1000;
    idle_ms_ = bounded ? settings.timeout_seconds * 1000 : -1;
    if (settings.handshake_seconds > 0) deadline_ms_ = now_ms() + settings.handshake_seconds * 1000LL;
    if (!handshake_steps(settings, error)) return false;
    deadline_ms_ = 0;
    return true;
}

bool ServerChannel::handshake_steps(const ChannelSettings& settings, std::string& error) {
    const std::int32_t nonce = random_nonce();
    fwall::WelcomeFields welcome;
    welcome.nonce = nonce;
    welcome.privacy = settings.privacy;
    welcome.integrity = settings.integrity;
    std::uint8_t message[fwall::kHandshakeHeader + fwall::kMaxOptionList];
    auto size = fwall::build_welcome({message + fwall::kHandshakeHeader, fwall::kMaxOptionList}, welcome);
    if (!size) {
        error = "cannot build the Welcome";
        return false;
    }
    fwall::handshake_header(message, *size);
    if (!send_all(message, fwall::kHandshakeHeader + *size)) {
        error = "cannot send the Welcome";
        return false;
    }

    fwall::RawBlock raw;
    for (;;) {
        SplitStatus split = fwall::split_block(recv_.data(), received_, raw);
        if (split == SplitStatus::Complete) break;
        if (split == SplitStatus::Malformed) {
            error = "malformed Auth header";
            return false;
        }
        if (!fill(error)) return false;
    }
    if (raw.flags != fwall::kHandshakeMarker) {
        error = "first message is not an Auth";
        return false;
    }
    fwall::AuthView view;
    switch (fwall::check_auth({raw.payload, raw.length}, bytes_of(settings.password), nonce, view)) {
    case fwall::AuthCheck::Ok:
        break;
    case fwall::AuthCheck::Malformed:
        error = "malformed Auth";
        return false;
    case fwall::AuthCheck::RelayRequest:
        error = "relay request refused (no relay here)";
        return false;
    case fwall::AuthCheck::BadAuthenticator:
        error = "authenticator mismatch (wrong password?)";
        return false;
    }
    std::string user(view.user.begin(), view.user.end());
    if (!settings.user.empty() && user != settings.user) {
        error = "unknown user " + user;
        return false;
    }
    // What the client must have taken from the Welcome: announced values, else DES and no check
    // values; without privacy the client always asks for check values.
    const int privacy = settings.privacy >= 0 ? settings.privacy : 1;
    const int integrity = privacy == 0 ? 1 : (settings.integrity >= 0 ? settings.integrity : 0);
    if (view.privacy != privacy || view.integrity != integrity) {
        error = "Auth asks for privacy " + std::to_string(view.privacy) + " integrity " +
                std::to_string(view.integrity) + ", expected " + std::to_string(privacy) + " and " +
                std::to_string(integrity);
        return false;
    }
    received_ -= raw.total;
    std::memmove(recv_.data(), recv_.data() + raw.total, received_);

    privacy_ = privacy;
    keys_ = fwall::derive_keys(bytes_of(settings.password), nonce, view.client_nonce);
    if (!fwall::des_make_schedule(keys_.des_key1, schedule1_) ||
        !fwall::des_make_schedule(keys_.des_key2, schedule2_)) {
        error = "cannot make the key schedules";
        return false;
    }
    protection_.cipher = fwall::cipher_for_privacy(privacy, false);
    protection_.integrity = integrity != 0;
    protection_.integrity_key = keys_.integrity_key;
    protection_.schedule1 = &schedule1_;
    protection_.schedule2 = &schedule2_;
    protection_.iv = iv_;
    return true;
}

// Opens a block and, when it was encrypted, insists on the padding a conforming sender writes
// (p bytes of the values p, p-1, ..., 1 after the data and check value).
static OpenStatus open_strict(const fwall::BlockProtection& protection, int privacy, fwall::RawBlock& raw,
                              fwall::OpenedBlock& opened) {
    const bool encrypted = (raw.flags & fwall::kFlagEncrypted) != 0;
    const size_t outer_length = raw.length;
    std::uint8_t* payload = raw.payload;
    OpenStatus status = fwall::open_block(protection, privacy, raw, opened);
    if (status != OpenStatus::Data || !encrypted) return status;
    size_t used = fwall::kBlockHeader + opened.data_length + (protection.integrity ? fwall::kCheckValueSize : 0);
    if (used > outer_length || outer_length - used > 7) return OpenStatus::DecryptedTooLong;
    size_t padding = outer_length - used;
    for (size_t i = 0; i < padding; ++i)
        if (payload[used + i] != padding - i) return OpenStatus::DecryptedTooLong;
    return status;
}

bool ServerChannel::open_first_block(fwall::RawBlock& raw, fwall::OpenedBlock& opened) {
    // Only privacy 1 is ambiguous between the two clients; decrypting in place needs a copy to retry.
    std::vector<std::uint8_t> copy(raw.payload, raw.payload + raw.length);
    fwall::RawBlock first = raw;
    if (open_strict(protection_, privacy_, raw, opened) == OpenStatus::Data) return true;
    if (!copy.empty()) std::memcpy(first.payload, copy.data(), copy.size());
    fwall::BlockProtection triple = protection_;
    triple.cipher = Cipher::TripleDes;
    raw = first;
    if (open_strict(triple, privacy_, raw, opened) == OpenStatus::Data) {
        protection_.cipher = Cipher::TripleDes;
        return true;
    }
    if (!copy.empty()) std::memcpy(first.payload, copy.data(), copy.size());
    raw = first;
    return false;
}

ServerChannel::ReadResult ServerChannel::read_message(std::string& message, size_t limit, std::string& error) {
    message.clear();
    for (;;) {
        const size_t before = message.size();
        bool last = false;
        ReadResult result = read_part(message, last, error);
        if (result != ReadResult::Message) return result;
        if (message.size() > limit) {
            message.resize(before);
            error = "message longer than " + std::to_string(limit) + " bytes";
            return ReadResult::Failed;
        }
        if (last) return ReadResult::Message;
    }
}

ServerChannel::ReadResult ServerChannel::read_part(std::string& data, bool& last, std::string& error) {
    last = false;
    for (;;) {
        fwall::RawBlock raw;
        SplitStatus split = fwall::split_block(recv_.data(), received_, raw);
        if (split == SplitStatus::Malformed) {
            error = "malformed block header";
            return ReadResult::Failed;
        }
        if (split == SplitStatus::NeedMore) {
            std::string why;
            if (!fill(why)) {
                if (!in_message_ && received_ == 0 && why == "connection closed by the client")
                    return ReadResult::Closed;
                error = why + (in_message_ || received_ ? " in the middle of a message" : "");
                return ReadResult::Failed;
            }
            continue;
        }
        in_message_ = true;
        fwall::OpenedBlock opened;
        bool ok;
        if (first_block_ && privacy_ == 1 && (raw.flags & fwall::kFlagEncrypted)) {
            ok = open_first_block(raw, opened);
            if (!ok) error = "first block opens with neither DES nor triple DES";
        } else {
            OpenStatus status = open_strict(protection_, privacy_, raw, opened);
            ok = status == OpenStatus::Data;
            if (!ok) error = open_status_text(status);
        }
        if (ok && opened.integrity_missing) {
            ok = false;
            error = "block without check value";
        }
        if (!ok) return ReadResult::Failed;
        first_block_ = false;
        data.append(reinterpret_cast<const char*>(opened.data), opened.data_length);
        received_ -= raw.total;
        std::memmove(recv_.data(), recv_.data() + raw.total, received_);
        if (opened.last) {
            in_message_ = false;
            last = true;
        }
        return ReadResult::Message;
    }
}

bool ServerChannel::emit(bool last) {
    size_t size = fwall::encode_block(protection_, true, staged_.data(), staged_length_, last, send_.data());
    staged_length_ = 0;
    return size > 0 && send_all(send_.data(), size);
}

bool ServerChannel::write(const void* data, size_t length) {
    auto* bytes = static_cast<const std::uint8_t*>(data);
    while (length > 0) {
        if (staged_length_ == staged_.size() && !emit(false)) return false;
        size_t n = std::min(length, staged_.size() - staged_length_);
        std::memcpy(staged_.data() + staged_length_, bytes, n);
        staged_length_ += n;
        bytes += n;
        length -= n;
    }
    return true;
}

bool ServerChannel::flush() { return emit(true); }

}  // namespace fwsim
