// The run manifest on its own (its document read back, an unusable one moved aside, the earlier runs
// kept) and in the offline steps: what convert and merge record, and the earlier run's outputs moved
// aside before a new run writes its own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "report/report_files.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "upgrade/file_names.h"
#include "upgrade/run_manifest.h"
#include "upgrade/workflow.h"
#include "upgrade/workflow_ui.h"
#include "util/files/file_digest.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class QuietUi : public WorkflowUi {
public:
    void appendLog(std::string_view text, bool endLine) override {
        screen += text;
        if (endLine) screen += "\n";
    }
    std::string screen;
};

json readJson(const fs::path& path) { return json::parse(testsupport::readFile(path)); }

const json* outputNamed(const json& manifest, const std::string& name) {
    for (const json& file : manifest.at("outputs"))
        if (file.at("name") == name) return &file;
    return nullptr;
}

TEST(RunManifestTest, ADocumentReadsBackAsWrittenAndAnUnusableOneIsRefused) {
    testsupport::ScratchDir dir{"manifest_doc"};
    ASSERT_TRUE(testsupport::writeFile(dir / "out.conf", "abc"));
    RunManifest manifest;
    const ManifestOpening opening = manifest.begin(dir.path().string() + "/", "9.9");
    EXPECT_FALSE(opening.earlierRuns);
    EXPECT_TRUE(opening.problem.empty());
    EXPECT_EQ(manifest.runId().size(), 32u);
    EXPECT_TRUE(manifest.recordOutput("out.conf", dir.file("out.conf")));
    EXPECT_FALSE(manifest.recordOutput("missing", dir.file("missing")));
    manifest.setPairing({{"eth0", "em0", "address", true}});
    manifest.stepEnded(manifest.stepStarted("convert", RunManifest::utcNow()), "done");

    std::string error;
    const std::optional<RunManifest> back = RunManifest::parse(manifest.text(), &error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->text(), manifest.text());
    ASSERT_EQ(back->outputs().size(), 1u);
    EXPECT_EQ(back->outputs()[0].sha256, files::sha256Hex("abc"));
    EXPECT_EQ(back->outputs()[0].size, 3u);

    for (const char* bad : {"", "[]", "{}", "{\"schema_version\":1}", "{\"schema_version\":\"1\"}",
                            "{\"schema_version\":1,\"run_id\":5}", "nul", "{\"schema_version\":1e400}"}) {
        error.clear();
        EXPECT_FALSE(RunManifest::parse(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(RunManifestTest, ALaterRunKeepsTheEarlierOnesAndTheirOutputs) {
    testsupport::ScratchDir dir{"manifest_runs"};
    const std::string directory = dir.path().string() + "/";
    ASSERT_TRUE(testsupport::writeFile(dir / "a", "one"));
    RunManifest first;
    (void)first.begin(directory, "1");
    ASSERT_TRUE(first.recordOutput("a", dir.file("a")));
    std::string error;
    ASSERT_TRUE(first.save(&error)) << error;
    struct stat status {};
    ASSERT_EQ(::stat(first.path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    RunManifest second;
    EXPECT_TRUE(second.begin(directory, "1").earlierRuns);
    EXPECT_NE(second.runId(), first.runId());
    EXPECT_FALSE(second.writtenByThisRun("a"));
    EXPECT_NE(second.notProducedByThisRunBecause("a", dir.file("a")), "");
    ASSERT_TRUE(second.save(&error));

    RunManifest third;
    (void)third.begin(directory, "1");
    const json document = json::parse(third.text());
    ASSERT_EQ(document.at("previous_runs").size(), 2u);
    EXPECT_EQ(document["previous_runs"][0]["run_id"], first.runId());
    EXPECT_EQ(document["previous_runs"][1]["run_id"], second.runId());
    EXPECT_FALSE(document["previous_runs"][1].contains("previous_runs"));
    ASSERT_NE(outputNamed(document, "a"), nullptr);
    EXPECT_EQ((*outputNamed(document, "a"))["run_id"], first.runId());

    // A file this run recorded and that was changed since is not its output any more.
    ASSERT_TRUE(third.recordOutput("a", dir.file("a")));
    EXPECT_EQ(third.notProducedByThisRunBecause("a", dir.file("a")), "");
    ASSERT_TRUE(testsupport::writeFile(dir / "a", "two"));
    EXPECT_NE(third.notProducedByThisRunBecause("a", dir.file("a")).find("SHA-256"), std::string::npos);
}

TEST(RunManifestTest, AnUnusableManifestIsMovedAsideAndALaterSchemaIsKeptWhole) {
    testsupport::ScratchDir dir{"manifest_corrupt"};
    const std::string directory = dir.path().string() + "/";
    ASSERT_TRUE(testsupport::writeFile(dir / kManifestName, "{\"schema_version\": 1, \"run_id\": [}"));
    RunManifest manifest;
    const ManifestOpening opening = manifest.begin(directory, "1");
    EXPECT_TRUE(opening.corruptMovedAside);
    EXPECT_FALSE(opening.problem.empty());
    EXPECT_EQ(testsupport::readFile(dir / "manifest.json.corrupt"), "{\"schema_version\": 1, \"run_id\": [}");
    EXPECT_FALSE(fs::exists(dir / kManifestName));

    const std::string later = "{\"schema_version\":7,\"run_id\":\"x\",\"outputs\":[{\"name\":\"a\"}]}";
    ASSERT_TRUE(testsupport::writeFile(dir / kManifestName, later));
    const ManifestOpening kept = manifest.begin(directory, "1");
    EXPECT_TRUE(kept.earlierRuns);
    EXPECT_TRUE(manifest.outputs().empty());
    EXPECT_EQ(json::parse(manifest.text())["previous_runs"][0], json::parse(later));
}

// The offline steps in a directory of their own, as upgrade-cli convert runs them.
class ManifestWorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string samples = std::string(PROJECT_SOURCE_DIR) + "/data/samples/";
        ASSERT_TRUE(testsupport::writeFile(dir / kSavedOldConfigName, testsupport::readFile(samples + "branch-5x.conf")));
        ASSERT_TRUE(testsupport::writeFile(dir / kNewInitConfigName, testsupport::readFile(samples + "init-60.conf")));
    }
    // One convert-and-merge run with a new workflow; pairing: how the front end ends the pairing.
    bool convertRun(PairingOutcome pairing = PairingOutcome::Closed) {
        QuietUi ui;
        UpgradeWorkflow workflow(ui);
        workflow.templateName = std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl";
        EXPECT_TRUE(workflow.startInWorkingDirectory(dir.path().string()));
        if (!workflow.convertOldConfig() || !workflow.mergeConfigs()) return false;
        const bool done = workflow.postprocessConfigs(workflow.interfacePairingRequired() ? pairing : PairingOutcome::Closed);
        runId = workflow.manifest().runId();
        screen = ui.screen;
        return done;
    }

    testsupport::ScratchDir dir{"manifest_workflow"};
    std::string runId;
    std::string screen;
};

TEST_F(ManifestWorkflowTest, ConvertAndMergeRecordTheirInputsOutputsPairingAndSteps) {
    ASSERT_TRUE(convertRun());
    const json manifest = readJson(dir / kManifestName);
    EXPECT_EQ(manifest["schema_version"], 1);
    EXPECT_EQ(manifest["run_id"], runId);
    EXPECT_EQ(manifest["template"]["sha256"],
              *files::sha256OfFile(std::string(PROJECT_SOURCE_DIR) + "/data/5xTo60.tpl"));
    std::vector<std::string> inputs;
    for (const json& file : manifest["inputs"]) inputs.push_back(file["name"]);
    EXPECT_EQ(inputs, (std::vector<std::string>{"5xTo60.tpl", kSavedOldConfigName, kNewInitConfigName}));
    for (const std::string& name : {std::string(kConvertedConfigName), std::string(kFinalConfigName),
                                   std::string(kReportJsonName), std::string(kReportHtmlName)}) {
        const json* output = outputNamed(manifest, name);
        ASSERT_NE(output, nullptr) << name;
        EXPECT_EQ((*output)["run_id"], runId);
        EXPECT_EQ((*output)["sha256"], *files::sha256OfFile((dir / name).string())) << name;
        EXPECT_EQ((*output)["size"], fs::file_size(dir / name)) << name;
    }
    EXPECT_FALSE(manifest["pairing"].empty());
    std::vector<std::string> steps;
    for (const json& step : manifest["steps"]) {
        steps.push_back(step["name"].get<std::string>() + ":" + step["outcome"].get<std::string>());
        EXPECT_EQ(step["ended"].get<std::string>().size(), 20u);
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"convert:done", "merge:done", "postprocess:done"}));
    EXPECT_EQ(fs::status(dir / kManifestName).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ManifestWorkflowTest, ASecondRunMovesTheFirstRunsOutputsAsideAndKeepsItsHistory) {
    ASSERT_TRUE(convertRun());
    const std::string firstFinal = testsupport::readFile(dir / kFinalConfigName);
    const std::string firstRun = runId;
    ASSERT_TRUE(testsupport::writeFile(dir / (std::string(kFinalConfigName) + ".previous"), "older"));
    ASSERT_TRUE(convertRun());
    for (const std::string& name : {std::string(kConvertedConfigName), std::string(kFinalConfigName),
                                   std::string(kReportJsonName), std::string(kReportHtmlName)}) {
        EXPECT_TRUE(fs::exists(dir / (name + ".previous"))) << name;
        EXPECT_NE(screen.find("Moved the earlier run's " + dir.file(name) + " aside to " + dir.file(name) + ".previous"),
                  std::string::npos)
            << screen;
    }
    EXPECT_EQ(testsupport::readFile(dir / (std::string(kFinalConfigName) + ".previous")), firstFinal);
    const json manifest = readJson(dir / kManifestName);
    ASSERT_EQ(manifest["previous_runs"].size(), 1u);
    EXPECT_EQ(manifest["previous_runs"][0]["run_id"], firstRun);
    const json* aside = outputNamed(manifest, std::string(kFinalConfigName) + ".previous");
    ASSERT_NE(aside, nullptr);
    EXPECT_EQ((*aside)["run_id"], firstRun);
    EXPECT_EQ((*outputNamed(manifest, kFinalConfigName))["run_id"], runId);
}

TEST_F(ManifestWorkflowTest, ARunThatStopsForPairingLeavesNoFinalConfiguration) {
    // The readdressed initial configuration leaves the old interfaces to be paired by someone.
    ASSERT_TRUE(testsupport::writeFile(
        dir / kNewInitConfigName,
        testsupport::readFile(std::string(PROJECT_SOURCE_DIR) + "/data/samples/init-60-readdressed.conf")));
    ASSERT_TRUE(testsupport::writeFile(dir / kFinalConfigName, "stale final\n"));
    EXPECT_FALSE(convertRun(PairingOutcome::Abandoned));
    EXPECT_FALSE(fs::exists(dir / kFinalConfigName));
    EXPECT_EQ(testsupport::readFile(dir / (std::string(kFinalConfigName) + ".previous")), "stale final\n");
    const json manifest = readJson(dir / kManifestName);
    EXPECT_EQ(manifest["steps"].back()["name"], "postprocess");
    EXPECT_EQ(manifest["steps"].back()["outcome"], "failed");
}

TEST_F(ManifestWorkflowTest, ACorruptManifestIsMovedAsideAndLogged) {
    ASSERT_TRUE(testsupport::writeFile(dir / kManifestName, "not json"));
    ASSERT_TRUE(convertRun());
    EXPECT_EQ(testsupport::readFile(dir / "manifest.json.corrupt"), "not json");
    EXPECT_NE(testsupport::readFile(dir / kLogFileName).find("manifest.json.corrupt and a new one was started"),
              std::string::npos);
    EXPECT_EQ(readJson(dir / kManifestName)["run_id"], runId);
}

}  // namespace
