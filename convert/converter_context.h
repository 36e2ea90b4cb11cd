// What a converter may do besides working on its own records and the trees it is handed: write to
// the conversion log and to the notes for the administrator, and add a setting line to a tree.
//
// The converters do not know who runs them. The template processor is the context of a conversion
// run (its fault lines carry the number of the script line read last, and a setting is added as the
// add_leaf verb adds it); tests hand in a context of their own. A context is borrowed for the length
// of one call and is used from the caller's thread only.
#pragma once

#include <string>
#include <string_view>

class ConfigTree;

class ConverterContext {
public:
    // Writes one line (text and a newline) to the log and flushes it.
    virtual void logLine(std::string_view text) = 0;
    // Writes a fault line to the log: name + message + the current script line number + "): " +
    // subject, a newline, flushed. message is the fixed text, beginning with ": " and ending with "(".
    virtual void logFault(std::string_view name, std::string_view message, std::string_view subject) = 0;
    // Writes one note (text and a newline) for the administrator and flushes it.
    virtual void logWarning(std::string_view text) = 0;
    // Adds one 'name=value' setting line to tree as the add_leaf verb does: an existing leaf takes
    // the new value, and a line that cannot be parsed is reported under the name "add_leaf".
    virtual void addSetting(ConfigTree& tree, std::string line) = 0;

protected:
    ConverterContext() = default;
    ConverterContext(const ConverterContext&) = default;
    ConverterContext& operator=(const ConverterContext&) = default;
    ~ConverterContext() = default;
};
