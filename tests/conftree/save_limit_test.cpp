// Saving never writes what loading would skip: a setting whose line is longer than the reader takes
// fails the save, names the setting in the log and leaves the previous file as it was.
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>

#include "conftree/line_reader.h"
#include "tree_fixture.h"

namespace {

constexpr std::size_t kLimit = LineReader::kMaxLineLength;

class SaveLimitTest : public TreeTest {
protected:
    // A line "name=xxx..." of exactly `length` characters.
    static std::string lineOf(const std::string& name, std::size_t length) {
        return name + "=" + std::string(length - name.size() - 1, 'x');
    }
};

TEST_F(SaveLimitTest, LineAtTheLimitSavesAndReadsBack) {
    const std::string line = lineOf("a_b", kLimit);
    add({"a_a=1", line.c_str()});
    const std::string out = scratchPath("out.conf");
    ASSERT_TRUE(tree.save(out));
    takeLog();

    std::ostringstream reloadLog;
    ConfigTree reloaded(reloadLog);
    ASSERT_EQ(reloaded.load(out), 0);
    EXPECT_EQ(reloadLog.str().find("Skipping"), std::string::npos) << reloadLog.str();
    EXPECT_EQ(body(reloaded), "a_a=1\n" + line + "\n");
}

TEST_F(SaveLimitTest, LongerLineFailsTheSaveNamesTheSettingAndKeepsThePreviousFile) {
    const std::string line = lineOf("rule_filter_7_comment", kLimit + 1);
    add({"a_a=1", line.c_str(), "z_z=2"});
    const std::string out = writeFile("previous=1\n", "out.conf");
    takeLog();

    files::WriteResult result;
    EXPECT_FALSE(tree.save(out, result));
    EXPECT_EQ(result.step(), files::Step::Write);
    EXPECT_EQ(result.error(), EMSGSIZE);
    EXPECT_EQ(readFile(out), "previous=1\n");
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(out).parent_path()))
        ++files;
    EXPECT_EQ(files, 1);  // no temporary file left behind
    const std::string text = takeLog();
    EXPECT_NE(text.find("Unable to save the setting rule_filter_7_comment: its line of 8192 characters is longer "
                        "than the 8191 a configuration file reader takes\nUnable to write file: " +
                        out + "\n"),
              std::string::npos)
        << text;
    // The same tree to a stream: the save fails too.
    std::ostringstream stream;
    EXPECT_FALSE(tree.save(stream));
}

TEST_F(SaveLimitTest, DeepPathCountsTowardsTheLine) {
    std::string path;
    while (path.size() < kLimit) path += "branch_";
    const std::string line = path + "leaf=1";
    add({line.c_str()});
    const std::string out = scratchPath("out.conf");
    EXPECT_FALSE(tree.save(out));
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string text = takeLog();
    // The name is too long to log whole: its start stands for it.
    EXPECT_NE(text.find("Unable to save the setting branch_branch_"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("...: its line of " + std::to_string(line.size()) + " characters"), std::string::npos);
}

}  // namespace
