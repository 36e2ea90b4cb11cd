// Small writes collected into blocks.
#include "util/files/block_buffer.h"

#include <cstring>

namespace files {

BlockBuffer::BlockBuffer(std::size_t size) : space_(size) { discard(); }

void BlockBuffer::discard() { setp(space_.data(), space_.data() + space_.size()); }

bool BlockBuffer::flushPending() {
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    discard();
    return size == 0 || deliver(space_.data(), size);
}

BlockBuffer::int_type BlockBuffer::overflow(int_type c) {
    if (!flushPending()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize BlockBuffer::xsputn(const char* data, std::streamsize count) {
    const std::size_t size = static_cast<std::size_t>(count);
    if (size > static_cast<std::size_t>(epptr() - pptr())) {
        if (!flushPending()) return 0;
        if (size >= space_.size()) return deliver(data, size) ? count : 0;
    }
    std::memcpy(pptr(), data, size);
    pbump(static_cast<int>(size));
    return count;
}

int BlockBuffer::sync() { return flushPending() ? 0 : -1; }

}  // namespace files
