// The interface converter: reading old and new interfaces, pairing them, rewriting references and
// writing the interface list.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "convert/interface_pairing.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

namespace {

using testsupport::addSettings;
using testsupport::settingText;

class InterfaceConverterTest : public ::testing::Test {
protected:
    std::string takeLog() {
        std::string text = log.str();
        log.str("");
        return text;
    }

    // An old firewall with two physical interfaces; eth0 has an alias written as "eth0:1".
    void addTwoOldInterfaces() {
        addSettings(oldTree, {
                                 "netobj_list_1_name=all_interfaces",
                                 "netobj_list_1_element_1_name=Outside",
                                 "netobj_list_1_element_1_interface=eth0",
                                 "netobj_list_1_element_1_addr=198.51.100.10",
                                 "netobj_list_1_element_1_netmask=255.255.255.0",
                                 "netobj_list_1_element_1_broadcast=198.51.100.255",
                                 "netobj_list_1_element_1_location=outside",
                                 "netobj_list_1_element_1_nat=on",
                                 "netobj_list_1_element_1_interfaceflags=UP",
                                 "netobj_list_1_element_2_name=Inside",
                                 "netobj_list_1_element_2_interface=eth1",
                                 "netobj_list_1_element_2_addr=10.0.0.1",
                                 "netobj_list_1_element_2_location=inside",
                                 "netobj_list_1_element_2_inat=on",
                                 "netobj_list_1_element_2_transparency=yes",
                                 "netobj_list_2_name=eth0$INTERFACE",
                                 "netobj_list_2_element_1_name=Outside-mail",
                                 "netobj_list_2_element_1_interface=eth0:1",
                                 "netobj_list_2_element_1_addr=198.51.100.11",
                                 "netobj_list_3_name=eth1$INTERFACE",
                                 "netobj_list_3_element_1_interface=eth1",
                                 "netobj_list_3_element_1_addr=10.0.1.1",
                             });
    }

    // A new interface element; values are written as the new firewall's list holds them.
    void addNew(int n, const std::string& device, const std::string& addr, const std::string& location,
                bool alias = false) {
        const std::string p = "netobj_list_Outside_element_" + std::to_string(n) + "_";
        addSettings(newTree, {p + "name=New-" + device, p + "interfaceflags=UP BROADCAST", p + "netmask=255.255.255.0",
                              p + "addr=" + addr, p + "interface=" + device, p + "location=" + location,
                              p + "alias=" + (alias ? "yes" : "no"), p + "nat=off"});
    }

    // Runs the interface steps of a conversion: read both sides, pair by address.
    void readAndReconcile() {
        ASSERT_TRUE(processor.parse5xInterfaces(oldTree));
        processor.parse60Interfaces(newTree);
        processor.reconcileInterfaces();
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    TemplateProcessor processor{log, warnings, std::make_unique<std::istringstream>(""), "test.tpl", "./"};
};

// ---- Reading ------------------------------------------------------------------------------------

TEST_F(InterfaceConverterTest, OldInterfacesAreReadPhysicalFirstThenAliasesWithDeviceSuffixCut) {
    addTwoOldInterfaces();
    ASSERT_TRUE(processor.parse5xInterfaces(oldTree));
    ASSERT_EQ(processor.physicalCount(), 2);
    ASSERT_EQ(processor.oldInterfaces().size(), 4u);

    const InterfaceRecord& eth0 = processor.oldInterfaces()[0];
    EXPECT_EQ(eth0.interface, "eth0");
    EXPECT_EQ(eth0.addr, "198.51.100.10");
    EXPECT_TRUE(eth0.nat);
    EXPECT_FALSE(eth0.inat);
    EXPECT_FALSE(eth0.alias);
    EXPECT_EQ(eth0.interfaceflags, "");  // never taken from an old configuration
    EXPECT_EQ(eth0.counterpartIndex, kUnpaired);

    const InterfaceRecord& eth1 = processor.oldInterfaces()[1];
    EXPECT_TRUE(eth1.inat);
    EXPECT_FALSE(eth1.transparency);  // only "on" sets a flag

    EXPECT_EQ(processor.oldInterfaces()[2].interface, "eth0");
    EXPECT_EQ(processor.oldInterfaces()[2].addr, "198.51.100.11");
    EXPECT_TRUE(processor.oldInterfaces()[2].alias);
    EXPECT_EQ(processor.oldInterfaces()[3].interface, "eth1");
    EXPECT_TRUE(processor.oldInterfaces()[3].alias);
}

TEST_F(InterfaceConverterTest, MissingOrEmptyPhysicalListStopsTheConversion) {
    addSettings(oldTree, {"hostname=fw"});
    EXPECT_FALSE(processor.parse5xInterfaces(oldTree));
    EXPECT_EQ(processor.errorText(), "No physical interfaces found on system - cannot continue upgrade");
    EXPECT_EQ(takeLog(), "parseInterfaces: Search returned no data (0): netobj_list_##_name=all_interfaces\n"
                         "parse5xInterfaces: No physical interfaces found on system - cannot continue upgrade\n");

    TemplateProcessor second{log, warnings, std::make_unique<std::istringstream>(""), "t", "./"};
    ConfigTree listWithoutElements{log};
    addSettings(listWithoutElements, {"netobj_list_4_name=all_interfaces", "netobj_list_4_desc=x"});
    EXPECT_FALSE(second.parse5xInterfaces(listWithoutElements));
    EXPECT_EQ(takeLog(),
              "parseInterfaces: Cannot find elements in interface list (0): netobj_list_##_name=all_interfaces\n"
              "parse5xInterfaces: No physical interfaces found on system - cannot continue upgrade\n");
}

TEST_F(InterfaceConverterTest, InterfaceWithoutAliasListIsLoggedAndReadingGoesOn) {
    addSettings(oldTree, {
                             "netobj_list_1_name=all_interfaces",
                             "netobj_list_1_element_1_interface=eth0",
                             "netobj_list_1_element_2_interface=eth1",
                             "netobj_list_2_name=eth1$INTERFACE",
                             "netobj_list_2_element_1_interface=eth1:7",
                         });
    ASSERT_TRUE(processor.parse5xInterfaces(oldTree));
    EXPECT_EQ(processor.oldInterfaces().size(), 3u);
    EXPECT_EQ(takeLog(), "parseInterfaces: Search returned no data (0): netobj_list_##_name=eth0$INTERFACE\n");
}

TEST_F(InterfaceConverterTest, NewInterfacesKeepFlagsAndAliasMarks) {
    addNew(1, "ext0", "203.0.113.1", "outside");
    addNew(2, "ext0", "203.0.113.2", "outside", true);
    processor.parse60Interfaces(newTree);
    ASSERT_EQ(processor.newInterfaces().size(), 2u);
    EXPECT_EQ(processor.newInterfaces()[0].interfaceflags, "UP BROADCAST");
    EXPECT_FALSE(processor.newInterfaces()[0].alias);
    EXPECT_TRUE(processor.newInterfaces()[1].alias);

    ConfigTree empty{log};
    takeLog();
    processor.parse60Interfaces(empty);
    EXPECT_EQ(takeLog(), "parse60Interfaces: Search returned no data (0): netobj_list_Outside_element\n");
}

// ---- Pairing by address -------------------------------------------------------------------------

TEST_F(InterfaceConverterTest, PairingByAddressLinksBothSidesAndCopiesTheFlags) {
    addTwoOldInterfaces();
    addNew(1, "em1", "10.0.0.1", "inside");
    addNew(2, "em0", "198.51.100.10", "outside");
    readAndReconcile();
    EXPECT_FALSE(processor.interfaceMergeHelpRequired());

    const InterfaceRecord& eth0 = processor.oldInterfaces()[0];
    EXPECT_EQ(eth0.counterpartIndex, 1);
    EXPECT_EQ(eth0.counterpartInterface, "em0");
    EXPECT_EQ(eth0.counterpartAddr, "198.51.100.10");
    const InterfaceRecord& em0 = processor.newInterfaces()[1];
    EXPECT_EQ(em0.counterpartIndex, 0);
    EXPECT_EQ(em0.counterpartInterface, "eth0");
    EXPECT_TRUE(em0.nat);
    EXPECT_TRUE(processor.newInterfaces()[0].inat);
}

TEST_F(InterfaceConverterTest, UnmatchedAddressesAreCountedAndAliasesTakeNoPart) {
    addTwoOldInterfaces();
    addNew(1, "em0", "198.51.100.11", "outside");  // the address of an old alias only
    readAndReconcile();
    EXPECT_EQ(processor.unmatchedOld(), 2);
    EXPECT_TRUE(processor.interfaceMergeHelpRequired());
    EXPECT_EQ(unpairedPhysicalInterfaces(processor.oldInterfaces(), processor.physicalCount()),
              (std::vector<int>{0, 1}));
    EXPECT_EQ(processor.interfacePairing().unpaired(), (std::vector<int>{0, 1}));
}

TEST_F(InterfaceConverterTest, PairingViewChangesTheProcessorsOwnRecords) {
    addTwoOldInterfaces();
    addNew(1, "em0", "203.0.113.1", "outside");
    addNew(2, "em1", "203.0.113.2", "inside");
    readAndReconcile();
    InterfacePairing pairing = processor.interfacePairing();
    EXPECT_EQ(&pairing.oldInterfaces(), &processor.oldInterfaces());
    EXPECT_EQ(&pairing.newInterfaces(), &processor.newInterfaces());
    EXPECT_EQ(pairing.physicalCount(), 2);
    EXPECT_EQ(pairing.unpaired(), (std::vector<int>{0, 1}));

    EXPECT_FALSE(pairing.pair(4, 0));  // past the aliases
    EXPECT_FALSE(pairing.pair(0, 2));
    EXPECT_TRUE(pairing.pair(1, 0));
    EXPECT_EQ(pairing.unpaired(), (std::vector<int>{0}));
    EXPECT_EQ(processor.oldInterfaces()[1].counterpartInterface, "em0");
    EXPECT_EQ(processor.newInterfaces()[0].counterpartIndex, 1);
    EXPECT_TRUE(processor.newInterfaces()[0].inat);  // eth1's flags went with it

    // A bad device pair changes nothing, not even the good one given with it.
    EXPECT_EQ(pairing.applyDevicePairs({{"eth0", "em1"}, {"eth5", "em0"}}),
              (std::vector<std::string>{"eth5=em0: the old firewall has no physical interface eth5"}));
    EXPECT_EQ(pairing.unpaired(), (std::vector<int>{0}));
    EXPECT_TRUE(pairing.applyDevicePairs({{"eth0", "em1"}}).empty());
    EXPECT_TRUE(pairing.unpaired().empty());

    ConfigTree merged{log};
    processor.mergeInterfaces(merged);
    processor.saveInterfaces(merged);
    const std::string written = settingText(merged);
    EXPECT_NE(written.find("element_1_interface=em1\n"), std::string::npos) << written;
    EXPECT_NE(written.find("element_2_interface=em0\n"), std::string::npos) << written;
}

// ---- Pairing chosen by a person -----------------------------------------------------------------

TEST(InterfacePairingTest, DevicePairsAreReadAsOldEqualsNew) {
    auto pair = parseDevicePair("eth0=ext0");
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->oldDevice, "eth0");
    EXPECT_EQ(pair->newDevice, "ext0");
    EXPECT_FALSE(parseDevicePair("eth0").has_value());
    EXPECT_FALSE(parseDevicePair("=ext0").has_value());
    EXPECT_FALSE(parseDevicePair("eth0=").has_value());
    EXPECT_EQ(parseDevicePair("a=b=c")->newDevice, "b=c");
}

TEST(InterfacePairingTest, DevicePairsPairWithTheFirstNewRecordOfThatDeviceAndOverrideAddressPairs) {
    InterfaceList oldList(3);
    oldList[0].interface = "eth0";
    oldList[0].nat = true;
    oldList[1].interface = "eth1";
    oldList[2].interface = "eth0";  // an alias, not a physical interface
    oldList[2].alias = true;
    InterfaceList newList(3);
    newList[0].interface = "ext0";
    newList[1].interface = "int0";
    newList[1].addr = "10.9.9.1";
    newList[2].interface = "int0";
    ASSERT_TRUE(pairInterfaces(oldList, 1, newList, 0));  // a pairing by address, to be overridden

    auto problems = applyDevicePairs(oldList, 2, newList, {{"eth1", "int0"}, {"eth0", "ext0"}});
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(oldList[0].counterpartIndex, 0);
    EXPECT_EQ(oldList[1].counterpartIndex, 1);
    EXPECT_EQ(oldList[1].counterpartAddr, "10.9.9.1");
    EXPECT_EQ(newList[1].counterpartInterface, "eth1");
    EXPECT_EQ(oldList[2].counterpartIndex, kUnpaired);
    EXPECT_TRUE(newList[0].nat);
    EXPECT_EQ(newList[2].counterpartIndex, kUnpaired);
}

TEST(InterfacePairingTest, BadDevicePairsAreAllReportedAndNothingIsPaired) {
    InterfaceList oldList(2);
    oldList[0].interface = "eth0";
    oldList[1].interface = "eth0:1";
    InterfaceList newList(1);
    newList[0].interface = "ext0";
    auto problems = applyDevicePairs(oldList, 1, newList,
                                     {{"eth0", "ext0"}, {"eth9", "ext0"}, {"eth0", "nope"}, {"eth0:1", "ext0"}});
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0], "eth9=ext0: the old firewall has no physical interface eth9");
    EXPECT_EQ(problems[1], "eth0=nope: eth0 is already paired with ext0");
    EXPECT_EQ(problems[2], "eth0:1=ext0: the old firewall has no physical interface eth0:1");
    EXPECT_EQ(oldList[0].counterpartIndex, kUnpaired);
    EXPECT_EQ(newList[0].counterpartIndex, kUnpaired);

    EXPECT_FALSE(pairInterfaces(oldList, 0, newList, 1));
    EXPECT_FALSE(pairInterfaces(oldList, -1, newList, 0));
    EXPECT_EQ(interfaceLabel(newList[0]), "ext0 -  - ");
}

TEST(InterfacePairingTest, TwoOldInterfacesOnOneNewLeaveTheLaterOnesFlags) {
    InterfaceList oldList(2);
    oldList[0].interface = "eth0";
    oldList[0].nat = true;
    oldList[1].interface = "eth1";
    oldList[1].inat = true;
    InterfaceList newList(1);
    newList[0].interface = "ext0";
    EXPECT_TRUE(applyDevicePairs(oldList, 2, newList, {{"eth1", "ext0"}, {"eth0", "ext0"}}).empty());
    EXPECT_EQ(newList[0].counterpartIndex, 1);
    EXPECT_FALSE(newList[0].nat);
    EXPECT_TRUE(newList[0].inat);
}

// ---- Merging and writing ------------------------------------------------------------------------

TEST_F(InterfaceConverterTest, SamePairingWritesTheNewRecordsAndAliasesWithoutRewriting) {
    addTwoOldInterfaces();
    addNew(1, "eth0", "198.51.100.10", "outside");
    addNew(2, "eth1", "10.0.0.1", "inside");
    addNew(3, "eth2", "192.168.9.1", "spare");  // paired with nothing: not written
    readAndReconcile();
    ConfigTree merged{log};
    processor.mergeInterfaces(merged);
    processor.saveInterfaces(merged);
    EXPECT_EQ(settingText(merged), "netobj_list_Outside_element_1_name=New-eth0\n"
                                   "netobj_list_Outside_element_1_interfaceflags=\n"
                                   "netobj_list_Outside_element_1_broadcast=\n"
                                   "netobj_list_Outside_element_1_netmask=255.255.255.0\n"
                                   "netobj_list_Outside_element_1_addr=198.51.100.10\n"
                                   "netobj_list_Outside_element_1_interface=eth0\n"
                                   "netobj_list_Outside_element_1_alias=no\n"
                                   "netobj_list_Outside_element_1_nat=on\n"
                                   "netobj_list_Outside_element_1_inat=off\n"
                                   "netobj_list_Outside_element_1_transparency=off\n"
                                   "netobj_list_Outside_element_1_location=outside\n"
                                   "netobj_list_Outside_element_2_name=New-eth1\n"
                                   "netobj_list_Outside_element_2_interfaceflags=\n"
                                   "netobj_list_Outside_element_2_broadcast=\n"
                                   "netobj_list_Outside_element_2_netmask=255.255.255.0\n"
                                   "netobj_list_Outside_element_2_addr=10.0.0.1\n"
                                   "netobj_list_Outside_element_2_interface=eth1\n"
                                   "netobj_list_Outside_element_2_alias=no\n"
                                   "netobj_list_Outside_element_2_nat=off\n"
                                   "netobj_list_Outside_element_2_inat=on\n"
                                   "netobj_list_Outside_element_2_transparency=off\n"
                                   "netobj_list_Outside_element_2_location=inside\n"
                                   "netobj_list_Outside_element_3_name=Outside-mail\n"
                                   "netobj_list_Outside_element_3_interfaceflags=\n"
                                   "netobj_list_Outside_element_3_broadcast=\n"
                                   "netobj_list_Outside_element_3_netmask=\n"
                                   "netobj_list_Outside_element_3_addr=198.51.100.11\n"
                                   "netobj_list_Outside_element_3_interface=eth0\n"
                                   "netobj_list_Outside_element_3_alias=yes\n"
                                   "netobj_list_Outside_element_4_name=\n"
                                   "netobj_list_Outside_element_4_interfaceflags=\n"
                                   "netobj_list_Outside_element_4_broadcast=\n"
                                   "netobj_list_Outside_element_4_netmask=\n"
                                   "netobj_list_Outside_element_4_addr=10.0.1.1\n"
                                   "netobj_list_Outside_element_4_interface=eth1\n"
                                   "netobj_list_Outside_element_4_alias=yes\n");
    EXPECT_EQ(takeLog().find("changeInterfaces"), std::string::npos);
}

TEST_F(InterfaceConverterTest, OnlyTheFirstOfSeveralOldInterfacesOnOneNewDeviceIsWritten) {
    addTwoOldInterfaces();
    addNew(1, "em0", "203.0.113.1", "outside");
    readAndReconcile();
    ASSERT_TRUE(processor.interfacePairing().applyDevicePairs({{"eth0", "em0"}, {"eth1", "em0"}}).empty());
    ConfigTree merged{log};
    processor.mergeInterfaces(merged);
    EXPECT_EQ(processor.oldInterfaces()[0].counterpartIndex, 0);
    EXPECT_EQ(processor.oldInterfaces()[1].counterpartIndex, kNotWritten);
    processor.saveInterfaces(merged);
    const std::string written = settingText(merged);
    // em0 once (for eth0), then both aliases, moved to em0; eth1 itself is not written.
    EXPECT_NE(written.find("element_1_interface=em0\n"), std::string::npos);
    EXPECT_NE(written.find("element_2_addr=198.51.100.11\n"), std::string::npos);
    EXPECT_NE(written.find("element_2_interface=em0\n"), std::string::npos);
    EXPECT_NE(written.find("element_3_addr=10.0.1.1\n"), std::string::npos);
    EXPECT_NE(written.find("element_3_interface=em0\n"), std::string::npos);
    EXPECT_EQ(written.find("element_4_"), std::string::npos) << written;
}

TEST_F(InterfaceConverterTest, UnpairedOldInterfacesAreEachWrittenWithTheirOwnValues) {
    addTwoOldInterfaces();
    readAndReconcile();  // the new firewall lists no interface at all
    ASSERT_EQ(processor.unmatchedOld(), 2);
    ConfigTree merged{log};
    takeLog();
    processor.mergeInterfaces(merged);
    EXPECT_EQ(takeLog(), "");  // nothing was passed on for rewriting
    processor.saveInterfaces(merged);
    const std::string written = settingText(merged);
    EXPECT_NE(written.find("element_1_interface=eth0\n"), std::string::npos);
    EXPECT_NE(written.find("element_1_nat=on\n"), std::string::npos);
    EXPECT_NE(written.find("element_2_interface=eth1\n"), std::string::npos);
    EXPECT_NE(written.find("element_2_location=inside\n"), std::string::npos);
    EXPECT_NE(written.find("element_4_alias=yes\n"), std::string::npos);
}

TEST_F(InterfaceConverterTest, SwappedDevicesAndAddressesAreRewrittenOnceEach) {
    addTwoOldInterfaces();
    addNew(1, "eth1", "198.51.100.10", "outside");  // eth0's address now on eth1
    addNew(2, "eth0", "10.0.0.1", "inside");        // and eth1's on eth0
    readAndReconcile();
    ConfigTree merged{log};
    addSettings(merged, {
                            "def_proxy_sql-gw_host_1_interface=198.51.100.10",
                            "def_proxy_sql-gw_host_2_interface=10.0.0.1",
                            "def_proxy_sql-gw_host_3_interface=10.0.0.99",
                        });
    // The device names the other converters hold, read as a conversion reads them: packet filter
    // services of the old tree (local eth0 and eth7, forward eth1), one of the new tree (eth0), and
    // NAT rules bound to eth1 and eth0.
    addSettings(oldTree, {
                             "pfedit_lcl_rule1=Permit+eth0+tcp",
                             "pfedit_lcl_rule2=Permit+eth7+tcp",  // no such interface: left alone
                             "pfedit_fwd_rule1=Permit+eth1+tcp",
                         });
    for (const char* n : {"1", "2"}) {
        const std::string p = std::string("rule_natrule_") + n + "_";
        addSettings(oldTree,
                    {p + "global_range_type=host", p + "global_range_start_addr=192.0.2.1", p + "local_range_type=host",
                     p + "local_range_start_addr=10.0.0.5", p + "rule_type=static"});
    }
    addSettings(oldTree, {"rule_natrule_1_network_name=eth1", "rule_natrule_2_network_name=eth0"});
    addSettings(newTree, {"fpf-serv_init_interface=eth0"});  // the new firewall's own: untouched
    processor.parseOldTreePfRules(oldTree);
    processor.parseNatRules(oldTree);
    processor.parseNewTreePfRules(newTree);
    const PfRuleLists& pf = processor.pfLists();
    ASSERT_EQ(pf.oldLocal.services.size(), 2u);
    ASSERT_EQ(pf.oldForward.services.size(), 1u);
    ASSERT_EQ(pf.newForward.services.size(), 1u);
    ASSERT_EQ(processor.natRules().size(), 2u);
    processor.mergeInterfaces(merged);
    EXPECT_EQ(processor.oldInterfaces()[2].interface, "eth1");  // eth0's alias follows eth0 to eth1
    EXPECT_EQ(processor.oldInterfaces()[3].interface, "eth0");
    EXPECT_EQ(pf.oldLocal.services[0].interface, "eth1");
    EXPECT_EQ(pf.oldLocal.services[1].interface, "eth7");
    EXPECT_EQ(pf.oldForward.services[0].interface, "eth0");
    EXPECT_EQ(pf.newForward.services[0].interface, "eth0");
    EXPECT_EQ(processor.natRules()[0].network, "eth0");
    EXPECT_EQ(processor.natRules()[1].network, "eth1");
    // Addresses are equal on both sides here, so the database proxy's hosts stay where they are.
    EXPECT_EQ(settingText(merged), "def_proxy_sql-gw_host_1_interface=198.51.100.10\n"
                                   "def_proxy_sql-gw_host_2_interface=10.0.0.1\n"
                                   "def_proxy_sql-gw_host_3_interface=10.0.0.99\n");
}

TEST_F(InterfaceConverterTest, DatabaseProxyHostsFollowTheirInterfaceToItsNewAddress) {
    addTwoOldInterfaces();
    addNew(1, "ext0", "203.0.113.10", "outside");
    addNew(2, "int0", "198.51.100.10", "inside");  // eth0's old address, now on the inside device
    readAndReconcile();
    ASSERT_TRUE(processor.interfacePairing().applyDevicePairs({{"eth0", "ext0"}, {"eth1", "int0"}}).empty());
    ConfigTree merged{log};
    addSettings(merged, {
                            "def_proxy_sql-gw_host_1_interface=198.51.100.10",
                            "def_proxy_sql-gw_host_2_interface=10.0.0.1",
                            "def_proxy_sql-gw_host_3_interface=10.0.0.99",
                        });
    processor.mergeInterfaces(merged);
    // 198.51.100.10 moves once, to eth0's new address, and is not carried on by eth1's change.
    EXPECT_EQ(settingText(merged), "def_proxy_sql-gw_host_1_interface=203.0.113.10\n"
                                   "def_proxy_sql-gw_host_2_interface=198.51.100.10\n"
                                   "def_proxy_sql-gw_host_3_interface=10.0.0.99\n");
}

TEST_F(InterfaceConverterTest, MissingDatabaseProxyIsLoggedOncePerChangedInterface) {
    addTwoOldInterfaces();
    addNew(1, "ext0", "203.0.113.10", "outside");
    addNew(2, "int0", "10.0.0.1", "inside");
    readAndReconcile();
    ASSERT_TRUE(processor.interfacePairing().applyDevicePairs({{"eth0", "ext0"}}).empty());
    ConfigTree merged{log};
    takeLog();
    processor.mergeInterfaces(merged);
    EXPECT_EQ(takeLog(), "changeInterfaces: Search returned no data (0): def_proxy_sql-gw_host_##_interface=**\n"
                         "changeInterfaces: Search returned no data (0): def_proxy_sql-gw_host_##_interface=**\n");
}

}  // namespace
