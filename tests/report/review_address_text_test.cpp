// Address texts read as IPv4 ranges: every form the old rules use, the broken ones the review
// reports, and hostile input cut and flipped at every byte.
#include <gtest/gtest.h>

#include <string>

#include "report/address_text.h"

namespace {

std::uint32_t quad(const char* text) {
    std::uint32_t value = 0;
    EXPECT_TRUE(readDottedQuad(text, value)) << text;
    return value;
}

struct Case {
    const char* text;
    AddressForm form;
    const char* first;  // null: no range
    const char* last;
    const char* problem = "";
};

void expectCase(const Case& c) {
    SCOPED_TRACE(std::string("text: '") + c.text + "'");
    const AddressText read = readAddressText(c.text);
    EXPECT_EQ(read.form, c.form);
    ASSERT_EQ(read.hasRange, c.first != nullptr);
    if (c.first != nullptr) {
        EXPECT_EQ(read.range.first, quad(c.first));
        EXPECT_EQ(read.range.last, quad(c.last));
    }
    EXPECT_EQ(read.problem, c.problem);
}

// What must hold for every input, whatever it is.
void expectConsistent(const AddressText& read) {
    if (read.hasRange) {
        EXPECT_LE(read.range.first, read.range.last);
    }
    EXPECT_EQ(read.form == AddressForm::Invalid, !read.problem.empty());
    if (read.form == AddressForm::Invalid || read.form == AddressForm::Empty || read.form == AddressForm::Other) {
        EXPECT_FALSE(read.hasRange);
    }
    if (read.form == AddressForm::Host || read.form == AddressForm::Network || read.form == AddressForm::Range) {
        EXPECT_TRUE(read.hasRange);
    }
}

}  // namespace

TEST(AddressText, HostsNetworksAndRangesCoverTheirAddresses) {
    const Case cases[] = {
        {"10.1.2.3", AddressForm::Host, "10.1.2.3", "10.1.2.3"},
        {"  10.1.2.3\t", AddressForm::Host, "10.1.2.3", "10.1.2.3"},
        {"10.1.2.3 25", AddressForm::Host, "10.1.2.3", "10.1.2.3"},
        {"010.001.002.003", AddressForm::Host, "10.1.2.3", "10.1.2.3"},
        {"10.1.2.3:", AddressForm::Host, "10.1.2.3", "10.1.2.3"},
        {"10.10.0.0:255.255.0.0", AddressForm::Network, "10.10.0.0", "10.10.255.255"},
        {"10.10.7.9+255.255.0.0", AddressForm::Network, "10.10.0.0", "10.10.255.255"},
        {"10.10.8.0: 255.255.255.192", AddressForm::Network, "10.10.8.0", "10.10.8.63"},
        {"10.1.1.1:255.255.255.255", AddressForm::Network, "10.1.1.1", "10.1.1.1"},
        {"203.0.113.64-203.0.113.127", AddressForm::Range, "203.0.113.64", "203.0.113.127"},
        {"10.0.0.5-10.0.0.5", AddressForm::Range, "10.0.0.5", "10.0.0.5"},
    };
    for (const Case& c : cases) expectCase(c);
}

TEST(AddressText, EveryFormOfAnyIsAny) {
    const Case cases[] = {
        {"*", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
        {"*.*.*.*", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
        {"0.0.0.0:0.0.0.0", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
        {"0.0.0.0+0.0.0.0", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
        {"10.1.1.1:0.0.0.0", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
        {"0.0.0.0-255.255.255.255", AddressForm::Any, "0.0.0.0", "255.255.255.255"},
    };
    for (const Case& c : cases) expectCase(c);
    // A host 0.0.0.0 is one address, not every address.
    expectCase({"0.0.0.0", AddressForm::Host, "0.0.0.0", "0.0.0.0"});
}

TEST(AddressText, PatternsHaveARangeOnlyWhenTheyOpenTrailingParts) {
    const Case cases[] = {
        {"10.10.*", AddressForm::Pattern, "10.10.0.0", "10.10.255.255"},
        {"10.10.*.*", AddressForm::Pattern, "10.10.0.0", "10.10.255.255"},
        {"192.0.2.*", AddressForm::Pattern, "192.0.2.0", "192.0.2.255"},
        {"10.*", AddressForm::Pattern, "10.0.0.0", "10.255.255.255"},
        {"10.*.0.1", AddressForm::Pattern, nullptr, nullptr},
        {"10.1*", AddressForm::Pattern, nullptr, nullptr},
        {"10.256.*", AddressForm::Pattern, nullptr, nullptr},
        {"1.2.3.4.*", AddressForm::Pattern, nullptr, nullptr},
        {"*.example.com", AddressForm::Pattern, nullptr, nullptr},
        {"10.1.1.1;10.1.1.2", AddressForm::Pattern, nullptr, nullptr},
    };
    for (const Case& c : cases) expectCase(c);
}

TEST(AddressText, NamesAndUnknownFormsHaveNoRange) {
    const Case cases[] = {
        {"", AddressForm::Empty, nullptr, nullptr},
        {" \t ", AddressForm::Empty, nullptr, nullptr},
        {"mail.example.org", AddressForm::Other, nullptr, nullptr},
        {"root@example.org", AddressForm::Other, nullptr, nullptr},
        {"net_ipaddr_10-10-0-30", AddressForm::Other, nullptr, nullptr},
        {"12345", AddressForm::Other, nullptr, nullptr},
        {"-10.0.0.1", AddressForm::Other, nullptr, nullptr},
        {"10.0.0.1 smtp", AddressForm::Other, nullptr, nullptr},
        {"10.0.0.0:24", AddressForm::Other, nullptr, nullptr},
        {"10.0.0.0/8", AddressForm::Other, nullptr, nullptr},
    };
    for (const Case& c : cases) expectCase(c);
}

TEST(AddressText, BrokenDottedQuadsSayWhatIsWrong) {
    const Case cases[] = {
        {"10.1.1.256", AddressForm::Invalid, nullptr, nullptr, "10.1.1.256 has a part above 255"},
        {"10.1.1.99999999999999999999", AddressForm::Invalid, nullptr, nullptr,
         "10.1.1.99999999999999999999 has a part above 255"},
        {"10.1.1", AddressForm::Invalid, nullptr, nullptr, "10.1.1 does not have four parts"},
        {"10..1.1", AddressForm::Invalid, nullptr, nullptr, "10..1.1 does not have four parts"},
        {"1.2.3.4.5", AddressForm::Invalid, nullptr, nullptr, "1.2.3.4.5 does not have four parts"},
        {"10.1.1.1.", AddressForm::Invalid, nullptr, nullptr, "10.1.1.1. does not have four parts"},
        {"10.0.0.0:255.0.255.0", AddressForm::Invalid, nullptr, nullptr, "255.0.255.0 is not a contiguous mask"},
        {"10.0.0.0:255.255.0", AddressForm::Invalid, nullptr, nullptr, "255.255.0 does not have four parts"},
        {"10.0.0.300:255.255.0.0", AddressForm::Invalid, nullptr, nullptr, "10.0.0.300 has a part above 255"},
        {"10.0.0.9-10.0.0.1", AddressForm::Invalid, nullptr, nullptr, "the range 10.0.0.9-10.0.0.1 runs backwards"},
        {"10.0.0.1-10.0.1", AddressForm::Invalid, nullptr, nullptr, "10.0.1 does not have four parts"},
        {"10.0.0.1 - 10.0.0.5", AddressForm::Other, nullptr, nullptr},
    };
    for (const Case& c : cases) expectCase(c);
}

TEST(AddressText, MasksAndRangesAreWrittenBack) {
    EXPECT_TRUE(isContiguousMask(quad("0.0.0.0")));
    EXPECT_TRUE(isContiguousMask(quad("255.255.255.255")));
    EXPECT_TRUE(isContiguousMask(quad("255.255.255.192")));
    EXPECT_FALSE(isContiguousMask(quad("255.0.255.0")));
    EXPECT_FALSE(isContiguousMask(quad("0.255.255.255")));
    EXPECT_EQ(maskLength(quad("255.255.255.192")), 26);
    EXPECT_EQ(rangeText({quad("10.10.0.0"), quad("10.10.255.255")}), "10.10.0.0/16");
    EXPECT_EQ(rangeText({quad("10.1.2.3"), quad("10.1.2.3")}), "10.1.2.3/32");
    EXPECT_EQ(rangeText({0, 0xFFFFFFFFu}), "0.0.0.0/0");
    EXPECT_EQ(rangeText({quad("10.0.0.1"), quad("10.0.0.9")}), "10.0.0.1-10.0.0.9");
    EXPECT_EQ(rangeText({quad("10.0.0.8"), quad("10.0.0.23")}), "10.0.0.8-10.0.0.23");
}

TEST(AddressText, AnyInputCutOrFlippedReadsConsistently) {
    const std::string samples[] = {"10.10.8.0:255.255.255.192", "203.0.113.64-203.0.113.127", "10.10.*.*",
                                   "0.0.0.0+0.0.0.0", "10.1.2.3 25"};
    for (const std::string& sample : samples) {
        for (std::size_t cut = 0; cut <= sample.size(); ++cut) {
            expectConsistent(readAddressText(std::string_view(sample).substr(0, cut)));
        }
        for (std::size_t at = 0; at < sample.size(); ++at) {
            for (int bit = 0; bit < 8; ++bit) {
                std::string flipped = sample;
                flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
                ASSERT_NE(flipped, sample);
                expectConsistent(readAddressText(flipped));
            }
        }
    }
    // Bytes no text should hold.
    expectConsistent(readAddressText(std::string("10.1\0.2.3", 9)));
    expectConsistent(readAddressText(std::string(100000, '9') + "." + std::string(100000, '.')));
}
