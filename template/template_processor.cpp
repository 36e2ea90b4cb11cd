// The template processor's script reader and verb dispatch.
#include "template/template_processor.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>

#include "conftree/config_tree.h"
#include "conftree/progress.h"
#include "template/script_line_recorder.h"
#include "template/text_util.h"
#include "template/verb_table.h"

TemplateProcessor::TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream, std::string path,
                                     std::string directory)
    : scriptPath(std::move(path)),
      workingDirectory(std::move(directory)),
      logStream_(logStream),
      warningsStream_(warningsStream) {
    auto file = std::make_unique<std::ifstream>(this->scriptPath);
    // A directory opens like a file here but reads as nothing; it is no script either.
    std::error_code ec;
    if (file->is_open() && std::filesystem::is_directory(this->scriptPath, ec)) file->close();
    if (!file->is_open()) {
        logStream_ << "Unable to open file: " << this->scriptPath << '\n';
        logStream_.flush();
        // The reader treats the failed stream as the end of the script; see readScriptLine.
        readFailed_ = true;
    }
    script_ = std::move(file);
}

TemplateProcessor::TemplateProcessor(std::ostream& logStream, std::ostream& warningsStream,
                                     std::unique_ptr<std::istream> script, std::string path, std::string directory)
    : scriptPath(std::move(path)),
      workingDirectory(std::move(directory)),
      logStream_(logStream),
      warningsStream_(warningsStream),
      script_(std::move(script)) {}

TemplateProcessor::~TemplateProcessor() = default;

bool TemplateProcessor::failReading(std::string_view why) {
    if (!readFailed_) {
        readFailed_ = true;
        logLine(why);
    }
    return false;
}

bool TemplateProcessor::readScriptLine(ScriptLine& buffer) {
    using Traits = std::char_traits<char>;
    buffer[0] = '\0';
    // A stream that cannot be read (never opened, an earlier read error or over-long line) ends the
    // script for good: the callers' loops stop as at the end of the file instead of seeing empty lines.
    if (readFailed_ || !script_) return false;
    std::istream& in = *script_;
    if (in.bad() || in.fail()) {
        return failReading("Unable to read the script " + scriptPath + " after line " + std::to_string(lineNumber_));
    }
    std::streambuf* source = in.rdbuf();
    if (source == nullptr) return false;
    if (Traits::eq_int_type(source->sgetc(), Traits::eof())) {
        in.setstate(std::ios::eofbit);
        return false;
    }

    std::size_t length = 0;
    bool overLong = false;
    for (;;) {
        const Traits::int_type c = source->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof()) || c == '\n') break;
        if (length == kScriptLineMax) {
            // One character more than a line may hold: only a carriage return of a CR LF ending fits.
            if (c == '\r' && source->sgetc() == '\n') {
                source->sbumpc();
                break;
            }
            overLong = true;
            break;
        }
        buffer[length++] = Traits::to_char_type(c);
    }
    while (length > 0 && isBlankChar(buffer[length - 1])) --length;
    buffer[length] = '\0';

    ++lineNumber_;
    if (lineNumber_ % 10 == 0) progressDot(ProgressKind::ScriptLinesRead);
    if (overLong) {
        // Running a line cut short could change a setting silently; reading stops here instead.
        buffer[0] = '\0';
        return failReading("Line " + std::to_string(lineNumber_) + " of the script " + scriptPath + " is longer than " +
                           std::to_string(kScriptLineMax) + " characters: the script is not read further");
    }
    return true;
}

bool TemplateProcessor::processNextLine(ConfigTree& tree, ScriptLine& buffer) {
    if (!readScriptLine(buffer)) return false;
    if (buffer[0] != '#' && buffer[0] != '\0' && buffer[1] != '\0') dispatchLine(tree, buffer.data());
    return true;
}

bool TemplateProcessor::splitVerb(char* text, char*& verb, char*& rest) {
    verb = nullptr;
    rest = nullptr;
    if (text == nullptr) return false;
    char* p = text;
    while (*p != '\0' && isBlankChar(*p)) ++p;
    if (*p == '\0') return false;
    verb = p;
    while (*p != '\0' && isWordChar(*p)) ++p;
    if (*p == '\0') return true;
    *p++ = '\0';
    while (*p != '\0' && isBlankChar(*p)) ++p;
    if (*p != '\0') rest = p;
    return true;
}

int TemplateProcessor::dispatchLine(ConfigTree& tree, char* line) {
    char* verb = nullptr;
    char* rest = nullptr;
    if (!splitVerb(line, verb, rest)) return 0;
    const VerbRow* row = findVerb(verb);
    const ScriptLineRecorder recorder(*this, tree, row != nullptr ? row->name : verb, rest, row != nullptr);
    if (row == nullptr) {
        logStream_ << "Unrecognized verb at line " << lineNumber_ << ": " << verb << '\n';
        logStream_.flush();
        return 0;
    }
    logStream_ << "Processing " << lineNumber_ << ": " << row->name << '\t' << (rest ? rest : "") << '\n';
    logStream_.flush();
    if (row->handler == nullptr) return 1;
    return (this->*(row->handler))(tree, rest);
}

bool TemplateProcessor::runScriptSection(ConfigTree& tree, const char* endMarker) {
    ScriptLine buffer;
    while (processNextLine(tree, buffer)) {
        if (endMarker != nullptr && equalsIgnoreCase(buffer.data(), endMarker)) return true;
        if (abortRequested_) return false;
    }
    return true;
}

void TemplateProcessor::logLine(std::string_view text) {
    logStream_ << text << '\n';
    logStream_.flush();
}

void TemplateProcessor::logFault(std::string_view name, std::string_view message, std::string_view subject) {
    logStream_ << name << message << lineNumber_ << "): " << subject << '\n';
    logStream_.flush();
}

void TemplateProcessor::logWarning(std::string_view text) {
    warningsStream_ << text << '\n';
    warningsStream_.flush();
}

void TemplateProcessor::addSetting(ConfigTree& tree, std::string line) { add_leaf(tree, line.data()); }

void TemplateProcessor::requestAbort(std::string reason) {
    errorText_ = std::move(reason);
    abortRequested_ = true;
}
