// The processor as the converters' owner and context: its converter operations share one set of
// records and hand each converter the records of the others it needs; fault lines carry the script
// line read last, settings are added as add_leaf adds them and notes go to the warnings stream; the
// counts for the front ends are the numbers of those records.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "conftree/conftree.h"
#include "template/template_processor.h"

namespace {

class ConverterOperationsTest : public ::testing::Test {
protected:
    static void add(ConfigTree& tree, std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) {
            if (auto chain = parseLine(line, 0)) tree.mergeNode(std::move(chain), false);
        }
    }

    // The log lines written since the last call.
    std::vector<std::string> takeLog() {
        std::vector<std::string> lines;
        std::istringstream in(log.str());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        log.str("");
        return lines;
    }

    void useScript(const std::string& script) {
        processor = std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(script),
                                                        "test.tpl", "./");
    }

    std::ostringstream log;
    std::ostringstream warnings;
    ConfigTree oldTree{log};
    ConfigTree newTree{log};
    std::unique_ptr<TemplateProcessor> processor{
        std::make_unique<TemplateProcessor>(log, warnings, std::make_unique<std::istringstream>(""), "test.tpl", "./")};
};

TEST_F(ConverterOperationsTest, ProcessorOperationsShareOneObjectList) {
    const NetObjectRef created = processor->createNetObject(kNetPattern, "10.*", "d");
    EXPECT_EQ(created.name, "net_pattern_10-any");
    EXPECT_TRUE(processor->netObjectExists(kNetPattern, "net_pattern_10-any"));
    EXPECT_EQ(processor->lookupNetObject(kNetPattern, "10.*").name, "net_pattern_10-any");
    std::string port;
    EXPECT_EQ(processor->convertAddr("10.*", port, ""), "net_pattern_10-any");
    EXPECT_EQ(processor->getNetObject(kNetIpNet, "10.0.0.0", "255.0.0.0", ""), "net_ipnet_10-0-0-0-ipmask-class-a");
    EXPECT_EQ(processor->createCompoundNetObject(kNetIpRange, "x", "a", "b", ""), "net_iprange_x");
    EXPECT_EQ(processor->netObjects().size(), 8u);
}

}  // namespace
