// LineReader: reads a text file (or an input stream) line by line for the configuration file reader
// (and any other reader of line-based files). A line ends at a line feed, which is not kept; one carriage return
// before it is dropped too, so CR LF files read like LF files. A last line without a line feed is
// still a line. Lines are limited to kMaxLineLength characters: a longer line is consumed whole and
// reported as TooLong, so one bad line never stalls or crashes the reader.
//
// Owns its file handle; a stream stays the caller's and must outlive the reader. One thread at a
// time.
#pragma once

#include <cstddef>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineReader {
public:
    static constexpr std::size_t kMaxLineLength = 8191;

    enum class Status {
        Line,     // line holds the next line
        TooLong,  // the next line was longer than kMaxLineLength; line holds its first part
        End,      // no more lines
        Error,    // the file could not be read on (line is empty)
    };

    explicit LineReader(const std::string& path);
    // Reads the stream from where it stands. A stream already failed counts as one not opened; a
    // stream that goes bad while reading is a read error.
    explicit LineReader(std::istream& stream);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False when the file could not be opened for reading (missing, not permitted, a directory).
    bool isOpen() const { return file_ != nullptr || stream_ != nullptr; }

    // Reads the next line. The view stays valid until the next call.
    Status next(std::string_view& line);

private:
    bool fill();
    std::size_t readSome(char* into, std::size_t room);

    std::FILE* file_ = nullptr;
    std::istream* stream_ = nullptr;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool error_ = false;
    std::string longLine_;
};
