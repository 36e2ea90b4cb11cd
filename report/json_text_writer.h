// JsonTextWriter: writes JSON text straight into a string, in exactly the layout nlohmann::json's
// dump() gives (two-space indent, or compact), with strings escaped as dump() escapes them and bytes
// that are not UTF-8 replaced by U+FFFD as its "replace" error handler does. report.json of a large
// conversion is written this way because building the whole document as a JSON value first costs
// several times more (an allocation per value, and as many to free it); the tests hold the writer's
// text to dump()'s for the same report.
//
// The caller keeps the structure right (a key before each value in an object, containers closed in
// order); the writer only lays it out. Ownership: writes into a string the caller owns. Threads: one
// writer per string.
#pragma once

#include <charconv>
#include <concepts>
#include <string>
#include <string_view>
#include <vector>

class JsonTextWriter {
public:
    // indent: spaces per level, or negative for compact text on one line.
    JsonTextWriter(std::string& out, int indent) : out_(out), indent_(indent) {}

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view name);

    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(bool flag);
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    void value(T number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        raw(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    void null() { raw("null"); }

    // key(name) then value(v).
    template <typename T>
    void member(std::string_view name, const T& v) {
        key(name);
        value(v);
    }

private:
    void raw(std::string_view text);
    void open(char bracket);
    void close(char bracket);
    void beforeValue();
    void newline(std::size_t depth);

    std::string& out_;
    int indent_;
    // Per open container: whether it has an element yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

// Appends text as a JSON string (quotes included): '"', '\\' and control characters escaped, valid
// UTF-8 as it is, every maximal ill-formed subsequence as one U+FFFD.
void appendJsonString(std::string& out, std::string_view text);
