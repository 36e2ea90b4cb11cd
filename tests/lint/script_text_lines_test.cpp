// The checker's line reader against the processor's own: the same lines, the same numbers, the same
// stop at an over-long line, for texts built to hit every case of the reader.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "template/script_text_lines.h"
#include "template/template_processor.h"

namespace {

struct ReaderView {
    std::vector<std::string> lines;
    bool stoppedOnLongLine = false;
    int lineNumber = 0;
};

ReaderView readWithProcessor(const std::string& text) {
    std::ostringstream log;
    std::ostringstream warnings;
    TemplateProcessor processor(log, warnings, std::make_unique<std::istringstream>(text), "t.tpl", "/none/");
    ReaderView view;
    ScriptLine buffer;
    while (processor.readScriptLine(buffer)) view.lines.emplace_back(buffer.data());
    view.stoppedOnLongLine = processor.scriptReadFailed();
    view.lineNumber = processor.lineNumber();
    return view;
}

void expectSameAsProcessor(const std::string& text) {
    const ReaderView reader = readWithProcessor(text);
    const std::vector<ScriptTextLine> cut = cutScriptLines(text);
    ASSERT_EQ(static_cast<int>(cut.size()), reader.lineNumber);
    const bool endsLong = !cut.empty() && cut.back().overLong;
    EXPECT_EQ(endsLong, reader.stoppedOnLongLine);
    ASSERT_EQ(cut.size() - (endsLong ? 1 : 0), reader.lines.size());
    for (std::size_t i = 0; i < reader.lines.size(); ++i) {
        EXPECT_EQ(cut[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(cut[i].text, reader.lines[i]) << "line " << i + 1;
        EXPECT_FALSE(cut[i].overLong);
    }
}

TEST(ScriptTextLines, CutsLinesAtLineFeedsAndDropsTrailingWhiteSpace) {
    const std::vector<ScriptTextLine> cut = cutScriptLines("add_leaf a=1  \r\n\n  x\t\nlast");
    ASSERT_EQ(cut.size(), 4u);
    EXPECT_EQ(cut[0].text, "add_leaf a=1");
    EXPECT_EQ(cut[1].text, "");
    EXPECT_EQ(cut[2].text, "  x");
    EXPECT_EQ(cut[3].text, "last");
    EXPECT_TRUE(cutScriptLines("").empty());
    EXPECT_EQ(cutScriptLines("a\n").size(), 1u);
}

TEST(ScriptTextLines, LineEndsAtNulAndSaysSo) {
    const std::vector<ScriptTextLine> cut = cutScriptLines(std::string("add_leaf a=1\0rest\nb", 19));
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0].text, "add_leaf a=1");
    EXPECT_TRUE(cut[0].heldNul);
    EXPECT_FALSE(cut[1].heldNul);
}

TEST(ScriptTextLines, ReaderLimitIsKeptToTheCharacter) {
    const std::string longest(kScriptLineMax, 'x');
    for (const std::string& text : {longest + "\nok", longest + "\r\nok", longest + " \nok", longest + "y\nnever",
                                    longest + "\r", longest + "\rz", longest}) {
        SCOPED_TRACE(text.size());
        expectSameAsProcessor(text);
    }
    const std::vector<ScriptTextLine> cut = cutScriptLines(longest + "yy\nnever read");
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_TRUE(cut[0].overLong);
}

TEST(ScriptTextLines, AgreesWithTheProcessorOnRandomTexts) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("ab #=_\t\r\n\n\n", 12) + std::string(1, '\0') + "\x01\xff";
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int pieces = static_cast<int>(random() % 20);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 40 == 0) {
                // A run that lands around the reader's limit.
                text.append(kScriptLineMax - 3 + random() % 6, 'q');
            } else {
                text.push_back(alphabet[random() % alphabet.size()]);
            }
        }
        SCOPED_TRACE(round);
        expectSameAsProcessor(text);
    }
}

}  // namespace
