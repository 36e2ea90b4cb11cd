// splitVerb: the first word of a text and the rest, cut in place.
#include <string>

#include "template/template_processor.h"

#include <gtest/gtest.h>

namespace {

struct Split {
    explicit Split(std::string input) : text(std::move(input)) {
        found = TemplateProcessor::splitVerb(text.data(), verb, rest);
    }
    std::string text;
    char* verb = nullptr;
    char* rest = nullptr;
    bool found = false;
};

TEST(SplitVerb, CutsTheFirstWordFromTheRestAndSkipsTheBlanksBetween) {
    Split s("  add_leaf \t a_b=two words");
    ASSERT_TRUE(s.found);
    EXPECT_STREQ(s.verb, "add_leaf");
    EXPECT_STREQ(s.rest, "a_b=two words");
    // In place: the buffer now reads as just the word.
    EXPECT_STREQ(s.text.c_str(), "  add_leaf");
}

TEST(SplitVerb, AWordAloneHasNoRest) {
    for (const char* text : {"end_if", "end_if   "}) {
        Split s(text);
        ASSERT_TRUE(s.found);
        EXPECT_STREQ(s.verb, "end_if");
        EXPECT_EQ(s.rest, nullptr);
    }
}

TEST(SplitVerb, EmptyOrBlankTextHasNoWord) {
    for (const char* text : {"", " \t "}) {
        Split s(text);
        EXPECT_FALSE(s.found);
        EXPECT_EQ(s.verb, nullptr);
        EXPECT_EQ(s.rest, nullptr);
    }
    char* verb = reinterpret_cast<char*>(1);
    char* rest = verb;
    EXPECT_FALSE(TemplateProcessor::splitVerb(nullptr, verb, rest));
    EXPECT_EQ(verb, nullptr);
    EXPECT_EQ(rest, nullptr);
}

TEST(SplitVerb, PunctuationBelongsToTheWord) {
    Split marker("[MERGE_TREE1] left over");
    EXPECT_STREQ(marker.verb, "[MERGE_TREE1]");
    EXPECT_STREQ(marker.rest, "left over");
    Split hash("# note");
    EXPECT_STREQ(hash.verb, "#");
    EXPECT_STREQ(hash.rest, "note");
}

TEST(SplitVerb, AControlCharacterOrHighByteEndsTheWordAndIsConsumed) {
    Split control("add_leaf\x01"
                  "a=1");
    EXPECT_STREQ(control.verb, "add_leaf");
    EXPECT_STREQ(control.rest, "a=1");
    Split high("ab\xe9 cd");
    EXPECT_STREQ(high.verb, "ab");
    EXPECT_STREQ(high.rest, "cd");
    // A text that starts with such a character has an empty word.
    Split leading("\x02xy");
    ASSERT_TRUE(leading.found);
    EXPECT_STREQ(leading.verb, "");
    EXPECT_STREQ(leading.rest, "xy");
}

}  // namespace
