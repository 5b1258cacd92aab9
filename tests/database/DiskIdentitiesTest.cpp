// The table of record identities on disk against a plain map, over random filing, refiling
// and erasing of records from several node blocks (neighbouring addresses fill runs of the
// table, so erasing in the middle of a run must keep every later entry reachable).
#include "database/DiskIdentities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

DiskIdentities::Key keyOf(uint8_t typ, const char* id) {
    dbstype r{};
    r.typ = typ;
    std::strncpy(r.id, id, sizeof r.id);
    return DiskIdentities::of(r);
}

TEST(DiskIdentitiesTest, KeyIsTypeAndIdCutAt15Characters) {
    EXPECT_EQ(keyOf(3, "B1"), keyOf(3, "B1"));
    EXPECT_FALSE(keyOf(3, "B1") == keyOf(2, "B1"));
    EXPECT_FALSE(keyOf(3, "B1") == keyOf(3, "B10"));
    dbstype r{};
    r.typ = 5;
    std::memcpy(r.id, "ABCDEFGHIJKLMNOP", 16); // no terminator: 15 characters count
    const DiskIdentities::Key k = DiskIdentities::of(r);
    EXPECT_EQ(std::string(k.bytes + 1, 15), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(k, keyOf(5, "ABCDEFGHIJKLMNOXYZ"));
    EXPECT_EQ(k.bytes[0], 5);
}

TEST(DiskIdentitiesTest, AgreesWithAMapOverRandomChanges) {
    // Three blocks of records, as the list allocates them, one of them far from the others.
    std::vector<dbstype> a(3000), b(3000), c(100000);
    std::vector<const dbstype*> recs;
    for (auto* block : {&a, &b})
        for (const dbstype& r : *block)
            recs.push_back(&r);
    for (size_t i = c.size() - 2000; i < c.size(); ++i)
        recs.push_back(&c[i]);
    std::mt19937 rng(5);
    DiskIdentities table;
    std::map<const dbstype*, std::string> model;
    for (int step = 0; step < 200000; ++step) {
        const dbstype* r = recs[rng() % recs.size()];
        const int what = static_cast<int>(rng() % 10);
        if (what < 5) {
            char id[16];
            std::snprintf(id, sizeof id, "ID%d", static_cast<int>(rng() % 100000));
            const DiskIdentities::Key k = keyOf(static_cast<uint8_t>(1 + rng() % 6), id);
            table.set(r, k);
            model[r] = std::string(k.bytes, sizeof k.bytes);
        } else if (what < 8) {
            table.erase(r);
            model.erase(r);
        } else {
            const DiskIdentities::Key* found = table.find(r);
            const auto m = model.find(r);
            ASSERT_EQ(found != nullptr, m != model.end()) << step;
            if (found) {
                ASSERT_EQ(std::string(found->bytes, sizeof found->bytes), m->second) << step;
            }
        }
        if (step == 100000) { // emptied once on the way
            table.clear();
            model.clear();
        }
    }
    EXPECT_EQ(table.size(), model.size());
    for (const dbstype* r : recs) {
        const DiskIdentities::Key* found = table.find(r);
        ASSERT_EQ(found != nullptr, model.count(r) == 1);
        if (found) {
            EXPECT_EQ(std::string(found->bytes, sizeof found->bytes), model[r]);
        }
    }
    EXPECT_EQ(table.find(nullptr), nullptr);
}

} // namespace
