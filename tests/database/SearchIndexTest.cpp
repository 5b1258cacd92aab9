// The searches of the database through their indexes against plain walks of the chain:
// random sequences of appending, inserting, deleting, walking, writing the current record,
// sorting and searching, with ids sharing their first characters, equal ids of several
// types and numbered file names. Every search must find the element the walk finds (the
// first in list order, the type filter included) and Filnamn must choose the same name.
#include "tests/database/DbsFixtures.h"

#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace dbs_test;

namespace {

class WalkedDbs : public CHarnDbs {
public:
    using CHarnDbs::CHarnDbs;
    dbstype* pael() { return m_pael; }

    // The position and record the walk from the first element finds, or 0 and null.
    std::pair<int, dbstype*> walkId(int typ, const char* id) {
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos)
            if ((typ == 0 || n->rec.typ == typ) && std::strncmp(n->rec.id, id, 16) == 0 &&
                std::strlen(id) < 16)
                return {pos, &n->rec};
        return {0, nullptr};
    }
    std::pair<int, dbstype*> walkFilpos(int typ, long filpos) {
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos)
            if ((typ == 0 || n->rec.typ == typ) && n->rec.filpos == filpos)
                return {pos, &n->rec};
        return {0, nullptr};
    }
    std::vector<dbstype*> records() {
        std::vector<dbstype*> out;
        for (Node* n = m_forst; n; n = n->next)
            out.push_back(&n->rec);
        return out;
    }
    bool clash(const char* candidate) {
        for (Node* n = m_forst; n; n = n->next) {
            if (&n->rec == m_pael)
                continue;
            if (m_pael->typ != 0 && n->rec.typ != m_pael->typ)
                continue;
            if (std::strncmp(n->rec.filnamn, candidate, 9) == 0)
                return true;
        }
        return false;
    }
    // The name Filnamn chooses, by the passes over plain walks; "" when there is none.
    std::string walkFilnamn() {
        char name[9] = {};
        std::memcpy(name, m_pael->id, 8);
        UpperCaseSwedish(name);
        for (char* c = name; *c; ++c) {
            unsigned char u = static_cast<unsigned char>(*c);
            if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || u == '-')
                continue;
            *c = u == 197 || u == 196 ? 'A' : u == 214 ? 'O' : std::strchr("./\\:+", u) ? '-' : '_';
        }
        char candidate[16];
        std::snprintf(candidate, sizeof candidate, "%s", name);
        if (!clash(candidate))
            return candidate;
        long low = 1;
        for (int k = 1; k <= 8; ++k, low *= 10) {
            int pos = std::min(static_cast<int>(std::strlen(candidate)), 8 - k);
            std::string base(candidate, static_cast<size_t>(pos));
            for (long number = low; number < low * 10; ++number) {
                std::snprintf(candidate, sizeof candidate, "%s%ld", base.c_str(), number);
                if (!clash(candidate))
                    return candidate;
            }
        }
        return "";
    }
};

struct Script {
    std::mt19937 rng;
    explicit Script(unsigned seed) : rng(seed) {}
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    // Ids from a small pool: shared long stems, short ones, lower case, Swedish letters.
    std::string id() {
        static const char* stems[] = {"LONGSTEM", "LONGSTEMX", "B", "bh", "KÄRNA"_cp, "P.1"};
        std::string s = stems[pick(6)];
        if (pick(4))
            s += std::to_string(pick(12));
        return s;
    }
    dbstype record() {
        dbstype r{};
        r.typ = static_cast<uint8_t>(pick(7));
        std::snprintf(r.id, sizeof r.id, "%s", id().c_str());
        r.filpos = pick(3) ? 600 + 124 * pick(40) : 0;
        if (pick(3) == 0)
            std::snprintf(r.filnamn, sizeof r.filnamn, "LONGST%d", 1 + pick(9));
        return r;
    }
};

class SearchIndexTest : public DbsTest {};

TEST_F(SearchIndexTest, SearchesFindWhatTheWalkFinds) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Script s(seed);
        WalkedDbs d(proj.get(), &ini);
        int searches = 0;
        for (int step = 0; step < 2000; ++step) {
            const int op = s.pick(20);
            int count = 0;
            d.Where(&count);
            if (op < 5 || count == 0) {
                dbstype r = s.record();
                d.Ny(s.pick(3) ? 1 : 0, &r);
            } else if (op == 5) {
                d.DeletePost();
            } else if (op == 6) {
                d.Home();
                for (int k = s.pick(count); k > 0; --k)
                    d++;
            } else if (op == 7) {
                s.pick(2) ? d.End() : (d--, 0);
            } else if (op == 8) {
                // Written through the current record, as the classes and the host do.
                dbstype* r = d.Get_aktel();
                if (!r)
                    continue;
                const dbstype other = s.record();
                switch (s.pick(4)) {
                case 0:
                    std::memcpy(r->id, other.id, sizeof r->id);
                    break;
                case 1:
                    r->typ = other.typ;
                    break;
                case 2:
                    r->filpos = other.filpos;
                    break;
                default:
                    std::memcpy(r->filnamn, other.filnamn, sizeof r->filnamn);
                }
            } else if (op == 9) {
                const int key = s.pick(3);
                key == 0 ? d.Omsortera(1) : d.Sortera(key == 1 ? 1 : -1);
            } else if (op <= 12) {
                char id[32];
                std::snprintf(id, sizeof id, "%s", s.id().c_str());
                const int typ = s.pick(8);
                char upper[32];
                std::memcpy(upper, id, sizeof id);
                UpperCaseSwedish(upper);
                auto [pos, rec] = d.walkId(typ, upper);
                dbstype* before = d.Get_aktel();
                int at = d.Where(nullptr);
                ASSERT_EQ(d.Findid(typ, id), rec ? 0 : -1) << upper << " typ " << typ;
                EXPECT_STREQ(id, upper);
                ASSERT_EQ(d.Get_aktel(), rec ? rec : before);
                ASSERT_EQ(d.Where(nullptr), rec ? pos : at);
                ++searches;
            } else if (op == 13) {
                const long filpos = 600 + 124 * s.pick(40);
                const int typ = s.pick(8);
                auto [pos, rec] = d.walkFilpos(typ, filpos);
                dbstype* before = d.Get_aktel();
                ASSERT_EQ(d.Findobj(typ, filpos), rec ? 0 : -1);
                ASSERT_EQ(d.Get_aktel(), rec ? rec : before);
                if (rec) {
                    ASSERT_EQ(d.Where(nullptr), pos);
                }
                ++searches;
            } else if (op == 14) {
                auto recs = d.records();
                dbstype outside{};
                dbstype* wanted = s.pick(4) ? recs[static_cast<size_t>(s.pick(count))] : &outside;
                dbstype* before = d.Get_aktel();
                int at = d.Where(nullptr);
                const int r = d.FindNuel(reinterpret_cast<unsigned long>(wanted));
                ASSERT_EQ(r, wanted == &outside ? -1 : 0);
                ASSERT_EQ(d.Get_aktel(), r == 0 ? wanted : before);
                if (r == 0) {
                    size_t pos = 0;
                    while (recs[pos] != wanted)
                        ++pos;
                    ASSERT_EQ(d.Where(nullptr), static_cast<int>(pos) + 1);
                } else {
                    ASSERT_EQ(d.Where(nullptr), at);
                }
                ++searches;
            } else {
                // New objects in a row, each given a file name, as the host creates them.
                for (int k = s.pick(6); k >= 0; --k) {
                    if (s.pick(2)) {
                        dbstype r = s.record();
                        r.filnamn[0] = 0;
                        d.Ny(1, &r);
                    }
                    if (!d.Get_aktel())
                        break;
                    const std::string expect = d.walkFilnamn();
                    ASSERT_EQ(d.Filnamn(), expect.empty() ? -1 : 0);
                    if (!expect.empty()) {
                        ASSERT_STREQ(d.Get_aktel()->filnamn, expect.c_str());
                    }
                    ++searches;
                }
            }
        }
        EXPECT_GT(searches, 500);
    }
}

// The names a thousand objects with one long stem get: the numbers in order, the stem cut
// as the number grows, a name freed by a deletion used again.
TEST_F(SearchIndexTest, NumberedNamesOfOneStem) {
    WalkedDbs d(proj.get(), &ini);
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        dbstype r{};
        r.typ = 3;
        std::snprintf(r.id, sizeof r.id, "LONGSTEM%d", i);
        d.Ny(1, &r);
        ASSERT_EQ(d.Filnamn(), 0);
        names.push_back(d.Get_aktel()->filnamn);
    }
    EXPECT_EQ(names[0], "LONGSTEM");
    EXPECT_EQ(names[1], "LONGSTE1");
    EXPECT_EQ(names[9], "LONGSTE9");
    EXPECT_EQ(names[10], "LONGST10");
    EXPECT_EQ(names[99], "LONGST99"); // 1..9 then 10..99: the 99th numbered name
    EXPECT_EQ(names[100], "LONGS100");
    EXPECT_EQ(names[500], "LONGS500");
    EXPECT_EQ(names[999], "LONGS999");
    // The 501st record goes: its name is the first free one again.
    d.Home();
    for (int i = 0; i < 500; ++i)
        d++;
    EXPECT_STREQ(d.Get_aktel()->filnamn, "LONGS500");
    d.DeletePost();
    dbstype r{};
    r.typ = 3;
    std::snprintf(r.id, sizeof r.id, "LONGSTEMNEW");
    d.Ny(1, &r);
    ASSERT_EQ(d.Filnamn(), 0);
    EXPECT_STREQ(d.Get_aktel()->filnamn, "LONGS500");
    // A record of another type clashes with none of them.
    r.typ = 4;
    d.Ny(1, &r);
    ASSERT_EQ(d.Filnamn(), 0);
    EXPECT_STREQ(d.Get_aktel()->filnamn, "LONGSTEM");
}

// The current record stays watched after a search that leaves it current: a write to it is
// seen by the next search. Deleting a record takes it out of every index.
TEST_F(SearchIndexTest, WritesAfterASearchAndDeletionsAreSeen) {
    WalkedDbs d(proj.get(), &ini);
    for (const char* id : {"A", "B", "C"}) {
        dbstype r{};
        r.typ = 3;
        r.filpos = 600;
        std::snprintf(r.id, sizeof r.id, "%s", id);
        d.Ny(1, &r);
    }
    char a[16] = "a", b[16] = "B", none[16] = "ZZ", renamed[16] = "D";
    ASSERT_EQ(d.Findid(0, a), 0); // walks
    ASSERT_EQ(d.Findid(0, b), 0); // builds the index
    ASSERT_EQ(d.Findid(0, none), -1);
    // B, still current, written as the classes write it: through m_pael.
    std::strcpy(d.pael()->id, "D");
    d.pael()->filpos = 724;
    ASSERT_EQ(d.Findid(3, renamed), 0);
    EXPECT_EQ(d.Where(nullptr), 2);
    ASSERT_EQ(d.Findid(0, b), -1);
    ASSERT_EQ(d.Findobj(0, 724), 0); // walks
    EXPECT_EQ(d.Where(nullptr), 2);
    ASSERT_EQ(d.Findobj(3, 600), 0); // builds: A, the first at 600
    EXPECT_STREQ(d.Get_aktel()->id, "A");
    d.DeletePost();
    ASSERT_EQ(d.Findobj(0, 600), 0);
    EXPECT_STREQ(d.Get_aktel()->id, "C");
    EXPECT_EQ(d.Where(nullptr), 2);
    ASSERT_EQ(d.Findid(0, a), -1);
}

} // namespace
