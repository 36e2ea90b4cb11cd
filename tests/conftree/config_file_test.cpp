// Loading and saving configuration files: line handling, messages, the summary, round trips and
// failures to read or write.
#include <sys/stat.h>

#include <cerrno>

#include "tree_fixture.h"
#include "util/files/failure_injection.h"

class ConfigFileTest : public TreeTest {
protected:
    // The summary lines a save writes for the current process-wide counts.
    std::string summary(const std::string& source) const {
        return "Print config tree start\nVersion: Unknown\nSource file: " + source +
               "\nTotal Branch Nodes: " + std::to_string(branchCount() - 1) +
               "\nTotal Leaf Nodes: " + std::to_string(leafCount()) +
               "\n- Tree Start ---------------------------------------\n"
               "- Tree End -----------------------------------------\n";
    }

    std::string loadAndSave(const std::string& content) {
        std::string in = writeFile(content);
        EXPECT_EQ(tree.load(in), 0);
        std::string out = scratchPath("out.conf");
        EXPECT_TRUE(tree.save(out));
        return readFile(out);
    }
};

TEST_F(ConfigFileTest, EmptyFileLoadsAsEmptyTreeAndSavesEmpty) {
    std::string in = writeFile("");
    ASSERT_EQ(tree.load(in), 0);
    EXPECT_EQ(tree.sourceFile, in);
    std::string out = scratchPath("out.conf");
    EXPECT_TRUE(tree.save(out));
    EXPECT_EQ(readFile(out), "");
    EXPECT_EQ(takeLog(), summary(in));
}

TEST_F(ConfigFileTest, SummaryCountsEveryLiveNodeInTheProcess) {
    std::string in = writeFile("a_b=1\na_c_d=2\n");
    ASSERT_EQ(tree.load(in), 0);
    auto detached = parseLine("x_y=1");
    tree.version = 6.5;
    std::string out = scratchPath("out.conf");
    EXPECT_TRUE(tree.save(out));
    std::string expected = summary(in);
    expected.replace(expected.find("Unknown"), 7, "6.5");
    EXPECT_EQ(takeLog(), expected);
}

TEST_F(ConfigFileTest, SettingsSaveGroupedByFirstAppearanceAndCanonicalised) {
    EXPECT_EQ(loadAndSave("a_x=1\nb_y=2\na_z=3\nmode=0755\naddr=010.0.0.1\n=5\nx_num_a_b=1\n"),
              "a_x=1\na_z=3\nb_y=2\nmode=755\naddr=010.0.0.1\n=5\nx_num_a_b=1\n");
}

TEST_F(ConfigFileTest, CommentsBlankLinesAndCrLfEndingsChangeNothingButLineNumbers) {
    std::string lf = loadAndSave("a=1\n# note\n\nb=2\nbad line\nc=3");
    std::string lfLog = takeLog();
    ConfigTree other(log);
    std::string in = writeFile("a=1\r\n# note\r\n\r\nb=2\r\nbad line\r\nc=3\r\n");
    ASSERT_EQ(other.load(in), 0);
    EXPECT_EQ(body(other), lf);
    EXPECT_EQ(lf, "a=1\nb=2\nc=3\n");
    EXPECT_NE(lfLog.find("Line 5: Unable to find '=' in bad line\n"), std::string::npos);
    EXPECT_EQ(takeLog(), "Line 5: Unable to find '=' in bad line\n");
}

TEST_F(ConfigFileTest, LastLineWithoutLineFeedIsRead) { EXPECT_EQ(loadAndSave("a=1\nb=2"), "a=1\nb=2\n"); }

TEST_F(ConfigFileTest, DuplicatesAreReportedWithTheirLineAndFirstValueWins) {
    std::string in = writeFile("a_b=1\na_b=2\na_b=1\n");
    ASSERT_EQ(tree.load(in), 0);
    EXPECT_EQ(takeLog(), "Ignoring duplicate leaf at a_b=1 old value: 1 new value: 2\n");
    EXPECT_EQ(body(tree), "a_b=1\n");
}

TEST_F(ConfigFileTest, LoadingTheSameFileTwiceAddsAndReportsNothing) {
    std::string in = writeFile("a_b=1\nc=2\nd_e_f=x\n");
    ASSERT_EQ(tree.load(in), 0);
    long leaves = leafCount();
    ASSERT_EQ(tree.load(in), 0);
    EXPECT_EQ(leafCount(), leaves);
    EXPECT_EQ(takeLog(), "");
}

TEST_F(ConfigFileTest, LoadMergesIntoExistingContent) {
    add({"a_b=old"});
    std::string in = writeFile("a_b=new\na_c=1\n");
    ASSERT_EQ(tree.load(in), 0);
    EXPECT_EQ(body(tree), "a_b=old\na_c=1\n");
}

TEST_F(ConfigFileTest, LoadingMatchesParsingAndMergingLineByLine) {
    const char* lines[] = {"a_b=1", "a_b_c=2",     "a_b=3",       "x__y=1",      "_a_b=1",    "a__b_c=1", "x_=5",
                           "_x=5",  "p_0080=0080", "q_num_r_s=1", "q_num_r_s=2", "q_num_r=3", "a_b_c=9"};
    std::string content;
    for (const char* line : lines) content += std::string(line) + "\n";
    std::string in = writeFile(content);
    ASSERT_EQ(tree.load(in), 0);
    std::string loadLog = takeLog();
    ConfigTree merged(log);
    for (const char* line : lines) merged.mergeNode(parseLine(line), false);
    EXPECT_EQ(body(merged), body(tree));
    EXPECT_EQ(takeLog(), loadLog);
}

// Consecutive lines sharing a path prefix, paths left and come back to, a leaf and a branch of the
// same name, and a tree that already holds two sibling branches of one name: every setting lands
// where merging the lines one by one puts it (under the first branch of each name).
TEST_F(ConfigFileTest, LoadingInterleavedPathsIntoATreeWithTwinBranchesMatchesMerging) {
    auto twins = [](ConfigTree& target) {
        target.mergeNode(parseLine("a_b_seed=0"), false);
        Branch* a = target.findBranch("a");
        a->children().append(std::make_unique<Branch>("b"));  // a second 'b' under 'a'
        static_cast<Branch*>(a->children().back())->children().append(std::make_unique<Leaf>("z", "twin"));
    };
    const char* lines[] = {"a_b_x=1",   "a_b_y=2", "a_c_x=3",  "a_b_z=4",  "a_b=5",      "a_b_c_d=6", "a_b_c=7",
                           "a_b_c_e=8", "b_x=9",   "a_b_x=10", "a_c_x=11", "a_b_c_d=12", "a=13",      "a_x=14"};
    std::string content;
    for (const char* line : lines) content += std::string(line) + "\n";
    twins(tree);
    std::string in = writeFile(content);
    ASSERT_EQ(tree.load(in), 0);
    std::string loadLog = takeLog();

    ConfigTree merged(log);
    twins(merged);
    for (const char* line : lines) merged.mergeNode(parseLine(line), false);
    EXPECT_EQ(body(merged), body(tree));
    EXPECT_EQ(takeLog(), loadLog);
    EXPECT_EQ(body(tree), "a_b_seed=0\na_b_x=1\na_b_y=2\na_b_z=4\na_b_c_d=6\na_b_c_e=8\na_b_c=7\n"
                          "a_b_z=twin\na_c_x=3\na_b=5\na_x=14\nb_x=9\na=13\n");
}

TEST_F(ConfigFileTest, RoundTripGivesTheSameTree) {
    std::string first = loadAndSave("rule_proxy_num_rules=2\nrule_proxy_1_action=allow\nrule_proxy_1_src=any\n"
                                    "rule_proxy_2_action=deny\nif_0_addr=10.0.0.1\nif_0_name=eth0\nhostname=fw one\n"
                                    "a_b=1\na_b_c=2\nx_=5\n=7\nweird__name_=q\n");
    ConfigTree again(log);
    std::string path = writeFile(first, "again.conf");
    ASSERT_EQ(again.load(path), 0);
    EXPECT_EQ(body(again), first);
}

TEST_F(ConfigFileTest, OverlongLinesAreSkippedWithAMessageAndReadingGoesOn) {
    std::string longLine = "a_b=" + std::string(9000, 'x');
    std::string limit = "c=" + std::string(8189, 'y');  // exactly 8191 characters: accepted
    std::string in = writeFile("first=1\n" + longLine + "\n" + limit + "\r\nlast=2\n" + longLine);
    ASSERT_EQ(tree.load(in), 0);
    EXPECT_EQ(body(tree), "first=1\n" + limit + "\nlast=2\n");
    EXPECT_EQ(takeLog(), "Line 2: Skipping line longer than 8191 characters\n"
                         "Line 5: Skipping line longer than 8191 characters\n");
}

TEST_F(ConfigFileTest, UnreadableFileIsReportedAndLeavesTheTreeAlone) {
    add({"a=1"});
    std::string missing = scratchPath("missing.conf");
    EXPECT_EQ(tree.load(missing), -1);
    EXPECT_EQ(takeLog(), "Unable to open file: " + missing + "\n");
    EXPECT_EQ(tree.sourceFile, "");
    std::string dir = scratchPath("dir");
    std::filesystem::create_directory(dir);
    EXPECT_EQ(tree.load(dir), -1);
    EXPECT_NE(takeLog(), "");
    EXPECT_EQ(tree.sourceFile, "");
    EXPECT_EQ(body(tree), "a=1\n");
}

TEST_F(ConfigFileTest, SaveReportsAFileThatCannotBeCreated) {
    add({"a=1"});
    std::string path = scratchPath("no/such/dir/out.conf");
    EXPECT_FALSE(tree.save(path));
    EXPECT_EQ(takeLog(), summary("") + "Unable to write file: " + path + "\n");
}

TEST_F(ConfigFileTest, SaveReportsAFullDisk) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    for (int i = 0; i < 5000; ++i) add({("rule_" + std::to_string(i) + "_name=abcdefghij").c_str()});
    EXPECT_FALSE(tree.save("/dev/full"));
    EXPECT_NE(takeLog().find("Unable to write file: /dev/full\n"), std::string::npos);
    // Even a small tree whose lines sit in the stream buffer until closing is caught.
    ConfigTree small(log);
    small.mergeNode(parseLine("a=1"), false);
    EXPECT_FALSE(small.save("/dev/full"));
}

TEST_F(ConfigFileTest, SaveReplacesTheFileAndCountsWrittenLines) {
    std::string out = writeFile("old content that is longer than the new one\n", "out.conf");
    add({"a=1", "b_c=2"});
    long writes = leafWriteCount();
    EXPECT_TRUE(tree.save(out));
    EXPECT_EQ(readFile(out), "a=1\nb_c=2\n");
    EXPECT_EQ(leafWriteCount(), writes + 2);
}

// A save that fails at any point after the temporary file was made (a full disk during a write,
// a failed sync, a failed rename) leaves the previous file whole and no temporary file beside it;
// the summary and the failure line go to the log as for any failed save.
TEST_F(ConfigFileTest, FailedSaveKeepsThePreviousFileWholeAndLeavesNoTemporary) {
    const std::string out = writeFile("previous=1\n", "out.conf");
    for (int i = 0; i < 5000; ++i) add({("rule_" + std::to_string(i) + "_name=abcdefghij").c_str()});
    for (files::Step step : {files::Step::Write, files::Step::Sync, files::Step::Rename}) {
        files::testing::ScopedFailure failure(step, step == files::Step::Write ? 2 : 1, ENOSPC);
        files::WriteResult result;
        EXPECT_FALSE(tree.save(out, result));
        EXPECT_EQ(result.step(), step);
        EXPECT_EQ(result.message(), "No space left on device");
        EXPECT_EQ(takeLog(), summary("") + "Unable to write file: " + out + "\n");
        EXPECT_EQ(readFile(out), "previous=1\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(out).parent_path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
    EXPECT_TRUE(tree.save(out));
    EXPECT_EQ(readFile(out), body(tree));
    struct stat info {};
    ASSERT_EQ(::stat(out.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "configuration files hold password hashes";
}

TEST_F(ConfigFileTest, SavingToAStreamReportsAStreamThatFailed) {
    add({"a=1"});
    std::ostringstream out;
    EXPECT_TRUE(tree.save(out));
    EXPECT_EQ(out.str(), "a=1\n");
    std::ostream broken(nullptr);
    EXPECT_FALSE(tree.save(broken));
}

TEST_F(ConfigFileTest, ProgressDotsCountWrittenAndCreatedLeavesButStayOutOfTheFile) {
    std::string content;
    for (int i = 0; i < 45; ++i) content += "s_" + std::to_string(i) + "=v\n";
    std::string in = writeFile(content);
    std::ostringstream dots;
    setProgressStream(&dots);
    long created = leafCount();
    ASSERT_EQ(tree.load(in), 0);
    long written = leafWriteCount();
    std::string out = scratchPath("out.conf");
    EXPECT_TRUE(tree.save(out));
    setProgressStream(nullptr);
    long expected = (created + 45) / 20 - created / 20 + (written + 45) / 20 - written / 20;
    EXPECT_GE(expected, 4);
    EXPECT_EQ(dots.str(), std::string(static_cast<std::size_t>(expected), '.'));
    EXPECT_EQ(readFile(out), content);
}

TEST_F(ConfigFileTest, WriteOfTheTreeSendsSummaryToTheLogAndLinesToTheStream) {
    add({"a=1"});
    std::ostringstream out;
    tree.write(out, true);
    EXPECT_EQ(out.str(), "a=1\n");
    EXPECT_EQ(takeLog(), summary(""));
    std::ostringstream path;
    tree.writePath(path, true);
    EXPECT_EQ(path.str(), "");
}

TEST_F(ConfigFileTest, BranchesWithoutLeavesWriteNothing) {
    tree.mergeNode(parseName("a_b_c"), false);
    add({"d=1"});
    EXPECT_EQ(body(tree), "d=1\n");
}

TEST(LineReaderTest, DeliversLinesWithoutTheirEndings) {
    testsupport::ScratchDir scratch("line_reader_test");
    const std::string path = scratch.file("lines.txt");
    testsupport::writeFile(path, "one\r\ntwo\n\nthree\r\r\nfour");
    LineReader reader(path);
    ASSERT_TRUE(reader.isOpen());
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line) == LineReader::Status::Line) lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three\r", "four"}));
    EXPECT_EQ(reader.next(line), LineReader::Status::End);
}
