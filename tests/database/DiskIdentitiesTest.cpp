// The identity on disk of a record: its type byte and id. (The table that holds them is the
// one of the record index, tested there against a map.)
#include "database/DiskIdentities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

} // namespace
