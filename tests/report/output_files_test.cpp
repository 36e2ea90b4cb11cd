// Writing report.json and report.html: both owner-only and complete, previous files replaced whole,
// targets that are not regular files refused before anything is written, and each failure of the
// atomic writer leaving every file that was not yet put in place as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "report/report_files.h"
#include "report/report_html.h"
#include "report/report_json.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "util/files/failure_injection.h"
#include "output_sample_report.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

class ReportFilesTest : public ::testing::Test {
protected:
    std::string dir() const { return scratch.path().string(); }
    std::string json() const { return scratch.file("report.json"); }
    std::string html() const { return scratch.file("report.html"); }

    static unsigned mode(const std::string& path) {
        struct stat info {};
        return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
    // The names in the directory, to see that no temporary file was left.
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(scratch.path())) found.push_back(entry.path().filename());
        std::sort(found.begin(), found.end());
        return found;
    }
    void writeOldFiles() const {
        ASSERT_TRUE(writeFile(json(), "old json"));
        ASSERT_TRUE(writeFile(html(), "old html"));
    }

    const UpgradeReport report = reportsample::sampleReport();
    testsupport::ScratchDir scratch{"report-files"};
};

TEST_F(ReportFilesTest, WritesBothFilesCompleteAndOwnerOnly) {
    EXPECT_EQ(reportFilePath("/w", kReportJsonName), "/w/report.json");
    EXPECT_EQ(reportFilePath("/w/", kReportHtmlName), "/w/report.html");
    std::string error;
    ASSERT_TRUE(writeReportFiles(report, dir() + "/", error)) << error;
    EXPECT_EQ(readFile(json()), reportJsonText(report));
    EXPECT_EQ(readFile(html()), reportToHtml(report));
    EXPECT_EQ(mode(json()), 0600u);
    EXPECT_EQ(mode(html()), 0600u);
    EXPECT_EQ(names(), (std::vector<std::string>{"report.html", "report.json"}));
}

TEST_F(ReportFilesTest, PreviousFilesAreReplacedWhole) {
    const std::string longer(5'000'000, 'x');
    ASSERT_TRUE(writeFile(json(), longer));
    ASSERT_TRUE(writeFile(html(), longer));
    ASSERT_EQ(::chmod(json().c_str(), 0644), 0);
    std::string error;
    ASSERT_TRUE(writeReportFiles(report, dir(), error)) << error;
    EXPECT_EQ(readFile(json()), reportJsonText(report));
    EXPECT_EQ(readFile(html()), reportToHtml(report));
    EXPECT_EQ(mode(json()), 0600u);
}

TEST_F(ReportFilesTest, TargetThatIsNotARegularFileIsRefusedAndNothingIsWritten) {
    writeOldFiles();
    ASSERT_TRUE(fs::remove(html()));
    ASSERT_EQ(::mkdir(html().c_str(), 0700), 0);
    std::string error;
    EXPECT_FALSE(writeReportFiles(report, dir(), error));
    EXPECT_EQ(error, "cannot write " + html() + ": it exists and is not a regular file");
    EXPECT_EQ(readFile(json()), "old json");
    EXPECT_TRUE(fs::is_directory(html()));

    // A link is not followed, nor replaced: the file it names keeps its content.
    testsupport::ScratchDir elsewhere{"report-files-target"};
    ASSERT_TRUE(writeFile(elsewhere.file("kept"), "kept"));
    ASSERT_TRUE(fs::remove(html()));
    ASSERT_TRUE(fs::remove(json()));
    fs::create_symlink(elsewhere.file("kept"), json());
    EXPECT_FALSE(writeReportFiles(report, dir(), error));
    EXPECT_EQ(error, "cannot write " + json() + ": it exists and is not a regular file");
    EXPECT_EQ(readFile(elsewhere.file("kept")), "kept");
    EXPECT_TRUE(fs::is_symlink(json()));
    EXPECT_FALSE(fs::exists(html()));
}

TEST_F(ReportFilesTest, FailedWriteLeavesBothFilesAsTheyWere) {
    for (int write = 1; write <= 2; ++write) {
        writeOldFiles();
        files::testing::ScopedFailure failure(files::Step::Write, write, ENOSPC);
        std::string error;
        EXPECT_FALSE(writeReportFiles(report, dir(), error));
        EXPECT_EQ(error, "cannot write " + (write == 1 ? json() : html()) + ": No space left on device");
        EXPECT_EQ(readFile(json()), "old json");
        EXPECT_EQ(readFile(html()), "old html");
        EXPECT_EQ(names(), (std::vector<std::string>{"report.html", "report.json"}));
    }
}

TEST_F(ReportFilesTest, TheJsonGoesInPlaceLastSoANewJsonMeansANewPage) {
    writeOldFiles();
    {
        files::testing::ScopedFailure failure(files::Step::Rename, 1, EIO);
        std::string error;
        EXPECT_FALSE(writeReportFiles(report, dir(), error));
        EXPECT_EQ(error, "cannot write " + html() + ": Input/output error");
        EXPECT_EQ(readFile(html()), "old html");
        EXPECT_EQ(readFile(json()), "old json");
    }
    {
        files::testing::ScopedFailure failure(files::Step::Rename, 2, EIO);
        std::string error;
        EXPECT_FALSE(writeReportFiles(report, dir(), error));
        EXPECT_EQ(error, "cannot write " + json() + ": Input/output error");
        EXPECT_EQ(readFile(html()), reportToHtml(report));
        EXPECT_EQ(readFile(json()), "old json");
    }
    EXPECT_EQ(names(), (std::vector<std::string>{"report.html", "report.json"}));
}

TEST_F(ReportFilesTest, MissingDirectoryIsAPlainReason) {
    std::string error;
    EXPECT_FALSE(writeReportFiles(report, dir() + "/gone", error));
    EXPECT_EQ(error, "cannot write " + dir() + "/gone/report.json: No such file or directory");
}

}  // namespace
