// JSON text in dump()'s layout (see json_text_writer.h).
#include "report/json_text_writer.h"

namespace {

// The length of the well-formed UTF-8 sequence at text[at] (a byte >= 0x80 there), or, when there is
// none, the negated length of its maximal ill-formed subpart (at least 1): the bytes that begin a
// well-formed sequence but end before it is complete. These are the bytes one U+FFFD stands for.
int utf8Sequence(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        if (lead == 0xe0) low = 0xa0;
        if (lead == 0xed) high = 0x9f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        if (lead == 0xf0) low = 0x90;
        if (lead == 0xf4) high = 0x8f;
    } else {
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        const std::size_t next = at + static_cast<std::size_t>(i);
        if (next >= text.size()) return -i;
        const unsigned char c = byte(next);
        const bool fits = i == 1 ? c >= low && c <= high : c >= 0x80 && c <= 0xbf;
        if (!fits) return -i;
    }
    return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t plain = 0;  // start of the run of bytes that go out as they are
    std::size_t i = 0;
    const auto flush = [&] { out.append(text.data() + plain, i - plain); };
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            const int length = utf8Sequence(text, i);
            if (length > 0) {
                i += static_cast<std::size_t>(length);
                continue;
            }
            flush();
            out += "\xef\xbf\xbd";
            i += static_cast<std::size_t>(-length);
            plain = i;
            continue;
        }
        flush();
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0f];
            break;
        }
        plain = ++i;
    }
    flush();
    out += '"';
}

void JsonTextWriter::newline(std::size_t depth) {
    out_ += '\n';
    out_.append(depth * static_cast<std::size_t>(indent_), ' ');
}

void JsonTextWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (filled_.empty()) return;
    if (filled_.back()) out_ += ',';
    filled_.back() = true;
    if (indent_ >= 0) newline(filled_.size());
}

void JsonTextWriter::raw(std::string_view text) {
    beforeValue();
    out_ += text;
}

void JsonTextWriter::open(char bracket) {
    beforeValue();
    out_ += bracket;
    filled_.push_back(false);
}

void JsonTextWriter::close(char bracket) {
    const bool filled = !filled_.empty() && filled_.back();
    if (!filled_.empty()) filled_.pop_back();
    if (filled && indent_ >= 0) newline(filled_.size());
    out_ += bracket;
}

void JsonTextWriter::key(std::string_view name) {
    beforeValue();
    appendJsonString(out_, name);
    out_ += indent_ >= 0 ? ": " : ":";
    afterKey_ = true;
}

void JsonTextWriter::value(std::string_view text) {
    beforeValue();
    appendJsonString(out_, text);
}

void JsonTextWriter::value(bool flag) { raw(flag ? "true" : "false"); }
