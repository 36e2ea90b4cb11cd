// Decimal conversions and field cutting used by the converters.

#include <gtest/gtest.h>

#include <climits>

#include "convert/text_fields.h"

namespace {

TEST(TextFieldsTest, DecimalValueReadsLikeAtoiButClampsOverflow) {
    EXPECT_EQ(decimalValue("42"), 42);
    EXPECT_EQ(decimalValue("  -7x"), -7);
    EXPECT_EQ(decimalValue("+3"), 3);
    EXPECT_EQ(decimalValue("abc"), 0);
    EXPECT_EQ(decimalValue(""), 0);
    EXPECT_EQ(decimalValue("99999999999999999999"), INT_MAX);
    EXPECT_EQ(decimalValue("-99999999999999999999"), INT_MIN);
}

TEST(TextFieldsTest, PrintedBackIntegerAcceptsOnlyCanonicalDecimals) {
    EXPECT_TRUE(isPrintedBackInteger("25"));
    EXPECT_TRUE(isPrintedBackInteger("0"));
    EXPECT_TRUE(isPrintedBackInteger("-3"));
    EXPECT_TRUE(isPrintedBackInteger("2147483647"));
    EXPECT_TRUE(isPrintedBackInteger("-2147483648"));
    for (const char* text : {"", "025", "+3", "-0", " 5", "5x", "-", "2147483648", "12345678901"}) {
        EXPECT_FALSE(isPrintedBackInteger(text)) << text;
    }
}

TEST(TextFieldsTest, TakeUpToCutsFieldsAndDropsTheSeparator) {
    std::string work = "Permit+eth0++rest";
    EXPECT_EQ(takeUpTo(work, '+'), "Permit");
    EXPECT_EQ(takeUpTo(work, '+'), "eth0");
    EXPECT_EQ(takeUpTo(work, '+'), "");
    EXPECT_EQ(takeUpTo(work, '+'), "rest");
    EXPECT_EQ(work, "");
    EXPECT_EQ(takeUpTo(work, '+'), "");
}

}  // namespace
