// Writing report.json and report.html (see report_files.h).
#include "report/report_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "report/report_html.h"
#include "report/report_json.h"
#include "util/files/atomic_file.h"

namespace {

// True when path may be replaced: it does not exist, or it is a regular file.
bool replaceable(const std::string& path, std::string& error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    error = "cannot write " + path + ": it exists and is not a regular file";
    return false;
}

std::string writeFailure(const std::string& path, const files::WriteResult& result) {
    return "cannot write " + path + ": " + result.message();
}

bool writeBoth(const UpgradeReport& report, const std::string& directory, std::string& error) {
    const std::string jsonPath = reportFilePath(directory, kReportJsonName);
    const std::string htmlPath = reportFilePath(directory, kReportHtmlName);
    if (!replaceable(jsonPath, error) || !replaceable(htmlPath, error)) return false;

    // The report is built as JSON once; the file and the page's data are two layouts of it.
    std::string jsonText;
    std::string htmlText;
    {
        const nlohmann::ordered_json json = reportToJson(report);
        jsonText = reportJsonText(json, JsonLayout::Pretty);
        htmlText = reportPage(reportJsonText(json, JsonLayout::Compact));
    }
    if (jsonText.empty() || htmlText.empty()) {
        error = "the report could not be put together (out of memory)";
        return false;
    }

    files::AtomicFile jsonFile;
    files::AtomicFile htmlFile;
    files::WriteResult result = jsonFile.open(jsonPath);
    if (result) result = jsonFile.append(jsonText);
    if (!result) {
        error = writeFailure(jsonPath, result);
        return false;
    }
    result = htmlFile.open(htmlPath);
    if (result) result = htmlFile.append(htmlText);
    if (result) result = htmlFile.commit();
    if (!result) {
        error = writeFailure(htmlPath, result);
        return false;  // jsonFile abandons its temporary file
    }
    result = jsonFile.commit();
    if (!result) {
        error = writeFailure(jsonPath, result);
        return false;
    }
    return true;
}

}  // namespace

std::string reportFilePath(const std::string& directory, std::string_view name) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

bool writeReportFiles(const UpgradeReport& report, const std::string& directory, std::string& error) {
    try {
        return writeBoth(report, directory, error);
    } catch (const std::exception& e) {
        error = std::string("the report could not be written: ") + e.what();
        return false;
    }
}
