// A stream buffer that collects small writes and hands them on in large blocks: the output side of
// a std::ostream over a file descriptor or any other sink. A derived class says where a block goes
// (deliver); a block that cannot be delivered makes the stream fail. Writes larger than the buffer go
// straight through.
//
// One thread at a time, like the stream it serves.
#pragma once

#include <cstddef>
#include <streambuf>
#include <vector>

namespace files {

class BlockBuffer : public std::streambuf {
public:
    explicit BlockBuffer(std::size_t size);

    // Forgets what is buffered without delivering it.
    void discard();
    // Delivers what is buffered; true when it all arrived (or nothing was buffered).
    bool flushPending();

protected:
    // Hands one block on; false when it could not be delivered whole.
    virtual bool deliver(const char* data, std::size_t size) = 0;

    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

private:
    std::vector<char> space_;
};

}  // namespace files
