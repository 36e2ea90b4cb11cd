// The workflow's convert and merge steps: what they log, show and save, how they fail, and what the
// user interface is asked to do.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convert/interface_pairing.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "template/template_processor.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"

namespace fs = std::filesystem;

namespace {

// Records what the workflow asks of a user interface, and plays the front end's part in the merge:
// the pairing between mergeConfigs and postprocessConfigs, on the test's own thread.
class RecordingUi : public WorkflowUi {
public:
    void appendLog(std::string_view text, bool endLine) override {
        screen += text;
        if (endLine) screen += "\r\n";
    }
    void stopTimers() override { ++timersStopped; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void reportProgress(const ProgressReport& report) override {
        reports.push_back(report);
        if (onProgress) onProgress(report);
    }
    PairingOutcome pairInterfaces(InterfacePairing& pairing) {
        ++pairingRuns;
        seenOldInterfaces = &pairing.oldInterfaces();
        seenUnpaired = pairing.unpaired();
        return outcome;
    }

    // Both halves of the merge, with the pairing between them when the workflow needs one.
    bool merge(UpgradeWorkflow& workflow) {
        if (!workflow.mergeConfigs()) return false;
        PairingOutcome result = PairingOutcome::Closed;
        if (workflow.interfacePairingRequired()) {
            InterfacePairing pairing = workflow.interfacePairing();
            result = pairInterfaces(pairing);
        }
        return workflow.postprocessConfigs(result);
    }

    std::string screen;
    int timersStopped = 0;
    std::vector<std::string> messages;
    int pairingRuns = 0;
    const InterfaceList* seenOldInterfaces = nullptr;
    std::vector<int> seenUnpaired;
    PairingOutcome outcome = PairingOutcome::Closed;
    std::vector<ProgressReport> reports;
    std::function<void(const ProgressReport&)> onProgress;
};

const char* const kOldConfig = "netobj_list_1_name=all_interfaces\n"
                               "netobj_list_1_element_1_interface=eth0\n"
                               "netobj_list_1_element_1_addr=10.0.0.1\n"
                               "netobj_list_1_element_1_location=inside\n"
                               "system_hostname=old\n";

const char* const kScript = "user_warning system_hostname=** Host $$ converted\n"
                            "[MERGE_TREE1]\n"
                            "[MERGE_TREE2]\n"
                            "delete_branch netobj_list_Outside_element\n"
                            "[POSTPROCESS]\n"
                            "user_warning system_hostname=** Host $$ merged\n";

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        write(kTemplateName, kScript);
        write(kSavedOldConfigName, kOldConfig);
        write(kNewInitConfigName, "netobj_list_Outside_element_1_interface=em0\n"
                                  "netobj_list_Outside_element_1_addr=10.0.0.1\n"
                                  "netobj_list_Outside_element_1_location=lan\n");
        ASSERT_TRUE(workflow.startInWorkingDirectory(dir.path().string()));
        workflow.templateName = dir.file(kTemplateName);
    }

    void write(const std::string& name, const std::string& content) {
        EXPECT_TRUE(testsupport::writeFile(dir / name, content)) << name;
    }
    std::string read(const std::string& name) const { return testsupport::readFile(dir / name); }

    testsupport::ScratchDir dir{"workflow_test"};
    RecordingUi ui;
    UpgradeWorkflow workflow{ui};
};

TEST_F(WorkflowTest, ConvertAndMergeSaveBothFilesAndLogWhereToTheLogAndScreen) {
    ASSERT_TRUE(workflow.convertOldConfig());
    EXPECT_NE(workflow.processor(), nullptr);
    ASSERT_TRUE(ui.merge(workflow));
    EXPECT_EQ(ui.pairingRuns, 0);
    EXPECT_TRUE(ui.messages.empty());

    const std::string dirText = workflow.workingDirectory();
    EXPECT_EQ(dirText, dir.path().string() + "/");
    const std::string log = read(kLogFileName);
    EXPECT_EQ(log.rfind("Upgrade Wizard started\n\nStarting conversion...\n", 0), 0u) << log;
    EXPECT_NE(log.find("Converted file saved to " + dirText + kConvertedConfigName + "\n"), std::string::npos);
    EXPECT_NE(log.find("Merged file saved to " + dirText + kFinalConfigName + "\n"), std::string::npos);
    EXPECT_NE(ui.screen.find("Merged file saved to " + dirText + kFinalConfigName + "\r\n"), std::string::npos);
    // Tree messages (the save summary) go to the log file only.
    EXPECT_NE(log.find("Print config tree start\n"), std::string::npos);
    EXPECT_EQ(ui.screen.find("Print config tree start"), std::string::npos);

    const std::string final = read(kFinalConfigName);
    EXPECT_NE(final.find("netobj_list_Outside_element_1_interface=em0\n"), std::string::npos) << final;
    EXPECT_NE(final.find("system_hostname=old\n"), std::string::npos);
}

TEST_F(WorkflowTest, WarningsClosedAfterTheDownloadPhaseAreAppendedToByTheMerge) {
    ASSERT_TRUE(workflow.convertOldConfig());
    workflow.closeWarnings();
    EXPECT_EQ(read(kWarningsFileName), "Host old converted\n\n");
    ASSERT_TRUE(ui.merge(workflow));
    workflow.restart();
    EXPECT_EQ(read(kWarningsFileName), "Host old converted\n\nHost old merged\n\n");
}

TEST_F(WorkflowTest, AbortedConversionIsLoggedShownAndRestarts) {
    write(kSavedOldConfigName, "system_hostname=old\n");
    EXPECT_FALSE(workflow.convertOldConfig());
    EXPECT_EQ(ui.messages,
              (std::vector<std::string>{"No physical interfaces found on system - cannot continue upgrade"}));
    EXPECT_EQ(ui.timersStopped, 1);
    EXPECT_EQ(workflow.workingDirectory(), "");
    EXPECT_EQ(workflow.processor(), nullptr);
    const std::string log = read(kLogFileName);
    EXPECT_NE(log.find("Aborting conversion!\n"
                       "No physical interfaces found on system - cannot continue upgrade\n"
                       "Unable to continue with upgrade until problem is resolved\n"
                       "Upgrade Wizard shut down normally\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists(dir / kConvertedConfigName));
    EXPECT_TRUE(fs::exists(dir / kSavedOldConfigName));
}

TEST_F(WorkflowTest, UnreadableOldConfigurationAbortsTheConversion) {
    const std::string saved = workflow.workingDirectory() + kSavedOldConfigName;
    fs::remove(dir / kSavedOldConfigName);
    EXPECT_FALSE(workflow.convertOldConfig());
    const std::string reason = "Unable to load old configuration data: " + saved;
    EXPECT_EQ(ui.messages, (std::vector<std::string>{reason}));
    const std::string log = read(kLogFileName);
    EXPECT_NE(log.find("Unable to open file: " + saved + "\nAborting conversion!\n" + reason +
                       "\nUnable to continue with upgrade until problem is resolved\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("File loaded and parsed"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kConvertedConfigName));
}

TEST_F(WorkflowTest, MissingTemplateScriptAbortsTheConversionInsteadOfSavingAnUnconvertedFile) {
    const std::string missing = (dir / "no-such.tpl").string();
    workflow.templateName = missing;
    EXPECT_FALSE(workflow.convertOldConfig());
    const std::string reason = "Unable to read the template script: " + missing;
    EXPECT_EQ(ui.messages, (std::vector<std::string>{reason}));
    const std::string log = read(kLogFileName);
    EXPECT_NE(
        log.find("Aborting conversion!\n" + reason + "\nUnable to continue with upgrade until problem is resolved\n"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("Conversion complete..."), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kConvertedConfigName));
}

TEST_F(WorkflowTest, MissingNewConfigurationIsShownWithoutRestarting) {
    ASSERT_TRUE(workflow.convertOldConfig());
    fs::remove(dir / kNewInitConfigName);
    EXPECT_FALSE(ui.merge(workflow));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Unable to load new configuration data. Upgrade aborted"}));
    EXPECT_NE(workflow.processor(), nullptr);
    EXPECT_NE(read(kLogFileName).find("Unable to open file: " + workflow.workingDirectory() + kNewInitConfigName),
              std::string::npos);
    // The reason is in the log as well, for when the message has been closed.
    EXPECT_NE(read(kLogFileName).find("Unable to load new configuration data. Upgrade aborted\n"), std::string::npos);
}

TEST_F(WorkflowTest, MergeBeforeConversionFailsKeepingTheWorkingDirectory) {
    EXPECT_FALSE(ui.merge(workflow));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "The old configuration has not been converted");
    EXPECT_EQ(workflow.workingDirectory(), dir.path().string() + "/");
}

TEST_F(WorkflowTest, PairingIsAskedForOnlyWhenAddressesDoNotPair) {
    write(kNewInitConfigName, "netobj_list_Outside_element_1_interface=em0\n"
                              "netobj_list_Outside_element_1_addr=192.0.2.1\n");
    ui.outcome = PairingOutcome::CannotCreate;
    ASSERT_TRUE(workflow.convertOldConfig());
    ASSERT_TRUE(ui.merge(workflow));
    EXPECT_EQ(ui.pairingRuns, 1);
    // The dialog is shown the running conversion's own records.
    ASSERT_NE(workflow.processor(), nullptr);
    EXPECT_EQ(ui.seenOldInterfaces, &workflow.processor()->oldInterfaces());
    EXPECT_EQ(ui.seenUnpaired, (std::vector<int>{0}));
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Error Creating Dialog Object"}));
    const std::string log = read(kLogFileName);
    EXPECT_NE(log.find("Postprocessing...\nInterface merge help will be needed...\nInterface merge complete.\n"),
              std::string::npos)
        << log;
    // Nobody paired eth0, so it is written with its own values.
    EXPECT_NE(read(kFinalConfigName).find("netobj_list_Outside_element_1_interface=eth0\n"), std::string::npos);
}

TEST_F(WorkflowTest, AbandonedPairingStopsBeforePostprocessing) {
    write(kNewInitConfigName, "system_hostname=new\n");
    ui.outcome = PairingOutcome::Abandoned;
    ASSERT_TRUE(workflow.convertOldConfig());
    EXPECT_FALSE(ui.merge(workflow));
    EXPECT_FALSE(fs::exists(dir / kFinalConfigName));
    EXPECT_EQ(workflow.workingDirectory(), dir.path().string() + "/");
    EXPECT_EQ(read(kLogFileName).find("Merging interfaces."), std::string::npos);
}

TEST(WorkflowResumeTest, ADirectoryOthersMayWriteToIsRefusedBeforeAnythingIsOpenedThere) {
    testsupport::ScratchDir dir("workflow_resume");
    ASSERT_TRUE(testsupport::writeFile(dir / kSavedOldConfigName, "a=1\n"));
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_all);
    RecordingUi ui;
    UpgradeWorkflow workflow(ui);
    EXPECT_FALSE(workflow.openWorkingDirectory(dir.file(kSavedOldConfigName)));
    EXPECT_NE(workflow.failure().text.find("can be written by other users"), std::string::npos)
        << workflow.failure().text;
    EXPECT_EQ(ui.messages, std::vector<std::string>{workflow.failure().text});
    EXPECT_FALSE(fs::exists(dir / kLogFileName));
    EXPECT_TRUE(workflow.workingDirectory().empty());

    // The same directory made the user's own again is taken.
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_TRUE(workflow.openWorkingDirectory(dir.file(kSavedOldConfigName)));
    EXPECT_EQ(workflow.workingDirectory(), dir.path().string() + "/");
}

TEST(WorkflowStartTest, WorkingDirectoryThatCannotHoldTheLogIsRefused) {
    RecordingUi ui;
    UpgradeWorkflow workflow(ui);
    EXPECT_FALSE(workflow.startInWorkingDirectory("/nonexistent-directory-for-test/x"));
    EXPECT_EQ(workflow.workingDirectory(), "");
}

}  // namespace

namespace {

TEST_F(WorkflowTest, MergeStopsBeforePairingSoTheFrontEndPairsOnItsOwnThread) {
    write(kNewInitConfigName, "netobj_list_Outside_element_1_interface=em0\n"
                              "netobj_list_Outside_element_1_addr=192.0.2.1\n");
    ASSERT_TRUE(workflow.convertOldConfig());
    ASSERT_TRUE(workflow.mergeConfigs());
    ASSERT_TRUE(workflow.interfacePairingRequired());
    EXPECT_FALSE(fs::exists(dir / kFinalConfigName));

    InterfacePairing pairing = workflow.interfacePairing();
    ASSERT_EQ(pairing.unpaired(), (std::vector<int>{0}));
    ASSERT_TRUE(pairing.pair(0, 0));
    ASSERT_TRUE(workflow.postprocessConfigs(PairingOutcome::Closed));
    EXPECT_FALSE(workflow.interfacePairingRequired());
    // The chosen partner's device replaces the old one in the final file.
    const std::string final = read(kFinalConfigName);
    EXPECT_NE(final.find("netobj_list_Outside_element_1_interface=em0\n"), std::string::npos) << final;
    EXPECT_EQ(final.find("netobj_list_Outside_element_1_interface=eth0"), std::string::npos) << final;
}

TEST_F(WorkflowTest, FailedStepsLeaveTheirReasonForTheFrontEnd) {
    EXPECT_TRUE(workflow.failure().text.empty());
    write(kSavedOldConfigName, "system_hostname=old\n");
    EXPECT_FALSE(workflow.convertOldConfig());
    EXPECT_EQ(workflow.failure().stringId, 0);
    EXPECT_EQ(workflow.failure().text, "No physical interfaces found on system - cannot continue upgrade");
    EXPECT_EQ(ui.messages, (std::vector<std::string>{workflow.failure().text}));
}

TEST_F(WorkflowTest, AbandonedPairingIsTheFailureReason) {
    write(kNewInitConfigName, "system_hostname=new\n");
    ASSERT_TRUE(workflow.convertOldConfig());
    ASSERT_TRUE(workflow.mergeConfigs());
    EXPECT_FALSE(workflow.postprocessConfigs(PairingOutcome::Abandoned));
    EXPECT_EQ(workflow.failure().text, "The interfaces of the old firewall were not paired with the new firewall's");
    EXPECT_NE(read(kLogFileName).find("Interface merge help will be needed...\nAborting merge!\n"), std::string::npos);
}

TEST_F(WorkflowTest, StepsReportProgressInOrderWithCountsThatNeverFall) {
    std::string big;
    for (int i = 0; i < 200; ++i) big += "setting_" + std::to_string(i) + "=v\n";
    write(kSavedOldConfigName, std::string(kOldConfig) + big);
    ASSERT_TRUE(workflow.convertOldConfig());
    ASSERT_TRUE(ui.merge(workflow));

    std::vector<std::string> steps;
    for (std::size_t k = 0; k < ui.reports.size(); ++k) {
        const ProgressReport& report = ui.reports[k];
        if (steps.empty() || steps.back() != report.step) {
            steps.push_back(report.step);
            EXPECT_EQ(report.done, 0) << report.step;
        } else {
            EXPECT_GT(report.done, ui.reports[k - 1].done) << report.step;
        }
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"Loading the old configuration", "Converting the old configuration",
                                               "Saving the converted configuration", "Loading the new configuration",
                                               "Merging the configurations", "Postprocessing",
                                               "Saving the final configuration"}));
    long loaded = 0;
    for (const ProgressReport& report : ui.reports) {
        if (report.step == "Loading the old configuration") loaded = report.done;
    }
    EXPECT_GE(loaded, 180);  // the 205 settings, counted in twenties
}

TEST_F(WorkflowTest, StopRequestedDuringAScriptSectionEndsThePhaseBeforeTheNextSection) {
    // The merge runs two sections; a stop asked for while the first runs keeps the second from running.
    std::string script = "user_warning system_hostname=** Host $$ converted\n[MERGE_TREE1]\n";
    for (int i = 0; i < 30; ++i) script += "# line " + std::to_string(i) + "\n";
    script += "[MERGE_TREE2]\nuser_warning system_hostname=** second section ran\n[POSTPROCESS]\n";
    write(kTemplateName, script);
    ASSERT_TRUE(workflow.convertOldConfig());
    ui.onProgress = [this](const ProgressReport& report) {
        if (report.step == "Merging the configurations" && report.done > 0) workflow.requestStop();
    };
    EXPECT_FALSE(workflow.mergeConfigs());
    EXPECT_EQ(workflow.failure().text, kStopRequestedText);
    EXPECT_EQ(read(kWarningsFileName).find("second section ran"), std::string::npos);
    EXPECT_NE(read(kLogFileName).find(std::string("Aborting merge!\n") + kStopRequestedText + "\n"), std::string::npos);
    // The working directory stays for a retry from the saved files.
    EXPECT_EQ(workflow.workingDirectory(), dir.path().string() + "/");
}

TEST_F(WorkflowTest, StopRequestedBeforeAStepKeepsItFromStarting) {
    workflow.requestStop();
    EXPECT_FALSE(workflow.convertOldConfig());
    EXPECT_EQ(workflow.failure().text, kStopRequestedText);
    EXPECT_FALSE(fs::exists(dir / kConvertedConfigName));
    EXPECT_EQ(read(kLogFileName).find("Starting conversion..."), std::string::npos);
}

}  // namespace
