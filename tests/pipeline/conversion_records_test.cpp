// The records of a whole conversion of the sample configurations with the sample script: what the
// old side shows after preprocessing, and that after postprocessing every written item names settings
// that really are in the final tree, while dropped items name none.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "convert_inputs.h"
#include "support/item_record_lookup.h"
#include "support/setting_lines.h"
#include "template/template_processor.h"

namespace {

using testsupport::fieldText;
using testsupport::recordById;
using testsupport::recordsOfKind;
using Lines = std::vector<std::string>;

class ConversionRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(oldTree.load(convertinputs::kOld), 0);
        ASSERT_EQ(newTree.load(convertinputs::kInit), 0);
    }
    void preprocess() { ASSERT_TRUE(processor.runPreprocess(oldTree)) << processor.errorText(); }
    void convertAll() {
        preprocess();
        ASSERT_TRUE(processor.runMerge(oldTree, newTree)) << processor.errorText();
        newTree.absorb(oldTree);
        ASSERT_TRUE(processor.runPostprocess(newTree)) << processor.errorText();
    }
    // True when the final tree has a setting named prefix or beginning with prefix + "_".
    bool written(const std::string& prefix) const {
        for (const std::string& line : testsupport::settingLines(newTree)) {
            if (line.compare(0, prefix.size(), prefix) != 0) continue;
            const char next = line.size() > prefix.size() ? line[prefix.size()] : '\0';
            if (next == '_' || next == '=') return true;
        }
        return false;
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    TemplateProcessor processor{log, warnings, convertinputs::kTemplate, "./"};
};

TEST_F(ConversionRecordsTest, AfterPreprocessingTheOldSideIsKnownAndNothingHasANewName) {
    preprocess();
    const std::vector<ItemRecord> records = processor.itemRecords();
    ASSERT_FALSE(records.empty());
    for (const ItemRecord& record : records) {
        EXPECT_TRUE(record.newIds.empty()) << record.oldId;
        EXPECT_NE(record.origin, ItemOrigin::New) << record.oldId;  // the new firewall is not read yet
    }
    // The script's first section turned the sources into object names; the record shows the text.
    const ItemRecord* www = recordById(records, ItemKind::ProxyRule, "rule_proxy_5");
    ASSERT_NE(www, nullptr);
    EXPECT_EQ(fieldText(*www, "src"), "10.10.0.0:255.255.0.0 -> net_ipnet_10-10-0-0-ipmask-class-b");
    EXPECT_EQ(processor.pairingRecords().size(), 3u);
}

TEST_F(ConversionRecordsTest, EveryWrittenItemNamesSettingsOfTheFinalTreeAndDroppedOnesNone) {
    convertAll();
    const std::vector<ItemRecord> records = processor.itemRecords();
    std::map<ItemKind, int> writtenByKind;
    for (const ItemRecord& record : records) {
        if (record.outcome == ItemOutcome::Dropped) {
            EXPECT_TRUE(record.newIds.empty()) << record.oldId;
            EXPECT_FALSE(record.reasons.empty()) << record.oldId;
            continue;
        }
        EXPECT_FALSE(record.newIds.empty()) << itemKindKey(record.kind) << " " << record.oldId << " " << record.label;
        for (const std::string& id : record.newIds) EXPECT_TRUE(written(id)) << id;
        if (record.outcome == ItemOutcome::Changed) {
            EXPECT_FALSE(record.reasons.empty()) << record.oldId;
        }
        if (record.origin != ItemOrigin::Upgrade) {
            EXPECT_FALSE(record.oldId.empty()) << record.label;
        }
        ++writtenByKind[record.kind];
    }
    const ConversionCounts counts = processor.counts();
    EXPECT_EQ(writtenByKind[ItemKind::ProxyRule], counts.proxyRulesWritten);
    EXPECT_EQ(writtenByKind[ItemKind::ForwardRule], counts.forwardPfRulesWritten);
    EXPECT_EQ(writtenByKind[ItemKind::LocalRule], counts.localPfRulesWritten);
    EXPECT_EQ(static_cast<std::size_t>(writtenByKind[ItemKind::NatRule]), counts.natRules);
    EXPECT_EQ(static_cast<std::size_t>(writtenByKind[ItemKind::InatRule]), counts.inatRules);
}

TEST_F(ConversionRecordsTest, TheSamplesDropsAreRecordedWithTheirReasons) {
    convertAll();
    const std::vector<ItemRecord> records = processor.itemRecords();
    Lines dropped;
    for (const ItemRecord& record : records) {
        if (record.outcome == ItemOutcome::Dropped) {
            dropped.push_back(std::string(itemKindKey(record.kind)) + " " + record.oldId);
        }
    }
    EXPECT_EQ(dropped, (Lines{"interface netobj_list_Outside_element_4", "proxy_rule rule_proxy_11",
                              "inat_rule rule_natrule_4"}));
    EXPECT_EQ(recordById(records, ItemKind::ProxyRule, "rule_proxy_11")->reasons.back(), "Missing: src");
    EXPECT_EQ(recordById(records, ItemKind::InatRule, "rule_natrule_4")->reasons.back(),
              "iface: * - NAT/INAT rules may not be bound to a \"*\" interface");
    // The sample's addresses pair every old interface with its partner.
    for (const PairRecord& pair : processor.pairingRecords()) {
        EXPECT_EQ(pair.method, PairingMethod::Address) << pair.oldDevice;
        EXPECT_EQ(pair.newDevice, pair.oldDevice);
        EXPECT_FALSE(pair.shared);
    }
    EXPECT_EQ(recordsOfKind(records, ItemKind::InterfaceAlias).size(), 4u);
}

}  // namespace
