// The workflow's convert and merge steps: what they log, show and save, how they fail, and what the
// user interface is asked to do.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "convert/interface_pairing.h"
#include "template/template_processor.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"

namespace fs = std::filesystem;

namespace {

// Records what the workflow asks of a user interface.
class RecordingUi : public WorkflowUi {
public:
    void appendLog(std::string_view text, bool endLine) override {
        screen += text;
        if (endLine) screen += "\r\n";
    }
    void stopTimers() override { ++timersStopped; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    PairingOutcome pairInterfaces(InterfacePairing& pairing) override {
        ++pairingRuns;
        seenOldInterfaces = &pairing.oldInterfaces();
        seenUnpaired = pairing.unpaired();
        return outcome;
    }

    std::string screen;
    int timersStopped = 0;
    std::vector<std::string> messages;
    int pairingRuns = 0;
    const InterfaceList* seenOldInterfaces = nullptr;
    std::vector<int> seenUnpaired;
    PairingOutcome outcome = PairingOutcome::Closed;
};

const char* const kOldConfig =
    "netobj_list_1_name=all_interfaces\n"
    "netobj_list_1_element_1_interface=eth0\n"
    "netobj_list_1_element_1_addr=10.0.0.1\n"
    "netobj_list_1_element_1_location=inside\n"
    "system_hostname=old\n";

const char* const kScript =
    "user_warning system_hostname=** Host $$ converted\n"
    "[MERGE_TREE1]\n"
    "[MERGE_TREE2]\n"
    "delete_branch netobj_list_Outside_element\n"
    "[POSTPROCESS]\n"
    "user_warning system_hostname=** Host $$ merged\n";

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("workflow_test_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        write(kTemplateName, kScript);
        write(kSavedOldConfigName, kOldConfig);
        write(kNewInitConfigName,
              "netobj_list_Outside_element_1_interface=em0\n"
              "netobj_list_Outside_element_1_addr=10.0.0.1\n"
              "netobj_list_Outside_element_1_location=lan\n");
        ASSERT_TRUE(workflow.startInWorkingDirectory(dir.string()));
        workflow.templateName = (dir / kTemplateName).string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& name, const std::string& content) { std::ofstream(dir / name) << content; }
    std::string read(const std::string& name) const {
        std::ifstream in(dir / name);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    fs::path dir;
    RecordingUi ui;
    UpgradeWorkflow workflow{ui};
};

TEST_F(WorkflowTest, ConvertAndMergeSaveBothFilesAndLogWhereToTheLogAndScreen) {
    ASSERT_TRUE(workflow.convertOldConfig());
    EXPECT_NE(workflow.processor(), nullptr);
    ASSERT_TRUE(workflow.mergeConfigs());
    EXPECT_EQ(ui.pairingRuns, 0);
    EXPECT_TRUE(ui.messages.empty());

    const std::string dirText = workflow.workingDirectory();
    EXPECT_EQ(dirText, dir.string() + "/");
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
    ASSERT_TRUE(workflow.mergeConfigs());
    workflow.restart();
    EXPECT_EQ(read(kWarningsFileName), "Host old converted\n\nHost old merged\n\n");
}

TEST_F(WorkflowTest, AbortedConversionIsLoggedShownAndRestarts) {
    write(kSavedOldConfigName, "system_hostname=old\n");
    EXPECT_FALSE(workflow.convertOldConfig());
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"No physical interfaces found on system - cannot continue upgrade"}));
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
    EXPECT_NE(log.find("Aborting conversion!\n" + reason +
                       "\nUnable to continue with upgrade until problem is resolved\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("Conversion complete..."), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir / kConvertedConfigName));
}

TEST_F(WorkflowTest, MissingNewConfigurationIsShownWithoutRestarting) {
    ASSERT_TRUE(workflow.convertOldConfig());
    fs::remove(dir / kNewInitConfigName);
    EXPECT_FALSE(workflow.mergeConfigs());
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"Unable to load new configuration data. Upgrade aborted"}));
    EXPECT_NE(workflow.processor(), nullptr);
    EXPECT_NE(read(kLogFileName).find("Unable to open file: " + workflow.workingDirectory() + kNewInitConfigName),
              std::string::npos);
}

TEST_F(WorkflowTest, MergeBeforeConversionFailsKeepingTheWorkingDirectory) {
    EXPECT_FALSE(workflow.mergeConfigs());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "The old configuration has not been converted");
    EXPECT_EQ(workflow.workingDirectory(), dir.string() + "/");
}

TEST_F(WorkflowTest, PairingIsAskedForOnlyWhenAddressesDoNotPair) {
    write(kNewInitConfigName,
          "netobj_list_Outside_element_1_interface=em0\n"
          "netobj_list_Outside_element_1_addr=192.0.2.1\n");
    ui.outcome = PairingOutcome::CannotCreate;
    ASSERT_TRUE(workflow.convertOldConfig());
    ASSERT_TRUE(workflow.mergeConfigs());
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
    EXPECT_FALSE(workflow.mergeConfigs());
    EXPECT_FALSE(fs::exists(dir / kFinalConfigName));
    EXPECT_EQ(workflow.workingDirectory(), dir.string() + "/");
    EXPECT_EQ(read(kLogFileName).find("Merging interfaces."), std::string::npos);
}

TEST(WorkflowStartTest, WorkingDirectoryThatCannotHoldTheLogIsRefused) {
    RecordingUi ui;
    UpgradeWorkflow workflow(ui);
    EXPECT_FALSE(workflow.startInWorkingDirectory("/nonexistent-directory-for-test/x"));
    EXPECT_EQ(workflow.workingDirectory(), "");
}

}  // namespace
