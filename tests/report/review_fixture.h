// Shared set-up for the safety review's tests: a report to fill with hand-made records and pairing
// records, the new firewall's initial configuration and the final one as small trees made from
// setting lines (or loaded from the sample files), and the review run over them.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "conftree/config_tree.h"
#include "conftree/leaf.h"
#include "report/safety_review.h"
#include "support/setting_lines.h"

class ReviewTest : public ::testing::Test {
protected:
    static ItemRecord record(ItemKind kind, ItemOutcome outcome, std::string oldId, std::string label,
                             std::vector<std::string> newIds, std::vector<ItemField> fields,
                             ItemOrigin origin = ItemOrigin::Old) {
        ItemRecord r;
        r.kind = kind;
        r.outcome = outcome;
        r.origin = origin;
        r.oldId = std::move(oldId);
        r.label = std::move(label);
        r.newIds = std::move(newIds);
        r.fields = std::move(fields);
        return r;
    }

    // An old physical interface and its partner ("" as newDevice: unpaired).
    static PairRecord pair(std::string oldDevice, std::string oldName, std::string oldAddr, std::string oldNetmask,
                           std::string oldLocation, std::string newDevice, std::string newName, std::string newAddr,
                           std::string newNetmask, std::string newLocation) {
        PairRecord p;
        p.oldDevice = std::move(oldDevice);
        p.oldName = std::move(oldName);
        p.oldAddr = std::move(oldAddr);
        p.oldNetmask = std::move(oldNetmask);
        p.oldLocation = std::move(oldLocation);
        p.newDevice = std::move(newDevice);
        p.newName = std::move(newName);
        p.newAddr = std::move(newAddr);
        p.newNetmask = std::move(newNetmask);
        p.newLocation = std::move(newLocation);
        p.method = p.newDevice.empty() ? PairingMethod::Unpaired : PairingMethod::Address;
        return p;
    }

    static void add(ConfigTree& tree, const testsupport::Lines& lines) { testsupport::addSettings(tree, lines); }

    static bool load(ConfigTree& tree, const std::string& relativePath) {
        return tree.load(std::string(PROJECT_SOURCE_DIR) + "/" + relativePath) == 0;
    }

    // Runs the review with the trees when asked for and returns every finding.
    const std::vector<Finding>& review(bool withTrees = true) {
        ReviewInputs inputs;
        if (withTrees) {
            inputs.newInitial = &initial;
            inputs.finalTree = &finalTree;
        }
        inputs.scriptDeclaresSample = sample;
        reviewUpgrade(report, inputs);
        return report.findings;
    }

    // The findings of one code, after a review.
    std::vector<Finding> withCode(const std::string& code) const {
        std::vector<Finding> found;
        for (const Finding& finding : report.findings) {
            if (finding.code == code) found.push_back(finding);
        }
        return found;
    }

    std::vector<std::string> codes() const {
        std::vector<std::string> found;
        for (const Finding& finding : report.findings) found.push_back(finding.code);
        return found;
    }

    std::ostringstream log;
    ConfigTree initial{log};
    ConfigTree finalTree{log};
    UpgradeReport report;
    bool sample = false;
};

using Lines = testsupport::Lines;
