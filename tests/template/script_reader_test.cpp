// The script reader: what a line is, how lines are counted, and how reading ends.
#include <sstream>
#include <string>

#include "conftree/progress.h"
#include "script_fixture.h"
#include "support/scratch_dir.h"

namespace {

class ScriptReader : public ScriptFixture {
protected:
    std::string next() {
        EXPECT_TRUE(processor->readScriptLine(buffer));
        return buffer.data();
    }
    void expectEnd() {
        EXPECT_FALSE(processor->readScriptLine(buffer));
        EXPECT_EQ(buffer[0], '\0');
    }
};

TEST_F(ScriptReader, LinesLoseTheirLineEndingAndTrailingWhiteSpaceButKeepLeadingBlanks) {
    useScript("add_leaf a=1  \t\r\n   indented\r\n\n");
    EXPECT_EQ(next(), "add_leaf a=1");
    EXPECT_EQ(next(), "   indented");
    EXPECT_EQ(next(), "");
    expectEnd();
    EXPECT_EQ(processor->lineNumber(), 3);
}

TEST_F(ScriptReader, LastLineNeedsNoLineFeedAndAFinalLineFeedAddsNoLine) {
    useScript("one\ntwo");
    EXPECT_EQ(next(), "one");
    EXPECT_EQ(next(), "two");
    expectEnd();
    useScript("one\ntwo\n");
    next();
    next();
    expectEnd();
    expectEnd();
    EXPECT_EQ(processor->lineNumber(), 2);
}

TEST_F(ScriptReader, EveryLineCountsButOnlyVerbLinesAreDispatched) {
    useScript("\n#add_leaf x=1\nx\nadd_leaf y=2\n");
    int lines = 0;
    while (processor->processNextLine(tree, buffer)) ++lines;
    EXPECT_EQ(lines, 4);
    EXPECT_EQ(processor->lineNumber(), 4);
    EXPECT_EQ(settings(), "y=2\n");
    EXPECT_EQ(log.str(), "Processing 4: add_leaf\ty=2\n");
}

TEST_F(ScriptReader, LineOfTheMaximumLengthIsReadWhole) {
    const std::string longest(kScriptLineMax, 'a');
    useScript(longest + "\n" + longest + "\r\nadd_leaf z=1\n");
    EXPECT_EQ(next(), longest);
    EXPECT_EQ(next(), longest);
    EXPECT_EQ(next(), "add_leaf z=1");
    EXPECT_FALSE(processor->scriptReadFailed());
}

TEST_F(ScriptReader, OverLongLineStopsReadingInsteadOfRunningACutLine) {
    useScript("add_leaf a=1\nadd_leaf b=" + std::string(kScriptLineMax, '9') + "\nadd_leaf c=3\n");
    EXPECT_TRUE(processor->runScriptSection(tree, nullptr));
    EXPECT_EQ(settings(), "a=1\n");
    EXPECT_TRUE(processor->scriptReadFailed());
    EXPECT_EQ(processor->lineNumber(), 2);
    expectEnd();
    EXPECT_EQ(log.str(),
              "Processing 1: add_leaf\ta=1\n"
              "Line 2 of the script test.tpl is longer than 8191 characters: the script is not read further\n");
}

TEST_F(ScriptReader, ScriptThatCannotBeOpenedIsLoggedAndReadsAsEmpty) {
    const testsupport::ScratchDir dir("script_reader");  // a directory, which cannot be read as a script
    for (const std::string& path : {std::string("/nonexistent-dir/x.tpl"), dir.path().string()}) {
        log.str("");
        TemplateProcessor missing(log, warnings, path, "/tmp/");
        EXPECT_EQ(log.str(), "Unable to open file: " + path + "\n");
        EXPECT_TRUE(missing.scriptReadFailed());
        EXPECT_FALSE(missing.processNextLine(tree, buffer));
        EXPECT_FALSE(missing.readScriptLine(buffer));
        EXPECT_EQ(missing.lineNumber(), 0);
    }
}

TEST_F(ScriptReader, StreamInAFailedStateEndsReadingAtOnce) {
    auto broken = std::make_unique<std::istringstream>("add_leaf a=1\n");
    broken->setstate(std::ios::badbit);
    TemplateProcessor reader(log, warnings, std::move(broken), "broken.tpl", "/tmp/");
    EXPECT_TRUE(reader.runScriptSection(tree, nullptr));
    EXPECT_FALSE(reader.readScriptLine(buffer));
    EXPECT_TRUE(reader.scriptReadFailed());
    EXPECT_EQ(reader.lineNumber(), 0);
    EXPECT_EQ(settings(), "");
}

TEST_F(ScriptReader, ProgressDotForEveryTenthLineGoesToTheChosenStreamOnly) {
    std::ostringstream dots;
    setProgressStream(&dots);
    std::string script;
    for (int i = 0; i < 25; ++i) script += "# comment\n";
    useScript(script);
    while (processor->readScriptLine(buffer)) {
    }
    setProgressStream(nullptr);
    EXPECT_EQ(dots.str(), "..");
    EXPECT_EQ(log.str(), "");
}

}  // namespace
