// Loading a configuration from a stream: the same reader as for a file, with the stream's name in
// the messages and in sourceFile.
#include <sstream>
#include <stdexcept>
#include <streambuf>

#include "tree_fixture.h"

namespace {

class StreamLoadTest : public TreeTest {};

TEST_F(StreamLoadTest, StreamLoadEqualsFileLoad) {
    const std::string content =
        "a_b=1\r\n# note\n\nbad line\na_b=2\nq_num_r=1\nx_" + std::string(9000, 'x') + "=1\nz=last without line feed";
    const std::string path = writeFile(content);
    ASSERT_EQ(tree.load(path), 0);
    const std::string fileLog = takeLog();

    ConfigTree fromStream(log);
    std::istringstream in(content);
    ASSERT_EQ(fromStream.load(in, "upload"), 0);
    EXPECT_EQ(takeLog(), fileLog);
    EXPECT_NE(fileLog.find("Line 4: Unable to find '=' in bad line\n"), std::string::npos);
    EXPECT_NE(fileLog.find("Line 7: Skipping line longer than 8191 characters\n"), std::string::npos);
    EXPECT_EQ(body(fromStream), body(tree));
    EXPECT_EQ(body(fromStream), "a_b=1\nq_num_r=1\nz=last without line feed\n");
    EXPECT_EQ(fromStream.sourceFile, "upload");
}

TEST_F(StreamLoadTest, FailedStreamIsAFileThatCannotBeOpened) {
    add({"a=1"});
    std::istringstream in("b=2\n");
    in.setstate(std::ios::failbit);
    EXPECT_EQ(tree.load(in, "upload"), -1);
    EXPECT_EQ(takeLog(), "Unable to open file: upload\n");
    EXPECT_EQ(tree.sourceFile, "");
    EXPECT_EQ(body(tree), "a=1\n");
}

// Serves its lines, then fails: the stream goes bad in the middle of a read.
class BreakingBuffer : public std::streambuf {
public:
    explicit BreakingBuffer(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::runtime_error("device gone"); }

private:
    std::string text_;
};

TEST_F(StreamLoadTest, StreamThatBreaksWhileReadIsAReadErrorAndKeepsWhatWasRead) {
    std::string content;
    for (int i = 0; i < 10000; ++i) content += "s_" + std::to_string(i) + "=v\n";
    BreakingBuffer buffer(content);
    std::istream in(&buffer);
    EXPECT_EQ(tree.load(in, "upload"), -1);
    EXPECT_EQ(takeLog(), "Unable to read file: upload\n");
    EXPECT_EQ(tree.sourceFile, "");
    ASSERT_NE(tree.findBranch("s"), nullptr);
    EXPECT_NE(tree.findBranch("s")->findLeaf("0"), nullptr);
}

}  // namespace
