// Option lists: finding, setting and sizing, on well-formed and hostile bytes.
#include <gtest/gtest.h>

#include "lib/fwall/options.h"
#include "loopback.h"

namespace {

using fwtest::Bytes;

TEST(OptionList, FindSkipsFillersAndStopsAtTheTerminator) {
    const Bytes list{0, 0, 2, 1, 1, 0, 7, 4, 1, 2, 3, 4, 255, 9, 1, 1};
    const auto nonce = fwall::option_find(list, 7);
    ASSERT_TRUE(nonce);
    EXPECT_EQ(nonce->value_offset, 8u);
    EXPECT_EQ(nonce->length, 4);
    EXPECT_FALSE(fwall::option_find(list, 9));  // after the terminator
    EXPECT_EQ(fwall::option_size(list), 13u);
}

TEST(OptionList, FindGivesUpAtAZeroLengthEntry) {
    const Bytes list{3, 0, 7, 4, 1, 2, 3, 4, 255};
    EXPECT_FALSE(fwall::option_find(list, 7));
}

TEST(OptionList, FindGivesUpAfterEntriesOf512BytesOrMore) {
    Bytes list;
    for (int i = 0; i < 2; ++i) {
        list.push_back(20);
        list.push_back(255);
        list.insert(list.end(), 255, 'x');
    }
    list.insert(list.end(), {21, 2, 'a', 'b'});  // 510 bytes passed: still found
    list.insert(list.end(), {22, 1, 'c'});       // 512 passed: no longer found
    list.push_back(255);
    EXPECT_TRUE(fwall::option_find(list, 21));
    EXPECT_FALSE(fwall::option_find(list, 22));
}

TEST(OptionList, EntriesRunningPastTheBufferAreAbsent) {
    const Bytes list{2, 1, 1, 7, 4, 1, 2};
    EXPECT_TRUE(fwall::option_find(list, 2));
    EXPECT_FALSE(fwall::option_find(list, 7));
    EXPECT_FALSE(fwall::option_size(list));
    EXPECT_FALSE(fwall::option_find(Bytes{7}, 7));
}

TEST(OptionList, SetOverwritesSameLengthAndReplacesOtherLength) {
    Bytes list(32, 0xEE);
    ASSERT_TRUE(fwall::option_init(list));
    ASSERT_TRUE(fwall::option_set_byte(list, 2, 1));
    ASSERT_TRUE(fwall::option_set(list, 9, Bytes{'a', 'b'}));
    ASSERT_TRUE(fwall::option_set_byte(list, 4, 1));
    ASSERT_TRUE(fwall::option_set(list, 9, Bytes{'c', 'd'}));  // same length: in place
    EXPECT_EQ(Bytes(list.begin(), list.begin() + 11), (Bytes{2, 1, 1, 9, 2, 'c', 'd', 4, 1, 1, 255}));
    ASSERT_TRUE(fwall::option_set(list, 9, Bytes{'e'}));  // other length: removed and appended
    EXPECT_EQ(Bytes(list.begin(), list.begin() + 10), (Bytes{2, 1, 1, 4, 1, 1, 9, 1, 'e', 255}));
    EXPECT_EQ(fwall::option_size(list), 10u);
}

TEST(OptionList, SetThatDoesNotFitLeavesTheListUnchanged) {
    Bytes list(8);
    ASSERT_TRUE(fwall::option_init(list));
    ASSERT_TRUE(fwall::option_set_byte(list, 2, 1));
    const Bytes before = list;
    EXPECT_FALSE(fwall::option_set(list, 7, Bytes{1, 2, 3, 4}));
    EXPECT_EQ(list, before);
    EXPECT_TRUE(fwall::option_set(list, 2, Bytes{5, 6, 7}));  // fits once the old entry is removed
    EXPECT_EQ(Bytes(list.begin(), list.begin() + 6), (Bytes{2, 3, 5, 6, 7, 255}));
}

TEST(OptionList, NoncesAreLittleEndian) {
    std::uint8_t b[4];
    fwall::nonce_bytes(0x1A2B3C4D, b);
    EXPECT_EQ(fwtest::to_hex(b, 4), "4d3c2b1a");
    EXPECT_EQ(fwall::nonce_from_bytes(b), 0x1A2B3C4D);
    fwall::nonce_bytes(-2, b);
    EXPECT_EQ(fwall::nonce_from_bytes(b), -2);
}

}  // namespace
