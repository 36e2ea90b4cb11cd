// Service groups and destination groups: reading, building the destination groups, writing.

#include "convert/groups.h"
#include "converter_fixture.h"

namespace {

class GroupsTest : public ConverterTest {
protected:
    GroupConverter groups;
};

TEST_F(GroupsTest, ServiceGroupAuthenticationDecidesTheAuthenticationObject) {
    addSettings(oldTree, {"service_group_web_authenticate=yes", "service_group_web_authserver=radius",
                          "service_group_web_desc=Web access", "service_group_change_authenticate=yes",
                          "service_group_change_permit-password=no", "service_group_open_desc=Open",
                          "service_group_open_permit-password=yes"});
    groups.parseServiceGroups(context, oldTree);
    ASSERT_EQ(groups.serviceGroups.size(), 3u);  // no configuration sets: no all-sets group
    const ServiceGroup& web = groups.serviceGroups[0];
    EXPECT_EQ(web.objectName, "service_group_web");
    EXPECT_EQ(web.authserver, "radius");
    EXPECT_EQ(web.passwordMode, "deny-password");
    EXPECT_EQ(web.authObject, "auth_obj_normal");
    EXPECT_EQ(groups.serviceGroups[1].passwordMode, "permit-password");
    EXPECT_EQ(groups.serviceGroups[1].authObject, "auth_obj_change");
    EXPECT_EQ(groups.serviceGroups[2].authObject, "");
}

TEST_F(GroupsTest, AllConfigurationSetsGroupListsEverySetAndComesLast) {
    addSettings(oldTree, {"service_group_web_elem_2_obj=def_proxy_http_config-sets_b",
                          "service_group_web_elem_1_obj=def_proxy_http_config-sets_a",
                          "def_proxy_http_config-sets_default_timeout=30", "def_proxy_ftp_config-sets_strict_mode=1",
                          "def_proxy_ftp_port=21"});
    groups.parseServiceGroups(context, oldTree);
    ASSERT_EQ(groups.serviceGroups.size(), 2u);
    EXPECT_EQ(groups.serviceGroups[0].elements,
              (Lines{"def_proxy_http_config-sets_b", "def_proxy_http_config-sets_a"}));
    const ServiceGroup& all = groups.serviceGroups[1];
    EXPECT_EQ(all.objectName, "service_group_AllServiceGroupsFromUpgrade6.0");
    EXPECT_EQ(all.elements, (Lines{"def_proxy_http_config-sets_default", "def_proxy_ftp_config-sets_strict"}));

    groups.saveServiceGroups(context, newTree);
    EXPECT_EQ(logLines().back(), "Dumping 2 service groups back into tree.");
    // Elements are renumbered from 1 in tree order.
    EXPECT_EQ(settingLines(newTree),
              (Lines{"service_group_web_elem_1_obj=def_proxy_http_config-sets_b",
                     "service_group_web_elem_2_obj=def_proxy_http_config-sets_a",
                     "service_group_AllServiceGroupsFromUpgrade6.0_desc=Group containing all services defined at "
                     "time of Upgrade",
                     "service_group_AllServiceGroupsFromUpgrade6.0_elem_1_obj=def_proxy_http_config-sets_default",
                     "service_group_AllServiceGroupsFromUpgrade6.0_elem_2_obj=def_proxy_ftp_config-sets_strict"}));
}

TEST_F(GroupsTest, MissingServiceGroupsOrSetsAreLoggedWithTheServiceGroupTemplate) {
    addSettings(oldTree, {"def_proxy_http_config-sets_default_timeout=30"});
    groups.parseServiceGroups(context, oldTree);
    EXPECT_TRUE(groups.serviceGroups.empty());  // not even the all-sets group
    EXPECT_EQ(logLines(), (Lines{"parseSvcGroups: Search returned no data (0): service_group_**"}));

    ConfigTree onlyGroups{log};
    addSettings(onlyGroups, {"service_group_web_desc=Web"});
    groups.parseServiceGroups(context, onlyGroups);
    EXPECT_EQ(groups.serviceGroups.size(), 1u);
    EXPECT_EQ(logLines().back(), "parseSvcGroups: Search returned no data (0): service_group_**");
}

TEST_F(GroupsTest, WithoutDestinationRecordsOnlyTheTwoFixedGroupsAreBuilt) {
    groups.parseDestinationRecords(context, oldTree);
    EXPECT_EQ(logLines(), (Lines{"parseDestGroups: Search returned no data (0): destination_group_**"}));
    groups.convertDestinationGroups(objects);
    groups.saveDestinationGroups(context, newTree);
    EXPECT_EQ(
        settingLines(newTree),
        (Lines{"destination_group_DenyAll_desc=Deny all destinations", "destination_group_DenyAll_elem_1_type=destobj",
               "destination_group_DenyAll_elem_1_obj=destination_destobj_DenyAll_1",
               "destination_group_PermitAll_desc=Permit all destinations",
               "destination_group_PermitAll_elem_1_type=destobj",
               "destination_group_PermitAll_elem_1_obj=destination_destobj_PermitAll_1",
               "destination_destobj_DenyAll_1_action=Deny", "destination_destobj_DenyAll_1_addr=net_pattern_any",
               "destination_destobj_PermitAll_1_action=Permit",
               "destination_destobj_PermitAll_1_addr=net_pattern_any"}));
    EXPECT_EQ(logLines().back(), "Dumping 2 destination groups back into tree.");
}

TEST_F(GroupsTest, FirstRecordOfAServiceNamesItsGroupAndLaterRecordsKeepTheirOwnFlag) {
    addSettings(
        oldTree,
        {"destination_group_1_dest=10.0.0.1", "destination_group_1_pd=P", "destination_group_1_service=Web",
         "destination_group_2_dest=10.0.0.2", "destination_group_2_pd=D", "destination_group_2_service=Web",
         "destination_group_3_dest=ftp.example.org", "destination_group_3_pd=D", "destination_group_3_service=FTP"});
    groups.parseDestinationRecords(context, oldTree);
    groups.convertDestinationGroups(objects);
    ASSERT_EQ(groups.destinationGroups.size(), 4u);
    const DestinationGroup& web = groups.destinationGroups[2];
    EXPECT_EQ(web.name, "PermitWeb");
    EXPECT_EQ(web.desc, "PermitWeb Group");
    ASSERT_EQ(web.objects.size(), 2u);
    EXPECT_TRUE(web.objects[0].permit);
    EXPECT_EQ(web.objects[0].addr, "net_ipaddr_10-0-0-1");
    EXPECT_FALSE(web.objects[1].permit);
    EXPECT_EQ(groups.destinationGroups[3].name, "DenyFTP");
    EXPECT_EQ(groups.destinationGroups[3].objects[0].addr, "net_dns_ftp-example-org");
    EXPECT_EQ(groups.destinationRecords[1].groupName, "destination_group_PermitWeb");
    EXPECT_EQ(groups.destinationRecords[2].groupName, "destination_group_DenyFTP");

    groups.saveDestinationGroups(context, newTree);
    EXPECT_EQ(settingsUnder(newTree, "destination_destobj_PermitWeb"),
              (Lines{"destination_destobj_PermitWeb_1_action=Permit",
                     "destination_destobj_PermitWeb_1_addr=net_ipaddr_10-0-0-1",
                     "destination_destobj_PermitWeb_2_action=Deny",
                     "destination_destobj_PermitWeb_2_addr=net_ipaddr_10-0-0-2"}));
}

TEST_F(GroupsTest, RecordWithoutServiceJoinsDenyAllAndEmptyAddressIsWrittenEmpty) {
    addSettings(oldTree, {"destination_group_1_dest=", "destination_group_1_pd=P"});
    groups.parseDestinationRecords(context, oldTree);
    groups.convertDestinationGroups(objects);
    ASSERT_EQ(groups.destinationGroups.size(), 2u);
    ASSERT_EQ(groups.destinationGroups[0].objects.size(), 2u);
    EXPECT_EQ(groups.destinationRecords[0].groupName, "destination_group_DenyAll");
    groups.saveDestinationGroups(context, newTree);
    EXPECT_EQ(settingsUnder(newTree, "destination_destobj_DenyAll_2"),
              (Lines{"destination_destobj_DenyAll_2_action=Permit", "destination_destobj_DenyAll_2_addr="}));
}

TEST_F(GroupsTest, BuiltGroupNeverTakesTheNameOfAnotherGroup) {
    addSettings(
        oldTree,
        {"destination_group_1_dest=10.0.0.1", "destination_group_1_pd=D", "destination_group_1_service=All",
         "destination_group_2_dest=10.0.0.2", "destination_group_2_pd=P", "destination_group_2_service=Web_Out",
         "destination_group_3_dest=10.0.0.3", "destination_group_3_pd=P", "destination_group_3_service=Web=Out"});
    groups.parseDestinationRecords(context, oldTree);
    groups.convertDestinationGroups(objects);
    ASSERT_EQ(groups.destinationGroups.size(), 5u);
    EXPECT_EQ(groups.destinationGroups[2].name, "DenyAll-2");
    EXPECT_EQ(groups.destinationGroups[2].desc, "DenyAll-2 Group");
    EXPECT_EQ(groups.destinationGroups[3].name, "PermitWeb-Out");
    EXPECT_EQ(groups.destinationGroups[4].name, "PermitWeb-Out-2");
    EXPECT_EQ(groups.destinationRecords[0].groupName, "destination_group_DenyAll-2");
    groups.saveDestinationGroups(context, newTree);
    // The fixed group keeps its one member.
    EXPECT_EQ(
        settingsUnder(newTree, "destination_destobj_DenyAll_"),
        (Lines{"destination_destobj_DenyAll_1_action=Deny", "destination_destobj_DenyAll_1_addr=net_pattern_any"}));
}

}  // namespace
