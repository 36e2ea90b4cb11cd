// The index of interface networks against the plain question asked of every network in turn, on
// random networks (nested, overlapping, repeated) and random ranges.
#include <gtest/gtest.h>

#include <random>

#include "report/review_facts.h"

TEST(NetworkIndex, AnswersAsAScanOfEveryNetworkWould) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        NetworkIndex index;
        std::vector<NetworkFacts> plain;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) {
            // Few distinct prefixes so that networks nest and repeat.
            const int length = 8 + static_cast<int>(random() % 4) * 8;
            const std::uint32_t mask = 0xFFFFFFFFu << (32 - length);
            const std::uint32_t first = (static_cast<std::uint32_t>(random() % 4) << 24 |
                                         static_cast<std::uint32_t>(random() % 3) << 16 |
                                         static_cast<std::uint32_t>(random() % 3) << 8) & mask;
            NetworkFacts network{{first, first | ~mask}, "eth" + std::to_string(i), ""};
            index.add(network);
            plain.push_back(network);
        }
        index.build();
        for (int q = 0; q < 50; ++q) {
            const std::uint32_t a = static_cast<std::uint32_t>(random() % 4) << 24 |
                                    static_cast<std::uint32_t>(random() % 3) << 16 |
                                    static_cast<std::uint32_t>(random() % 1024);
            const Ipv4Range range{a, a + static_cast<std::uint32_t>(random() % 70000)};
            bool expected = false;
            for (const NetworkFacts& network : plain) expected = expected || network.network.contains(range);
            const NetworkFacts* found = index.holding(range);
            ASSERT_EQ(found != nullptr, expected) << "round " << round << " query " << q;
            if (found != nullptr) {
                EXPECT_TRUE(found->network.contains(range));
            }
        }
    }
}

TEST(NetworkIndex, EmptyIndexHoldsNothingAndDevicesFindTheirFirstNetwork) {
    NetworkIndex index;
    index.build();
    EXPECT_EQ(index.holding({0, 0}), nullptr);
    index.add({{10u << 24, (10u << 24) | 0xFFFFFFu}, "eth1", "Inside"});
    index.add({{(11u << 24), (11u << 24) | 0xFFFFu}, "eth1", "Inside-voice"});
    index.build();
    ASSERT_NE(index.ofDevice("eth1"), nullptr);
    EXPECT_EQ(index.ofDevice("eth1")->name, "Inside");
    EXPECT_EQ(index.ofDevice("eth2"), nullptr);
    EXPECT_EQ(index.holding({(11u << 24) | 5u, (11u << 24) | 9u})->name, "Inside-voice");
    EXPECT_EQ(index.holding({(11u << 24), (12u << 24)}), nullptr);
}
