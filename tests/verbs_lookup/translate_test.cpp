// address_convert and translate_cybermasks: values translated into network address objects and
// into one on/off setting per content category; their fault lines.
#include "convert/netobjects.h"
#include "support/verb_fixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class AddressConvertTest : public VerbFixture {
protected:
    const NetObject* object(const std::string& name) const {
        for (const NetObject& o : processor->netObjects().objects()) {
            if (o.name == name) return &o;
        }
        return nullptr;
    }
};

TEST_F(AddressConvertTest, DestinationNamesTheObjectAndThePortGoesBesideIt) {
    addSettings({"def_proxy_smtp_host=10.1.2.3 25", "def_proxy_smtp_comment=mail relay"});
    EXPECT_EQ(dispatch("address_convert def_proxy_**_host=** def_proxy_**_hostobj=** comment"), 1);
    EXPECT_THAT(settings(), ElementsAre("def_proxy_smtp_host=10.1.2.3 25", "def_proxy_smtp_comment=mail relay",
                                        "def_proxy_smtp_hostobj=net_ipaddr_10-1-2-3", "def_proxy_smtp_PORT=25"));
    const NetObject* created = object("net_ipaddr_10-1-2-3");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->desc, "mail relay");
    EXPECT_THAT(faultLines(), IsEmpty());
}

TEST_F(AddressConvertTest, WithoutDestinationTheObjectsAreOnlyRegistered) {
    addSettings({"h_1_addr=10.0.0.1", "h_1_d=first", "h_2_addr=10.0.0.0:255.255.255.0"});
    EXPECT_EQ(dispatch("address_convert h_##_addr=**"), 1);
    EXPECT_THAT(settings(), ElementsAre("h_1_addr=10.0.0.1", "h_1_d=first", "h_2_addr=10.0.0.0:255.255.255.0"));
    ASSERT_NE(object("net_ipaddr_10-0-0-1"), nullptr);
    EXPECT_EQ(object("net_ipaddr_10-0-0-1")->desc, "");
    EXPECT_NE(object("net_ipnet_10-0-0-0-ipmask-class-c"), nullptr);
}

TEST_F(AddressConvertTest, DescriptionComesFromTheFirstSiblingLeafOfThatName) {
    addSettings({"h_1_addr=10.0.0.1", "h_1_d_x=branch", "h_1_d=desc"});
    EXPECT_EQ(dispatch("address_convert h_##_addr=** h_##_obj=** d"), 1);
    EXPECT_THAT(settings(),
                ElementsAre("h_1_addr=10.0.0.1", "h_1_d_x=branch", "h_1_d=desc", "h_1_obj=net_ipaddr_10-0-0-1"));
    ASSERT_NE(object("net_ipaddr_10-0-0-1"), nullptr);
    EXPECT_EQ(object("net_ipaddr_10-0-0-1")->desc, "desc");
}

TEST_F(AddressConvertTest, EmptyObjectNameWritesNothing) {
    addSettings({"h_1_addr=-5", "h_2_addr=10.0.0.9-"});
    EXPECT_EQ(dispatch("address_convert h_##_addr=** h_##_obj=**"), 1);
    // A text that begins with a separator gives no object; one that ends in a separator gives the
    // bare address text.
    EXPECT_THAT(settings(), ElementsAre("h_1_addr=-5", "h_2_addr=10.0.0.9-", "h_2_obj=10.0.0.9"));
}

TEST_F(AddressConvertTest, DestinationWithoutAPathPutsThePortAtTheTop) {
    addSettings({"h_a=10.0.0.1 80"});
    EXPECT_EQ(dispatch("address_convert h_a=** obj=x"), 1);
    EXPECT_THAT(settings(), ElementsAre("h_a=10.0.0.1 80", "obj=net_ipaddr_10-0-0-1", "PORT=80"));
}

TEST_F(AddressConvertTest, DestinationOverwritingLaterMatchesIsSafe) {
    addSettings({"a_1=10.0.0.1", "a_2=10.0.0.2"});
    EXPECT_EQ(dispatch("address_convert a_**=** a_2=**"), 1);
    // The first match writes its object over the second match's value; the second then converts
    // that name, which holds letters, into a DNS object.
    EXPECT_THAT(settings(), ElementsAre("a_1=10.0.0.1", "a_2=net_dns_net-ipaddr-10-0-0-1"));
}

TEST_F(AddressConvertTest, FaultLines) {
    addSettings({"a_b=10.0.0.1", "a_c=10.0.0.2"});
    EXPECT_EQ(dispatch("address_convert", 1), 0);
    EXPECT_EQ(dispatch("address_convert #a=**", 2), 0);
    EXPECT_EQ(dispatch("address_convert a_q=**", 3), 1);
    EXPECT_EQ(dispatch("address_convert a_**=** #dest=1", 4), 0);
    EXPECT_THAT(faultLines(), ElementsAre("address_convert: Could not find objects (1): ",
                                          "address_convert: Unable to parse search template(2): #a=**",
                                          "address_convert: Could not find address (3): a_q=**",
                                          "address_convert: Unable to parse dest item (4): #dest=1"));
    // The failing destination stops the walk after the first match registered its object.
    EXPECT_NE(object("net_ipaddr_10-0-0-1"), nullptr);
    EXPECT_EQ(object("net_ipaddr_10-0-0-2"), nullptr);
}

class TranslateCybermasksTest : public VerbFixture {
protected:
    static Lines expected(const std::string& prefix, const std::string& branch, unsigned mask) {
        static const char* const names[] = {"CYBERVIOLENCE",      "CYBERPARTNUDITY",      "CYBERFULLNUDITY",
                                            "CYBERSEXUALTEXT",    "CYBERGROSSDEPICT",     "CYBERINTOLERANCE",
                                            "CYBERSATANICCULT",   "CYBERDRUGCULTURE",     "CYBERMILLITANTEXTREMIST",
                                            "CYBERSEXEDUCATION",  "CYBERGAMBLINGILLEGAL", "CYBERALCOHOLTOBACCO",
                                            "CYBERSPORTSLEISURE", "CYBERSEARCHENGINES"};
        static const unsigned bits[] = {0x1,  0x2,   0x4,   0x8,   0x10,  0x20,   0x40,
                                        0x80, 0x100, 0x200, 0x400, 0x800, 0x1000, 0x8000};
        Lines lines;
        for (int i = 0; i < 14; ++i)
            lines.push_back(prefix + branch + "_" + names[i] + "=" + ((mask & bits[i]) ? "on" : "off"));
        return lines;
    }
    static Lines concat(Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

TEST_F(TranslateCybermasksTest, FirstFourDigitsAreWorkTimeAndLastFourLeisure) {
    addSettings({"filter_mask=0a018001"});
    EXPECT_EQ(dispatch("translate_cybermasks filter_mask=**"), 1);
    EXPECT_EQ(settings(), concat(concat({"filter_mask=0a018001"}, expected("filter_", "worktime", 0x0a01)),
                                 expected("filter_", "leisure", 0x8001)));
}

TEST_F(TranslateCybermasksTest, DecimalMaskThatLostItsLeadingZerosOnLoadIsReadAsEightDigits) {
    // Loading canonicalises '00018001' to '18001'; the work-time digits are still '0001'.
    addSettings({"filter_mask=00018001"});
    ASSERT_EQ(tree->findBranch("filter")->findLeaf("mask")->value(), "18001");
    EXPECT_EQ(dispatch("translate_cybermasks filter_mask=**"), 1);
    EXPECT_EQ(settings(), concat(concat({"filter_mask=18001"}, expected("filter_", "worktime", 0x0001)),
                                 expected("filter_", "leisure", 0x8001)));
}

TEST_F(TranslateCybermasksTest, ShortValueWithHexLettersGivesBothMasksTheSameNumber) {
    addSettings({"f_m=3f"});
    EXPECT_EQ(dispatch("translate_cybermasks f_m=**"), 1);
    EXPECT_EQ(settings(),
              concat(concat({"f_m=3f"}, expected("f_", "worktime", 0x3f)), expected("f_", "leisure", 0x3f)));
}

TEST_F(TranslateCybermasksTest, ShortDecimalValueIsTheLeisureMaskOfAnEightDigitMask) {
    addSettings({"f_m=12"});
    EXPECT_EQ(dispatch("translate_cybermasks f_m=**"), 1);
    EXPECT_EQ(settings(), concat(concat({"f_m=12"}, expected("f_", "worktime", 0)), expected("f_", "leisure", 0x12)));
}

TEST_F(TranslateCybermasksTest, NonHexDigitsEndTheNumber) {
    addSettings({"f_m=zzzz0001", "g_m=1z2zffff"});
    EXPECT_EQ(dispatch("translate_cybermasks **_m=**"), 1);
    Lines want = concat(concat({"f_m=zzzz0001"}, expected("f_", "worktime", 0)), expected("f_", "leisure", 1));
    want = concat(concat(concat(want, {"g_m=1z2zffff"}), expected("g_", "worktime", 1)),
                  expected("g_", "leisure", 0xffff));
    EXPECT_EQ(settings(), want);
}

TEST_F(TranslateCybermasksTest, ExistingCategorySettingsAreOverwritten) {
    addSettings({"f_worktime_CYBERVIOLENCE=off", "f_worktime_extra=1", "f_m=0001abcd"});
    EXPECT_EQ(dispatch("translate_cybermasks f_m=**"), 1);
    const Lines lines = settings();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "f_worktime_CYBERVIOLENCE=on");
    EXPECT_EQ(lines[1], "f_worktime_extra=1");
    EXPECT_EQ(lines.size(), 1u + 1u + 14u + 14u);
}

TEST_F(TranslateCybermasksTest, TopLevelMaskGetsItsBranchesBelowTheRoot) {
    addSettings({"mask=00000000"});
    EXPECT_EQ(dispatch("translate_cybermasks mask=**"), 1);
    EXPECT_EQ(settings(), concat(concat({"mask=0"}, expected("", "worktime", 0)), expected("", "leisure", 0)));
}

TEST_F(TranslateCybermasksTest, FaultLines) {
    EXPECT_EQ(dispatch("translate_cybermasks", 1), 0);
    EXPECT_EQ(dispatch("translate_cybermasks #m=**", 2), 0);
    EXPECT_EQ(dispatch("translate_cybermasks m=** rest ignored", 3), 1);
    EXPECT_THAT(faultLines(), ElementsAre("translate_cybermasks: Could not find source template (1): ",
                                          "translate_cybermasks: Unable to parse source template (2): #m=**",
                                          "translate_cybermasks: Search returned no data (3): m=**"));
}

}  // namespace
