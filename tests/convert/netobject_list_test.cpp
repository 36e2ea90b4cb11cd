// Network address objects: the address-text grammar, reuse of objects, fixed objects and unique names.

#include <gtest/gtest.h>

#include "convert/netobjects.h"

namespace {

class NetObjectListTest : public ::testing::Test {
protected:
    std::string convert(const std::string& text, const std::string& desc = {}) {
        return list.convertAddr(text, port, desc);
    }
    const NetObject* find(const std::string& name, int kind) const {
        for (const NetObject& o : list.objects()) {
            if (o.name == name && o.type == kind) return &o;
        }
        return nullptr;
    }

    NetObjectList list;
    std::string port = "stale";
};

TEST_F(NetObjectListTest, HostAddressBecomesAnAddressObjectLabelledWithDashes) {
    EXPECT_EQ(convert("10.1.2.3", "web server"), "net_ipaddr_10-1-2-3");
    EXPECT_EQ(port, "");
    ASSERT_EQ(list.size(), 1u);
    const NetObject& o = list.objects()[0];
    EXPECT_EQ(o.type, kNetIpAddr);
    EXPECT_EQ(o.label, "10-1-2-3");
    EXPECT_EQ(o.value, "10.1.2.3");
    EXPECT_EQ(o.desc, "web server");
}

TEST_F(NetObjectListTest, SameTextTwiceGivesSameNameAndCreatesNothingMore) {
    EXPECT_EQ(convert(" 10.1.0.0:255.255.0.0 "), "net_ipnet_10-1-0-0-ipmask-class-b");
    const std::size_t created = list.size();
    EXPECT_EQ(convert("10.1.0.0:255.255.0.0"), "net_ipnet_10-1-0-0-ipmask-class-b");
    EXPECT_EQ(list.size(), created);
}

TEST_F(NetObjectListTest, NetworkIsBuiltFromAddressAndMaskWithTwoLinks) {
    EXPECT_EQ(convert("10.1.0.0:255.255.0.0", "ignored for networks"), "net_ipnet_10-1-0-0-ipmask-class-b");
    // The address is created, the mask is a fixed object; then the compound and its links.
    ASSERT_EQ(list.size(), 4u);
    const auto& o = list.objects();
    EXPECT_EQ(o[0].name, "net_ipaddr_10-1-0-0");
    EXPECT_EQ(o[0].desc, "");
    EXPECT_EQ(o[1].type, kNetIpNet);
    EXPECT_EQ(o[1].value, "10-1-0-0-ipmask-class-b");
    EXPECT_EQ(o[2].type, kNetNetAddrLink);
    EXPECT_EQ(o[2].name, "net_ipnet_10-1-0-0-ipmask-class-b");
    EXPECT_EQ(o[2].value, "net_ipaddr_10-1-0-0");
    EXPECT_EQ(o[3].type, kNetNetMaskLink);
    EXPECT_EQ(o[3].value, "net_ipmask_class-b");
}

TEST_F(NetObjectListTest, RangeIsBuiltFromTwoAddressesWithStartAndEndLinks) {
    EXPECT_EQ(convert("10.0.0.1-10.0.0.9"), "net_iprange_10-0-0-1-10-0-0-9");
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.objects()[3].type, kNetRangeStartLink);
    EXPECT_EQ(list.objects()[3].value, "net_ipaddr_10-0-0-1");
    EXPECT_EQ(list.objects()[4].type, kNetRangeEndLink);
    EXPECT_EQ(list.objects()[4].value, "net_ipaddr_10-0-0-9");
}

TEST_F(NetObjectListTest, HostMaskGivesThePlainAddressObject) {
    EXPECT_EQ(convert("10.2.2.2:255.255.255.255"), "net_ipaddr_10-2-2-2");
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(NetObjectListTest, AllZeroNetworkIsCreatedFromFixedPartsNotTheFixedAnyNetwork) {
    EXPECT_EQ(convert("0.0.0.0:0.0.0.0"), "net_ipnet_ipaddr-0.0.0.0-ipmask-any");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.objects()[1].value, "net_ipaddr_0.0.0.0");
    EXPECT_EQ(list.objects()[2].value, "net_ipmask_any");
}

TEST_F(NetObjectListTest, FixedObjectsWinLookupsInTableOrder) {
    EXPECT_EQ(list.lookup(kNetPattern, "127.0.0.1").name, "net_pattern_TOVAD");
    EXPECT_EQ(list.lookup(kNetIpAddr, "127.0.0.1").name, "net_ipaddr_localhost");
    EXPECT_EQ(list.lookup(kNetIpMask, "255.255.255.252").name, "net_ipmask_30bit");
    EXPECT_EQ(list.lookup(kNetIpMask, "255.255.255.252").label, "ipmask-30bit");
    EXPECT_EQ(list.lookup(kNetIpMask, "192.0.0.0").name, "net_ipmask_02bit");
    EXPECT_EQ(list.lookup(kNetIpMask, "255.0.0.0").name, "net_ipmask_class-a");
    EXPECT_EQ(list.lookup(kNetIpMask, "255.255.255.0").name, "net_ipmask_class-c");
    EXPECT_EQ(list.lookup(kNetIpMask, "128.0.0.0").name, "");        // no row for 1 bit
    EXPECT_EQ(list.lookup(kNetIpMask, "255.255.255.254").name, "");  // nor for 31 bits
    EXPECT_EQ(convert("*"), "net_pattern_any");
    EXPECT_EQ(list.size(), 0u);
    EXPECT_TRUE(list.exists(kNetIpNet, "net_ipnet_any"));
    EXPECT_FALSE(list.exists(kNetIpAddr, "net_ipnet_any"));
}

TEST_F(NetObjectListTest, MaskOfOneBitIsCreatedLikeAnyOtherValue) {
    EXPECT_EQ(convert("128.0.0.0:128.0.0.0"), "net_ipnet_128-0-0-0-128-0-0-0");
    EXPECT_NE(find("net_ipmask_128-0-0-0", kNetIpMask), nullptr);
}

TEST_F(NetObjectListTest, TextClassesPatternEmailAndDnsComeBeforeSeparators) {
    EXPECT_EQ(convert("10.1.*", "d"), "net_pattern_10-1-any");
    EXPECT_EQ(convert("10.1.1.1;10.1.1.2"), "net_pattern_10-1-1-1-10-1-1-2");
    EXPECT_EQ(convert("root@example.org"), "net_email_root@example-org");
    EXPECT_EQ(convert("mail.example.org"), "net_dns_mail-example-org");
    // Letters win over ':' and '-'.
    EXPECT_EQ(convert("fe80::1-x"), "net_dns_fe80::1-x");
    EXPECT_EQ(convert("10.0.0.1 smtp"), "net_dns_10-0-0-1-smtp");
}

TEST_F(NetObjectListTest, AddressBlankAndNumberGivesAddressAndPort) {
    EXPECT_EQ(convert("10.0.0.1 25", "relay"), "net_ipaddr_10-0-0-1");
    EXPECT_EQ(port, "25");
    EXPECT_EQ(convert("10.0.0.1\t 110"), "net_ipaddr_10-0-0-1");
    EXPECT_EQ(port, "110");
}

TEST_F(NetObjectListTest, NumberThatDoesNotPrintBackMakesThePatternAndNoPort) {
    EXPECT_EQ(convert("10.0.0.1 025"), "net_pattern_10-0-0-1-025");
    EXPECT_EQ(port, "");
    EXPECT_EQ(list.objects().back().value, "10.0.0.1 025");
    EXPECT_EQ(convert("10.0.0.1 99999999999"), "net_pattern_10-0-0-1-99999999999");
}

TEST_F(NetObjectListTest, EmptyOrSeparatorFirstTextGivesNoObject) {
    EXPECT_EQ(convert(""), "");
    EXPECT_EQ(convert("   "), "");
    EXPECT_EQ(convert(":255.0.0.0"), "");
    EXPECT_EQ(convert("-10.0.0.1"), "");
    EXPECT_EQ(list.size(), 0u);
}

TEST_F(NetObjectListTest, SeparatorWithNothingAfterItGivesTheBareAddressText) {
    EXPECT_EQ(convert("10.0.0.1-"), "10.0.0.1");
    EXPECT_EQ(convert("10.0.0.1:  "), "10.0.0.1");
    EXPECT_EQ(list.size(), 0u);
}

TEST_F(NetObjectListTest, ValuesWithTheSameLabelGetDistinctNamesPerKind) {
    EXPECT_EQ(convert("10.1.1.1"), "net_ipaddr_10-1-1-1");
    EXPECT_EQ(list.get(kNetIpAddr, "10_1_1_1", "", ""), "net_ipaddr_10-1-1-1-2");
    EXPECT_EQ(list.get(kNetIpAddr, "10=1=1=1", "", ""), "net_ipaddr_10-1-1-1-3");
    // Each value keeps its own object.
    EXPECT_EQ(list.lookup(kNetIpAddr, "10_1_1_1").label, "10-1-1-1-2");
    EXPECT_EQ(convert("10.1.1.1"), "net_ipaddr_10-1-1-1");
    // The same label in another kind is no clash.
    EXPECT_EQ(list.get(kNetIpMask, "10.1.1.1", "", ""), "net_ipmask_10-1-1-1");
}

TEST_F(NetObjectListTest, CreatedNameNeverTakesAFixedName) {
    // A DNS name cannot clash with a fixed object, but a created mask labelled like one can.
    EXPECT_EQ(list.create(kNetIpMask, "ipmask-any", "").name, "net_ipmask_ipmask-any");
    const NetObjectRef ref = list.create(kNetPattern, "pattern-any", "");
    EXPECT_EQ(ref.name, "net_pattern_pattern-any");
    // The fixed pattern "*" has the label "pattern-any" but the name net_pattern_any: a value "any"
    // would take that name, so it gets a suffix.
    EXPECT_EQ(list.create(kNetPattern, "any", "").name, "net_pattern_any-2");
}

TEST_F(NetObjectListTest, CompoundsWhoseLabelsJoinAlikeStayDistinct) {
    const std::string a = list.get(kNetIpNet, "1.2", "3.4.5.6", "");
    const std::string b = list.get(kNetIpNet, "1.2.3", "4.5.6", "");
    EXPECT_EQ(a, "net_ipnet_1-2-3-4-5-6");
    EXPECT_EQ(b, "net_ipnet_1-2-3-4-5-6-2");
    EXPECT_EQ(list.get(kNetIpNet, "1.2.3", "4.5.6", ""), b);
    EXPECT_EQ(list.get(kNetIpNet, "1.2", "3.4.5.6", ""), a);
}

TEST_F(NetObjectListTest, EmptyValueGetsAWritableName) {
    EXPECT_EQ(list.get(kNetIpNet, "", "", ""), "net_ipnet_empty-empty");
    EXPECT_EQ(list.objects()[0].name, "net_ipaddr_empty");
    EXPECT_EQ(list.objects()[0].value, "");
    EXPECT_EQ(list.objects()[1].name, "net_ipmask_empty");
    EXPECT_EQ(list.get(kNetIpNet, "", "", ""), "net_ipnet_empty-empty");
}

TEST_F(NetObjectListTest, LabelThatWouldBeReadBackAsAnotherNumberIsMarked) {
    EXPECT_EQ(convert("010"), "net_ipaddr_x010");
    EXPECT_EQ(convert("10"), "net_ipaddr_10");
    EXPECT_EQ(convert("0"), "net_ipaddr_0");
    // Leading zeros before a '-' stay as they are on reading, so such labels need no mark.
    EXPECT_EQ(convert("0.1"), "net_ipaddr_0-1");
    EXPECT_EQ(convert("0.0.0.1"), "net_ipaddr_0-0-0-1");
    EXPECT_EQ(list.get(kNetIpAddr, "0_1", "", ""), "net_ipaddr_0-1-2");
}

TEST_F(NetObjectListTest, PartsKeepTheDescriptionOfTheirFirstRequest) {
    list.get(kNetIpAddr, "10.0.0.5", "", "first");
    list.get(kNetIpAddr, "10.0.0.5", "", "second");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.objects()[0].desc, "first");
}

TEST(NetObjectLabelTest, RewritesNameSeparatorsAndStars) {
    EXPECT_EQ(netObjectLabel("a_b c;d.e=f*g"), "a-b-c-d-e-fanyg");
    EXPECT_EQ(netObjectLabel(""), "");
}

}  // namespace
