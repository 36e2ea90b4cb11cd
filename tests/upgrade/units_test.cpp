// The workflow's small fixed parts: the working directory's name, the time-out overrides and the
// message texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "upgrade/upgrade_file_table.h"
#include "upgrade/upgrade_strings.h"
#include "upgrade/upgrade_timeouts.h"
#include "upgrade/working_directory_name.h"

namespace {

// Sets TZ for one test and puts the old value back.
class LocalTimeZone {
public:
    explicit LocalTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old, hadOld_ = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~LocalTimeZone() {
        if (hadOld_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

TEST(WorkingDirectoryNameTest, HostThenDateAndTimeInEnglishWhateverTheLocale) {
    const LocalTimeZone utc("UTC");
    const std::time_t when = 1796602339;  // 2026-12-07 00:12:19 UTC
    EXPECT_EQ(workingDirectoryName("10.1.1.1", when), "10.1.1.1-07-Dec-2026-00-12-19");
    // A host text never makes the name a path elsewhere.
    EXPECT_EQ(workingDirectoryName("../fw/a", when), ".._fw_a-07-Dec-2026-00-12-19");
}

TEST(UpgradeTimeoutsTest, DefaultsAndOverridesInSeconds) {
    ::unsetenv("UPGRADE_LOGIN_TIMEOUT");
    ::unsetenv("UPGRADE_DOWNLOAD_TIMEOUT");
    ::unsetenv("UPGRADE_UPLOAD_TIMEOUT");
    UpgradeTimeouts defaults = UpgradeTimeouts::fromEnvironment();
    EXPECT_EQ(defaults.login, std::chrono::seconds(20));
    EXPECT_EQ(defaults.download, std::chrono::hours(1));
    EXPECT_EQ(defaults.upload, std::chrono::hours(2));

    ::setenv("UPGRADE_LOGIN_TIMEOUT", "0.5", 1);
    ::setenv("UPGRADE_UPLOAD_TIMEOUT", "soon", 1);
    std::string problem;
    const UpgradeTimeouts set = UpgradeTimeouts::fromEnvironment(&problem);
    ::unsetenv("UPGRADE_LOGIN_TIMEOUT");
    ::unsetenv("UPGRADE_UPLOAD_TIMEOUT");
    EXPECT_EQ(set.login, std::chrono::milliseconds(500));
    EXPECT_EQ(set.upload, std::chrono::hours(2));
    EXPECT_EQ(problem, "UPGRADE_UPLOAD_TIMEOUT=soon is not a positive number of seconds");
    for (const char* bad : {"", "0", "-1", "1e9", "nan", "2s"}) EXPECT_FALSE(parseTimeoutSeconds(bad)) << bad;
}

TEST(UpgradeStringsTest, PlaceholdersAreFilled) {
    EXPECT_EQ(formatUpgradeString(109, "/w/x", "Permission denied"),
              "Unable to create directory /w/x - Permission denied");
    EXPECT_EQ(std::string(upgradeString(104)), "");
}

TEST(UpgradeFileTableTest, OneCriticalFileFirstAndBinaryTransfersForTheArchives) {
    const UpgradeFileTable table;
    int critical = 0;
    for (const UpgradeFile& row : table.rows()) {
        critical += row.optional ? 0 : 1;
        EXPECT_EQ(row.status, UpgradeFile::kNotTransferred);
        EXPECT_EQ(row.binary, std::string(row.file).ends_with(".tar")) << row.file;
    }
    EXPECT_EQ(critical, 1);
    EXPECT_EQ(table[0].remotePath(), "/usr/local/etc/mgmt/kestrane.conf");
    EXPECT_EQ(table[12].savedName(), "full-backup.tar.PRE60UPGRADE");
}

}  // namespace
