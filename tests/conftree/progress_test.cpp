// Progress ticks reach the chosen observer with the kind and number of items done, beside the dots.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "conftree/config_tree.h"
#include "conftree/parse.h"
#include "conftree/progress.h"
#include "conftree/tree_state.h"

namespace {

class CountingObserver : public ProgressObserver {
public:
    void advanced(ProgressKind kind, long items) override { done[kind] += items; }
    std::map<ProgressKind, long> done;
};

TEST(ProgressTest, ObserverCountsCreatedAndWrittenLeavesInStepsOfTwenty) {
    std::ostringstream log;
    ConfigTree tree(log);
    CountingObserver observer;
    ProgressObserver* before = setProgressObserver(&observer);
    const long created = leafCount();
    std::string text;
    for (int i = 0; i < 100; ++i) text += "s_" + std::to_string(i) + "=v\n";
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (auto chain = parseLine(line)) tree.mergeNode(std::move(chain), false);
    }
    const long written = leafWriteCount();
    std::ostringstream out;
    ASSERT_TRUE(tree.save(out));
    EXPECT_EQ(setProgressObserver(before), &observer);

    EXPECT_EQ(observer.done[ProgressKind::LeavesCreated], ((created + 100) / 20 - created / 20) * 20);
    EXPECT_EQ(observer.done[ProgressKind::LinesWritten], ((written + 100) / 20 - written / 20) * 20);
    EXPECT_EQ(observer.done[ProgressKind::ScriptLinesRead], 0);
}

}  // namespace
