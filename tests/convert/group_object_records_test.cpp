// The records of the groups and of the network address objects: groups read, built and made, objects
// made, and the names they have once written.

#include "convert/groups.h"
#include "convert/netobjects.h"
#include "converter_fixture.h"
#include "support/item_record_lookup.h"

namespace {

using testsupport::fieldText;
using testsupport::recordById;
using testsupport::recordByLabel;
using testsupport::recordsOfKind;

class GroupRecordsTest : public ConverterTest {
protected:
    std::vector<ItemRecord> records() const {
        std::vector<ItemRecord> out;
        groups.appendRecords(out);
        return out;
    }

    GroupConverter groups;
};

TEST_F(GroupRecordsTest, ServiceGroupsReadMadeAndLeftUnwritten) {
    addSettings(oldTree, {"service_group_Web_desc=Web users", "service_group_Web_authenticate=yes",
                          "service_group_Web_authserver=radius", "service_group_Mail_elem_1_obj=relay",
                          "service_group_Empty_authenticate=yes", "def_proxy_http_config-sets_a_timeout=30"});
    groups.parseServiceGroups(context, oldTree);
    EXPECT_TRUE(records()[0].newIds.empty());  // nothing written yet
    groups.saveServiceGroups(context, newTree);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 4u);

    const ItemRecord* web = recordById(all, ItemKind::ServiceGroup, "service_group_Web");
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->origin, ItemOrigin::Old);
    EXPECT_EQ(web->outcome, ItemOutcome::Changed);
    EXPECT_EQ(web->newIds, (Lines{"service_group_Web"}));
    EXPECT_EQ(web->reasons, (Lines{"Its authentication settings (authenticate yes, authserver radius) are not written "
                                   "with the group; its proxy rules take the authentication object auth_obj_normal "
                                   "instead"}));
    EXPECT_EQ(recordById(all, ItemKind::ServiceGroup, "service_group_Mail")->outcome, ItemOutcome::Converted);

    // Only a group's description and members are written: a group with neither disappears.
    const ItemRecord* empty = recordById(all, ItemKind::ServiceGroup, "service_group_Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->outcome, ItemOutcome::Dropped);
    EXPECT_TRUE(empty->newIds.empty());
    EXPECT_EQ(empty->reasons, (Lines{"Not written: the group has no description and no members"}));
    EXPECT_TRUE(settingsUnder(newTree, "service_group_Empty").empty());

    const ItemRecord* sets = recordByLabel(all, ItemKind::ServiceGroup, kAllServiceGroupsName);
    ASSERT_NE(sets, nullptr);
    EXPECT_EQ(sets->origin, ItemOrigin::Upgrade);
    EXPECT_EQ(sets->outcome, ItemOutcome::Created);
    EXPECT_TRUE(sets->oldId.empty());
    EXPECT_EQ(sets->newIds, (Lines{std::string("service_group_") + kAllServiceGroupsName}));
}

TEST_F(GroupRecordsTest, OldGroupOfTheAllSetsNameIsStillAnOldGroup) {
    addSettings(oldTree, {std::string("service_group_") + kAllServiceGroupsName + "_desc=" + kAllServiceGroupsDesc});
    groups.parseServiceGroups(context, oldTree);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].origin, ItemOrigin::Old);
}

TEST_F(GroupRecordsTest, BuiltDestinationGroupNamesItsFirstRecordAndHowManyItWasBuiltFrom) {
    addSettings(oldTree,
                {"destination_group_3_dest=10.0.0.1", "destination_group_3_pd=P", "destination_group_3_service=WWW",
                 "destination_group_4_dest=10.0.0.2", "destination_group_4_pd=D", "destination_group_4_service=FTP",
                 "destination_group_5_dest=10.0.0.3", "destination_group_5_pd=D", "destination_group_5_service=WWW"});
    groups.parseDestinationRecords(context, oldTree);
    groups.convertDestinationGroups(objects);
    groups.saveDestinationGroups(context, newTree);
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(recordsOfKind(all, ItemKind::DestinationGroup).size(), 4u);

    const ItemRecord* www = recordByLabel(all, ItemKind::DestinationGroup, "WWW");
    ASSERT_NE(www, nullptr);
    EXPECT_EQ(www->origin, ItemOrigin::Old);
    EXPECT_EQ(www->outcome, ItemOutcome::Converted);
    EXPECT_EQ(www->oldId, "destination_group_3");
    EXPECT_EQ(www->newIds, (Lines{"destination_group_PermitWWW"}));
    EXPECT_EQ(www->reasons, (Lines{"Built from 2 destination records of service WWW"}));
    EXPECT_EQ(recordByLabel(all, ItemKind::DestinationGroup, "FTP")->reasons,
              (Lines{"Built from 1 destination record of service FTP"}));

    const ItemRecord* deny = recordByLabel(all, ItemKind::DestinationGroup, "DenyAll");
    ASSERT_NE(deny, nullptr);
    EXPECT_EQ(deny->origin, ItemOrigin::Upgrade);
    EXPECT_EQ(deny->outcome, ItemOutcome::Created);
    EXPECT_EQ(deny->newIds, (Lines{"destination_group_DenyAll"}));
}

TEST_F(GroupRecordsTest, RecordsWithoutServiceOrAddressAreNamedOnTheGroupsTheyLandIn) {
    // A record without a service joins the fixed DenyAll group (the first group of the empty key);
    // one whose destination gives no address is written with an empty one.
    addSettings(oldTree, {"destination_group_7_dest=10.0.0.1", "destination_group_7_pd=P",
                          "destination_group_8_dest=", "destination_group_8_pd=P", "destination_group_8_service=Web"});
    groups.parseDestinationRecords(context, oldTree);
    groups.convertDestinationGroups(objects);
    const std::vector<ItemRecord> all = records();
    const ItemRecord* deny = recordByLabel(all, ItemKind::DestinationGroup, "DenyAll");
    const ItemRecord* web = recordByLabel(all, ItemKind::DestinationGroup, "Web");
    ASSERT_TRUE(deny && web);
    EXPECT_EQ(deny->reasons, (Lines{"Deny all destinations", "Also holds the entries of 1 destination record without "
                                                             "a service, the first destination_group_7"}));
    EXPECT_EQ(web->outcome, ItemOutcome::Changed);
    EXPECT_EQ(web->reasons, (Lines{"Built from 1 destination record of service Web",
                                   "1 entry has no destination address: the destination is written empty"}));
}

// ---- Network address objects --------------------------------------------------------------------

class NetObjectRecordsTest : public ConverterTest {
protected:
    std::vector<ItemRecord> records() const {
        std::vector<ItemRecord> out;
        objects.appendRecords(out);
        return out;
    }
};

TEST_F(NetObjectRecordsTest, OneRecordPerNamedObjectWithNetworksAndRangesShownByTheirParts) {
    std::string port;
    objects.convertAddr("10.1.0.0:255.255.0.0", port, "");
    objects.convertAddr("10.0.0.1-10.0.0.9", port, "");
    objects.convertAddr("*.example.com", port, "");
    objects.convertAddr("10.1.0.0", port, "");  // already made as the network's address
    const std::vector<ItemRecord> all = records();
    Lines labels;
    for (const ItemRecord& record : all) {
        EXPECT_EQ(record.kind, ItemKind::NetObject);
        EXPECT_EQ(record.origin, ItemOrigin::Upgrade);
        EXPECT_EQ(record.outcome, ItemOutcome::Created);
        EXPECT_TRUE(record.oldId.empty());
        EXPECT_TRUE(record.newIds.empty());  // not written yet
        EXPECT_EQ(fieldText(record, "value"), " -> " + record.label);
        labels.push_back(record.label);
    }
    // The network's mask is a fixed object; the range's two addresses are objects of their own.
    EXPECT_EQ(labels, (Lines{"10.1.0.0", "10.1.0.0:255.255.0.0", "10.0.0.1", "10.0.0.9", "10.0.0.1-10.0.0.9",
                             "*.example.com"}));
}

TEST_F(NetObjectRecordsTest, ObjectsHaveTheirNamesOnceWrittenAndNotThoseMadeAfter) {
    std::string port;
    objects.convertAddr("192.0.2.7", port, "");
    objects.save(context, newTree);
    objects.convertAddr("192.0.2.8", port, "");
    const std::vector<ItemRecord> all = records();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].newIds, (Lines{"net_ipaddr_192-0-2-7"}));
    EXPECT_EQ(settingsUnder(newTree, all[0].newIds[0]), (Lines{"net_ipaddr_192-0-2-7_addr=192.0.2.7"}));
    EXPECT_TRUE(all[1].newIds.empty());
}

}  // namespace
