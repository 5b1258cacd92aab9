// The record index against a plain map over random filing, refiling and dropping: few
// distinct keys (so several nodes share one), keys of every length up to the longest and
// with zero bytes, and enough nodes that the tables grow and erasing shifts probe runs
// that wrap around the end of the slot array.
#include "list/RecordIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

struct Node {
    int n;
};

std::string randomKey(std::mt19937& rng) {
    const size_t length = rng() % (RecordIndex<Node>::kMaxKey + 1);
    std::string key(length, '\0');
    for (char& c : key)
        c = static_cast<char>(rng() % 3); // zero bytes included; few distinct keys per length
    return key;
}

TEST(RecordIndexTest, AgreesWithAMapOverRandomChanges) {
    std::vector<Node> nodes(3000);
    std::mt19937 rng(11);
    RecordIndex<Node> index;
    std::map<Node*, std::pair<std::string, uint32_t>> model;
    for (int step = 0; step < 300000; ++step) {
        Node* n = &nodes[rng() % nodes.size()];
        const auto had = model.find(n);
        if (rng() % 3 != 0) {
            const std::string key = randomKey(rng);
            const uint32_t tag = rng() % 2;
            std::string left = "unset";
            const bool moved = index.put(n, key, tag, &left);
            const bool changed =
                had != model.end() && (had->second.first != key || had->second.second != tag);
            ASSERT_EQ(moved, changed) << "step " << step;
            if (changed) {
                ASSERT_EQ(left, had->second.first);
            }
            model[n] = {key, tag};
        } else {
            std::string left;
            ASSERT_EQ(index.drop(n, &left), had != model.end()) << "step " << step;
            if (had != model.end()) {
                ASSERT_EQ(left, had->second.first);
                model.erase(had);
            }
        }
        if (step % 1000 != 0)
            continue;
        // Every key's nodes, as a set, against the model.
        std::map<std::string, std::set<Node*>> byKey;
        for (const auto& [node, filed] : model)
            byKey[filed.first].insert(node);
        for (int probe = 0; probe < 50; ++probe) {
            const std::string key = randomKey(rng);
            const auto* found = index.find(key);
            const auto want = byKey.find(key);
            if (want == byKey.end()) {
                ASSERT_EQ(found, nullptr) << "step " << step;
                continue;
            }
            ASSERT_NE(found, nullptr) << "step " << step;
            std::set<Node*> got(found->begin(), found->end());
            ASSERT_EQ(static_cast<size_t>(found->end() - found->begin()), got.size());
            ASSERT_EQ(got, want->second) << "step " << step;
        }
    }
    EXPECT_EQ(index.find(std::string(RecordIndex<Node>::kMaxKey + 1, '\0')), nullptr);
    index.clear();
    EXPECT_EQ(index.find(model.begin()->second.first), nullptr);
}

} // namespace
