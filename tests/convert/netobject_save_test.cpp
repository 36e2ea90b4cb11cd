// Writing the created network address objects into the merged tree.

#include "converter_fixture.h"

namespace {

class NetObjectSaveTest : public ConverterTest {};

TEST_F(NetObjectSaveTest, SimpleObjectsAndLinksAreWrittenButCompoundsAndFixedObjectsAreNot) {
    std::string port;
    objects.convertAddr("10.1.0.0:255.255.0.0", port, "");
    objects.convertAddr("10.0.0.1-10.0.0.9", port, "");
    objects.convertAddr("*", port, "");
    objects.convertAddr("mail.example.org", port, "relay");
    objects.save(context, newTree);
    EXPECT_EQ(logLines().back(), "Dumping 10 network address objects back into tree.");
    EXPECT_EQ(settingLines(newTree),
              (Lines{"net_ipaddr_10-1-0-0_addr=10.1.0.0", "net_ipaddr_10-0-0-1_addr=10.0.0.1",
                     "net_ipaddr_10-0-0-9_addr=10.0.0.9", "net_ipnet_10-1-0-0-ipmask-class-b_addr=net_ipaddr_10-1-0-0",
                     "net_ipnet_10-1-0-0-ipmask-class-b_mask=net_ipmask_class-b",
                     "net_iprange_10-0-0-1-10-0-0-9_start=net_ipaddr_10-0-0-1",
                     "net_iprange_10-0-0-1-10-0-0-9_end=net_ipaddr_10-0-0-9",
                     "net_dns_mail-example-org_addr=mail.example.org", "net_dns_mail-example-org_desc=relay"}));
}

TEST_F(NetObjectSaveTest, ExistingSettingKeepsItsValueAndIsReportedAsDuplicate) {
    addSettings(newTree, {"net_ipaddr_10-0-0-1_addr=10.0.0.99"});
    std::string port;
    objects.convertAddr("10.0.0.1", port, "");
    objects.convertAddr("10.0.0.2 25", port, "smtp");
    EXPECT_EQ(port, "25");
    objects.save(context, newTree);
    EXPECT_EQ(settingLines(newTree), (Lines{"net_ipaddr_10-0-0-1_addr=10.0.0.99", "net_ipaddr_10-0-0-2_addr=10.0.0.2",
                                            "net_ipaddr_10-0-0-2_desc=smtp"}));
    EXPECT_NE(log.str().find("Ignoring duplicate leaf at net_ipaddr_10-0-0-1_addr=10.0.0.99 old value: 10.0.0.99 "
                             "new value: 10.0.0.1"),
              std::string::npos);
}

}  // namespace
