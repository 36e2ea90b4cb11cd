// The records of the interfaces and of their pairing: how each old interface came to its partner
// (by address, by choice, not at all, shared with another), what becomes of it, and which of the new
// firewall's interfaces the merge keeps.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "support/item_record_lookup.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

namespace {

using testsupport::addSettings;
using testsupport::fieldText;
using testsupport::recordById;
using Lines = std::vector<std::string>;

class InterfaceRecordsTest : public ::testing::Test {
protected:
    // An old physical interface n in list 1, with an alias list of its own when aliasAddr is given.
    void addOld(int n, const std::string& device, const std::string& addr, const std::string& aliasAddr = "",
                bool nat = false) {
        const std::string p = "netobj_list_1_element_" + std::to_string(n) + "_";
        addSettings(oldTree, {"netobj_list_1_name=all_interfaces", p + "name=Old-" + device, p + "interface=" + device,
                              p + "addr=" + addr, p + "netmask=255.255.255.0", p + "location=loc-" + device,
                              p + "nat=" + (nat ? "on" : "off")});
        if (aliasAddr.empty()) return;
        const std::string list = "netobj_list_" + std::to_string(n + 1) + "_";
        addSettings(oldTree, {list + "name=" + device + "$INTERFACE", list + "element_1_name=" + device + "-alias",
                              list + "element_1_interface=" + device + ":1", list + "element_1_addr=" + aliasAddr});
    }
    void addNew(int n, const std::string& device, const std::string& addr) {
        const std::string p = "netobj_list_Outside_element_" + std::to_string(n) + "_";
        addSettings(newTree, {p + "name=New-" + device, p + "interface=" + device, p + "addr=" + addr,
                              p + "netmask=255.255.0.0", p + "location=new-" + device, p + "alias=no", p + "nat=off"});
    }
    void readAndReconcile() {
        ASSERT_TRUE(processor.parse5xInterfaces(oldTree));
        processor.parse60Interfaces(newTree);
        processor.reconcileInterfaces();
    }
    void mergeAndSave() {
        processor.mergeInterfaces(merged);
        processor.saveInterfaces(merged);
    }
    const PairRecord& pairOf(const std::vector<PairRecord>& pairs, const std::string& device) {
        for (const PairRecord& pair : pairs) {
            if (pair.oldDevice == device) return pair;
        }
        ADD_FAILURE() << "no pairing record for " << device;
        return pairs.front();
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    ConfigTree merged{log};
    TemplateProcessor processor{log, warnings, std::make_unique<std::istringstream>(""), "test.tpl", "./"};
};

TEST_F(InterfaceRecordsTest, PairingsByAddressByChoiceAndNone) {
    addOld(1, "eth0", "10.0.0.1");
    addOld(3, "eth1", "10.1.0.1");
    addOld(4, "eth2", "10.2.0.1");
    addNew(1, "em0", "10.0.0.1");
    addNew(2, "em1", "10.9.0.1");
    readAndReconcile();
    std::vector<PairRecord> pairs = processor.pairingRecords();
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairOf(pairs, "eth0").method, PairingMethod::Address);
    EXPECT_EQ(pairOf(pairs, "eth0").newDevice, "em0");
    EXPECT_EQ(pairOf(pairs, "eth1").method, PairingMethod::Unpaired);
    EXPECT_TRUE(pairOf(pairs, "eth1").newDevice.empty());

    // A person pairs eth1 through the view, and re-pairs eth0 with the partner it already had.
    InterfacePairing pairing = processor.interfacePairing();
    ASSERT_TRUE(pairing.pair(1, 1));
    ASSERT_TRUE(pairing.pair(0, 0));
    pairs = processor.pairingRecords();
    const PairRecord& chosen = pairOf(pairs, "eth1");
    EXPECT_EQ(chosen.method, PairingMethod::Choice);
    EXPECT_EQ(chosen.oldName, "Old-eth1");
    EXPECT_EQ(chosen.oldAddr, "10.1.0.1");
    EXPECT_EQ(chosen.newDevice, "em1");
    EXPECT_EQ(chosen.newName, "New-em1");
    EXPECT_EQ(chosen.newAddr, "10.9.0.1");
    EXPECT_EQ(chosen.newNetmask, "255.255.0.0");
    EXPECT_EQ(chosen.newLocation, "new-em1");
    EXPECT_FALSE(chosen.shared);
    EXPECT_EQ(pairOf(pairs, "eth0").method, PairingMethod::Choice);
    EXPECT_EQ(pairOf(pairs, "eth2").method, PairingMethod::Unpaired);
}

TEST_F(InterfaceRecordsTest, DevicePairsOverrideTheAddressAndShareOnePartner) {
    addOld(1, "eth0", "10.0.0.1", "", true);
    addOld(2, "eth1", "10.1.0.1");
    addNew(1, "em0", "10.0.0.1");
    addNew(2, "em1", "10.7.0.1");
    readAndReconcile();
    ASSERT_TRUE(processor.interfacePairing().applyDevicePairs({{"eth1", "em0"}}).empty());
    std::vector<PairRecord> pairs = processor.pairingRecords();
    EXPECT_EQ(pairOf(pairs, "eth0").method, PairingMethod::Address);
    EXPECT_EQ(pairOf(pairs, "eth1").method, PairingMethod::Choice);
    EXPECT_TRUE(pairOf(pairs, "eth0").shared);
    EXPECT_TRUE(pairOf(pairs, "eth1").shared);

    // Before the merge the records already tell what it will do; after it, the same.
    for (int step = 0; step < 2; ++step) {
        if (step == 1) mergeAndSave();
        const std::vector<ItemRecord> records = processor.itemRecords();
        const ItemRecord* first = recordById(records, ItemKind::Interface, "netobj_list_1_element_1");
        const ItemRecord* second = recordById(records, ItemKind::Interface, "netobj_list_1_element_2");
        ASSERT_TRUE(first && second);
        EXPECT_EQ(second->outcome, ItemOutcome::Dropped);
        EXPECT_TRUE(second->newIds.empty());
        EXPECT_EQ(second->reasons, (Lines{"Not written: paired by choice with em0 (New-em0) of the new firewall, "
                                          "which is written for eth0 (Old-eth0), paired with it first"}));
        EXPECT_EQ(fieldText(*second, "interface"), "eth1 -> ");
        // The new interface took the flags of the last old interface paired with it: eth0's NAT is lost.
        EXPECT_EQ(first->outcome, ItemOutcome::Changed);
        EXPECT_EQ(fieldText(*first, "nat"), "on -> off");
        EXPECT_EQ(first->newIds, step == 1 ? Lines{"netobj_list_Outside_element_1"} : Lines{});
    }
    pairs = processor.pairingRecords();
    EXPECT_TRUE(pairOf(pairs, "eth1").shared);
    EXPECT_EQ(pairOf(pairs, "eth1").newDevice, "em0");  // still named after the merge forgot its position
}

TEST_F(InterfaceRecordsTest, OldInterfacesAliasesAndNewInterfacesAfterTheMerge) {
    addOld(1, "eth0", "10.0.0.1", "10.0.0.2");
    addOld(3, "eth1", "10.1.0.1");
    addNew(1, "em0", "10.0.0.1");
    addNew(2, "em5", "10.5.0.1");
    readAndReconcile();
    mergeAndSave();
    const std::vector<ItemRecord> records = processor.itemRecords();
    ASSERT_EQ(records.size(), 5u);  // two old interfaces, an alias, two new interfaces

    const ItemRecord* moved = recordById(records, ItemKind::Interface, "netobj_list_1_element_1");
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->origin, ItemOrigin::Old);
    EXPECT_EQ(moved->label, "Old-eth0");
    EXPECT_EQ(moved->outcome, ItemOutcome::Changed);
    EXPECT_EQ(moved->reasons, (Lines{"Paired by address with em0 (New-em0) of the new firewall: the device changes "
                                     "from eth0 to em0"}));
    EXPECT_EQ(fieldText(*moved, "netmask"), "255.255.255.0 -> 255.255.0.0");
    EXPECT_EQ(moved->newIds, (Lines{"netobj_list_Outside_element_1"}));

    const ItemRecord* alone = recordById(records, ItemKind::Interface, "netobj_list_1_element_3");
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->outcome, ItemOutcome::Converted);
    EXPECT_EQ(alone->reasons, (Lines{"No partner on the new firewall: written with its own settings"}));
    EXPECT_EQ(fieldText(*alone, "interface"), "eth1 -> eth1");
    EXPECT_EQ(alone->newIds, (Lines{"netobj_list_Outside_element_2"}));

    const ItemRecord* alias = recordById(records, ItemKind::InterfaceAlias, "netobj_list_2_element_1");
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(alias->label, "eth0-alias");
    EXPECT_EQ(alias->outcome, ItemOutcome::Changed);
    EXPECT_EQ(fieldText(*alias, "interface"), "eth0 -> em0");
    EXPECT_EQ(alias->reasons, (Lines{"Its interface eth0 was paired with em0: the alias moves to em0"}));
    EXPECT_EQ(alias->newIds, (Lines{"netobj_list_Outside_element_3"}));

    const ItemRecord* kept = recordById(records, ItemKind::Interface, "netobj_list_Outside_element_1");
    const ItemRecord* spare = recordById(records, ItemKind::Interface, "netobj_list_Outside_element_2");
    ASSERT_TRUE(kept && spare);
    EXPECT_EQ(kept->origin, ItemOrigin::New);
    EXPECT_EQ(kept->outcome, ItemOutcome::Converted);
    EXPECT_EQ(kept->newIds, (Lines{"netobj_list_Outside_element_1"}));
    // The merged list is made of the old interfaces: a new one no old interface took is not in it.
    EXPECT_EQ(spare->outcome, ItemOutcome::Dropped);
    EXPECT_TRUE(spare->newIds.empty());
    EXPECT_EQ(spare->reasons.size(), 1u);
    EXPECT_EQ(testsupport::settingText(merged).find("em5"), std::string::npos);
}

}  // namespace
