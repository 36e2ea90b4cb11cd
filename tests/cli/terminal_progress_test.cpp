// The status line upgrade-cli convert draws on a terminal, and nothing at all elsewhere.
#include "cli/terminal_progress.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(TerminalProgressTest, LineShowsTheCountAloneOrABarWhenTheTotalIsKnown) {
    EXPECT_EQ(TerminalProgress::lineFor({"Loading the old configuration", 340, 0}),
              "Loading the old configuration: 340");
    EXPECT_EQ(TerminalProgress::lineFor({"Saving", 5, 10}), "Saving: [###############               ] 5/10");
    // A count beyond the total (the total was an estimate) fills the bar and no more.
    EXPECT_EQ(TerminalProgress::lineFor({"Saving", 12, 10}), "Saving: [" + std::string(30, '#') + "] 10/10");
}

TEST(TerminalProgressTest, ATransferNamesItsFileAndTheBytesMovedSoFar) {
    EXPECT_EQ(TerminalProgress::lineFor({"Downloading files", 12, 13, "/tmp/full-backup.tar", 3 << 20}),
              "Downloading files: [" + std::string(27, '#') + "   ] 12/13 full-backup.tar 3072 KiB");
    EXPECT_EQ(TerminalProgress::lineFor({"Uploading files", 0, 3, "kestrane.conf.6FINAL", 0}),
              "Uploading files: [" + std::string(30, ' ') + "] 0/3 kestrane.conf.6FINAL");
}

TEST(TerminalProgressTest, NothingReachesAStreamThatIsNotATerminal) {
    std::ostringstream out;
    {
        TerminalProgress progress(out, false);
        progress.show({"Loading", 20, 0});
        progress.clear();
    }
    EXPECT_EQ(out.str(), "");
}

TEST(TerminalProgressTest, EachStepIsDrawnOverThePreviousLineAndClearedAtTheEnd) {
    std::ostringstream out;
    {
        TerminalProgress progress(out, true);
        progress.show({"Loading", 0, 0});
        progress.show({"Saving", 0, 0});
    }
    EXPECT_EQ(out.str(), "\rLoading: 0\x1b[K\rSaving: 0\x1b[K\r\x1b[K");
}

}  // namespace
