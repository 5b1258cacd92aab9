// list0: positions, results and exceptions of every operation, both sorts' stability, and
// records that stay where they are while the chain is relinked.
#include "list/list0.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Rec {
    int32_t key;
    int32_t tag;
    char name[12];
    double value;
};

Rec rec(int key, int tag = 0) {
    Rec r{};
    r.key = key;
    r.tag = tag;
    std::snprintf(r.name, sizeof r.name, "k%d-%d", key, tag);
    r.value = key * 1.5;
    return r;
}

// A list ordered by key (ascending, or descending for key -1); equal keys give 0. Counts
// the comparisons and checks that each one sees two distinct records.
class KeyList : public list0<Rec> {
public:
    int calls = 0;
    bool badOperands = false;

    int add(int key, int tag = 0) {
        Rec r = rec(key, tag);
        return Ny(1, &r);
    }
    // Keys from the first to the last node, following the links without moving anything.
    std::vector<int> keys() const {
        std::vector<int> out;
        for (Node* n = m_forst; n; n = n->next)
            out.push_back(n->rec.key);
        return out;
    }
    std::vector<int> tags() const {
        std::vector<int> out;
        for (Node* n = m_forst; n; n = n->next)
            out.push_back(n->rec.tag);
        return out;
    }
    // The chain agrees with itself: back links mirror forward links, the ends are right
    // and the count is the number of nodes.
    ::testing::AssertionResult chainIsSound() const {
        int count = 0;
        Node* prev = nullptr;
        for (Node* n = m_forst; n; n = n->next) {
            if (n->prev != prev)
                return ::testing::AssertionFailure() << "back link wrong at node " << count + 1;
            prev = n;
            ++count;
        }
        if (count != m_antal)
            return ::testing::AssertionFailure() << count << " nodes, count says " << m_antal;
        if (count > 0 && m_sist != prev)
            return ::testing::AssertionFailure() << "last node wrong";
        if (count == 0 && (m_aktel || m_forst))
            return ::testing::AssertionFailure() << "empty list keeps a node";
        return ::testing::AssertionSuccess();
    }
    // Position of the current node in the chain, 0 when there is none.
    int actualPosition() const {
        int pos = 1;
        for (Node* n = m_forst; n; n = n->next, ++pos)
            if (n == m_aktel)
                return pos;
        return 0;
    }
    const Rec* current() const { return m_pael; }
    const Rec* sortMark() const { return m_pmark; }
    void setCount(int n) { m_antal = n; }
    int count() const { return m_antal; }

protected:
    int Sortval(int key) override {
        ++calls;
        if (!m_pael || !m_pmark || m_pael == m_pmark)
            badOperands = true;
        if (key == -1)
            return m_pael->key < m_pmark->key ? 1 : 0;
        return m_pael->key > m_pmark->key ? 1 : 0;
    }
};

// Uses the base order (always 0).
class PlainList : public list0<Rec> {
public:
    void add(int key) {
        Rec r = rec(key);
        Ny(1, &r);
    }
    std::vector<int> keys() const {
        std::vector<int> out;
        for (Node* n = m_forst; n; n = n->next)
            out.push_back(n->rec.key);
        return out;
    }
};

KeyList& fill(KeyList& l, const std::vector<int>& keys) {
    for (size_t i = 0; i < keys.size(); ++i)
        l.add(keys[i], static_cast<int>(i));
    return l;
}

int where(KeyList& l) {
    return l.Where(nullptr);
}
int countOf(KeyList& l) {
    int n = -5;
    l.Where(&n);
    return n;
}

TEST(List0Empty, EveryOperationReportsNothingToActOn) {
    KeyList l;
    int n = 99;
    EXPECT_EQ(l.Where(&n), -1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(l.Home(), -1);
    EXPECT_EQ(l.End(), -1);
    EXPECT_EQ(l.Delete(), -1);
    EXPECT_EQ(l.Sortera(1), -1);
    EXPECT_EQ(l.Omsortera(1), -1);
    EXPECT_EQ(l++, nullptr);
    EXPECT_EQ(l--, nullptr);
    EXPECT_EQ(l.Get_aktel(), nullptr);
    EXPECT_EQ(l.Set_pael(), -1);
    Rec r = rec(1);
    EXPECT_EQ(l.Set_aktel(&r), -1);
    EXPECT_EQ(l.Set_mark(), 0);
    EXPECT_EQ(l.Goto_mark(), -1);
    EXPECT_EQ(l.calls, 0);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Empty, NyAppendsOneZeroRecordAtPositionOne) {
    KeyList l;
    // Leave a freed node with contents behind so a missing clear would show.
    {
        KeyList scratch;
        fill(scratch, {7, 8, 9});
    }
    EXPECT_EQ(l.Ny(1, nullptr), 0);
    int n = 0;
    EXPECT_EQ(l.Where(&n), 1);
    EXPECT_EQ(n, 1);
    Rec* r = l.Get_aktel();
    ASSERT_NE(r, nullptr);
    Rec zero{};
    EXPECT_EQ(std::memcmp(r, &zero, sizeof zero), 0);
}

TEST(List0Empty, InsertOnEmptyListAddsTheFirstElement) {
    KeyList l;
    Rec r = rec(5);
    EXPECT_EQ(l.Ny(0, &r), 0);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.keys(), std::vector<int>{5});
    EXPECT_EQ(l.Insert(), 0);
    EXPECT_EQ(countOf(l), 2);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0One, SortsReturnZeroWithoutComparing) {
    KeyList l;
    l.add(3);
    EXPECT_EQ(l.Sortera(1), 0);
    EXPECT_EQ(l.Omsortera(1), 0);
    EXPECT_EQ(l.calls, 0);
    EXPECT_EQ(l++, nullptr);
    EXPECT_EQ(l--, nullptr);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.Get_aktel()->key, 3);
}

TEST(List0Walk, HomeEndAndStepsTrackThePosition) {
    KeyList l;
    fill(l, {10, 20, 30, 40});
    EXPECT_EQ(where(l), 4); // the last added is current
    EXPECT_EQ(l.Home(), 0);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.Get_aktel()->key, 10);
    std::vector<int> seen{l.Get_aktel()->key};
    while (l++)
        seen.push_back(l.Get_aktel()->key);
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30, 40}));
    // ++ on the last returns null and leaves it current.
    EXPECT_EQ(where(l), 4);
    EXPECT_EQ(l.Get_aktel()->key, 40);
    EXPECT_EQ(l--, &l);
    EXPECT_EQ(where(l), 3);
    EXPECT_EQ(l.Get_aktel()->key, 30);
    EXPECT_EQ(l.End(), 0);
    EXPECT_EQ(where(l), 4);
    EXPECT_EQ(l.Home(), 0);
    EXPECT_EQ(l--, nullptr);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.Get_aktel()->key, 10);
}

TEST(List0Add, ReturnsHowFarTheCurrentElementMoved) {
    KeyList l;
    EXPECT_EQ(l.Add(), 0);
    EXPECT_EQ(l.Add(), 1);
    EXPECT_EQ(l.Add(), 1);
    l.Home();
    EXPECT_EQ(l.Add(), 3); // from position 1 to the new fourth
    EXPECT_EQ(where(l), 4);
    l.Home();
    l++;
    EXPECT_EQ(l.Add(), 3); // from 2 to 5
    EXPECT_EQ(countOf(l), 5);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Insert, NewElementTakesThePositionOfTheCurrentOne) {
    KeyList l;
    fill(l, {1, 2, 3, 4});
    l.Home();
    l++;
    l++;
    ASSERT_EQ(where(l), 3);
    Rec r = rec(99);
    EXPECT_EQ(l.Ny(0, &r), 0);
    EXPECT_EQ(where(l), 3);
    EXPECT_EQ(l.Get_aktel()->key, 99);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 2, 99, 3, 4}));
    l++;
    EXPECT_EQ(where(l), 4);
    EXPECT_EQ(l.Get_aktel()->key, 3);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Insert, BeforeTheFirstBecomesTheFirst) {
    KeyList l;
    fill(l, {1, 2});
    l.Home();
    EXPECT_EQ(l.Insert(), 0);
    l.Get_aktel()->key = 0;
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.keys(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(l--, nullptr);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Ny, ModeOneAppendsAnyOtherModeInserts) {
    KeyList l;
    fill(l, {1, 2});
    l.Home();
    Rec r = rec(7);
    EXPECT_EQ(l.Ny(5, &r), 0);
    r = rec(8);
    EXPECT_EQ(l.Ny(-1, &r), 0);
    r = rec(9);
    EXPECT_EQ(l.Ny(1, &r), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{8, 7, 1, 2, 9}));
    EXPECT_EQ(where(l), 5);
}

TEST(List0Ny, CopiesTheWholeRecordIntoANodeOfItsOwn) {
    KeyList l;
    Rec r = rec(42, 17);
    r.value = 3.25;
    l.Ny(1, &r);
    Rec* in = l.Get_aktel();
    EXPECT_NE(in, &r);
    EXPECT_EQ(std::memcmp(in, &r, sizeof r), 0);
    r.key = 0; // the list keeps its own copy
    EXPECT_EQ(in->key, 42);
}

TEST(List0Delete, FirstMakesTheSecondCurrentAtPositionOne) {
    KeyList l;
    fill(l, {1, 2, 3});
    l.Home();
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.Get_aktel()->key, 2);
    EXPECT_EQ(countOf(l), 2);
    EXPECT_EQ(l.keys(), (std::vector<int>{2, 3}));
    EXPECT_EQ(l--, nullptr);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Delete, MiddleMakesTheNextCurrentAtTheSamePosition) {
    KeyList l;
    fill(l, {1, 2, 3, 4});
    l.Home();
    l++;
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(where(l), 2);
    EXPECT_EQ(l.Get_aktel()->key, 3);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(l--, &l);
    EXPECT_EQ(l.Get_aktel()->key, 1);
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Delete, LastMakesThePreviousCurrentOnePositionLower) {
    KeyList l;
    fill(l, {1, 2, 3});
    l.End();
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(where(l), 2);
    EXPECT_EQ(l.Get_aktel()->key, 2);
    EXPECT_EQ(l++, nullptr);
    EXPECT_EQ(l.End(), 0);
    EXPECT_EQ(l.Get_aktel()->key, 2);
    EXPECT_TRUE(l.chainIsSound());
    // Appending after that links to the new last element.
    l.add(5);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 2, 5}));
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Delete, OnlyElementLeavesAnEmptyList) {
    KeyList l;
    l.add(1);
    EXPECT_EQ(l.Delete(), -1);
    int n = 5;
    EXPECT_EQ(l.Where(&n), -1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(l.Home(), -1);
    EXPECT_EQ(l.Get_aktel(), nullptr);
    EXPECT_TRUE(l.chainIsSound());
    // The list is usable again.
    l.add(2);
    EXPECT_EQ(where(l), 1);
    EXPECT_EQ(l.keys(), std::vector<int>{2});
}

TEST(List0Delete, EveryElementOneByOneFromTheFront) {
    KeyList l;
    fill(l, {1, 2, 3, 4, 5});
    l.Home();
    for (int left = 4; left >= 1; --left) {
        EXPECT_EQ(l.Delete(), 0);
        EXPECT_EQ(countOf(l), left);
        EXPECT_EQ(where(l), 1);
        EXPECT_TRUE(l.chainIsSound());
    }
    EXPECT_EQ(l.Delete(), -1);
}

TEST(List0Delete, MarkedElementClearsTheMark) {
    KeyList l;
    fill(l, {1, 2, 3});
    l.Home();
    l++;
    l.Set_mark();
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(l.sortMark(), nullptr);
    EXPECT_EQ(l.Goto_mark(), -1);
    // The current element stays where Delete put it.
    EXPECT_EQ(where(l), 2);
    EXPECT_EQ(l.Get_aktel()->key, 3);
}

TEST(List0Delete, AnotherElementKeepsTheMarkAndGotoMarkFindsItsNewPosition) {
    KeyList l;
    fill(l, {1, 2, 3, 4});
    l.End();
    l.Set_mark(); // 4
    l.Home();
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(l.Goto_mark(), 0);
    EXPECT_EQ(where(l), 3);
    EXPECT_EQ(l.Get_aktel()->key, 4);
}

TEST(List0Mark, GotoMarkWalksToTheMarkedElement) {
    KeyList l;
    fill(l, {1, 2, 3, 4});
    l.Home();
    l++;
    l++;
    EXPECT_EQ(l.Set_mark(), 0);
    EXPECT_EQ(l.sortMark(), l.Get_aktel());
    l.Home();
    Rec r = rec(0);
    l.Ny(0, &r); // one more in front of it
    EXPECT_EQ(l.Goto_mark(), 0);
    EXPECT_EQ(where(l), 4);
    EXPECT_EQ(l.Get_aktel()->key, 3);
}

TEST(List0SetAktel, FindsARecordByAddressNotByContents) {
    KeyList l;
    fill(l, {1, 2, 3});
    l.Home();
    l++;
    Rec* second = l.Get_aktel();
    Rec copy = *second;
    l.Home();
    EXPECT_EQ(l.Set_aktel(second), 0);
    EXPECT_EQ(l.Get_aktel(), second);
    EXPECT_EQ(where(l), 2);
    EXPECT_EQ(l.Set_aktel(&copy), -1);
    EXPECT_EQ(l.Get_aktel(), nullptr);
    EXPECT_EQ(where(l), 0); // not empty, but no current element
    EXPECT_EQ(countOf(l), 3);
    EXPECT_EQ(l++, nullptr);
}

TEST(List0SetAktel, WithoutACurrentElementInsertAndDeleteDoNothing) {
    KeyList l;
    fill(l, {1, 2, 3});
    Rec elsewhere = rec(1);
    ASSERT_EQ(l.Set_aktel(&elsewhere), -1);
    EXPECT_EQ(l.Insert(), -1);
    EXPECT_EQ(l.Ny(0, &elsewhere), -1);
    EXPECT_EQ(l.Delete(), -1);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(l.chainIsSound());
    // Positioning again makes everything work.
    EXPECT_EQ(l.Home(), 0);
    EXPECT_EQ(l.Delete(), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{2, 3}));
}

TEST(List0Sortera, OrdersByTheDerivedComparison) {
    KeyList l;
    fill(l, {5, 3, 9, 1, 7});
    EXPECT_EQ(l.Sortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 3, 5, 7, 9}));
    EXPECT_TRUE(l.chainIsSound());
    EXPECT_FALSE(l.badOperands);
    EXPECT_EQ(l.Sortera(-1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{9, 7, 5, 3, 1}));
    EXPECT_TRUE(l.chainIsSound());
    // Home and End find the new ends.
    l.Home();
    EXPECT_EQ(l.Get_aktel()->key, 9);
    l.End();
    EXPECT_EQ(l.Get_aktel()->key, 1);
}

TEST(List0Sortera, EqualKeysKeepTheirOrder) {
    KeyList l;
    fill(l, {2, 1, 2, 1, 2, 0, 1});
    EXPECT_EQ(l.Sortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{0, 1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(l.tags(), (std::vector<int>{5, 1, 3, 6, 0, 2, 4}));
    EXPECT_EQ(l.Sortera(-1), 0);
    EXPECT_EQ(l.tags(), (std::vector<int>{0, 2, 4, 1, 3, 6, 5}));
}

TEST(List0Sortera, RecordsStayPutAndCurrentAndMarkFollowThem) {
    KeyList l;
    fill(l, {4, 3, 2, 1});
    std::vector<Rec*> addresses;
    l.Home();
    do
        addresses.push_back(l.Get_aktel());
    while (l++);
    l.Home();
    l.Set_mark(); // key 4, will be last
    l++;          // key 3, position 2 -> 3
    Rec* current = l.Get_aktel();
    ASSERT_EQ(l.Sortera(1), 0);
    for (size_t i = 0; i < addresses.size(); ++i)
        EXPECT_EQ(addresses[i]->key, 4 - static_cast<int>(i));
    EXPECT_EQ(l.Get_aktel(), current);
    EXPECT_EQ(l.current(), current);
    EXPECT_EQ(where(l), 3);
    EXPECT_EQ(l.sortMark(), addresses[0]);
    EXPECT_EQ(l.Goto_mark(), 0);
    EXPECT_EQ(l.Get_aktel(), addresses[0]);
    EXPECT_EQ(where(l), 4);
    // Walking goes through the same addresses in sorted order.
    l.Home();
    std::vector<Rec*> walked;
    do
        walked.push_back(l.Get_aktel());
    while (l++);
    EXPECT_EQ(walked, (std::vector<Rec*>{addresses[3], addresses[2], addresses[1], addresses[0]}));
}

TEST(List0Sortera, ComparesEachPairRoughlyOncePerPass) {
    KeyList l;
    fill(l, {3, 1, 2, 5, 4});
    l.Sortera(1);
    // Passes over 5, 4, 3, 2, 1 unranked elements compare 4 + 3 + 2 + 1 + 0 times.
    EXPECT_EQ(l.calls, 10);
}

TEST(List0Sortera, BaseComparisonNeverReorders) {
    PlainList l;
    for (int k : {3, 1, 2, 0})
        l.add(k);
    EXPECT_EQ(l.Sortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_EQ(l.Omsortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{3, 1, 2, 0}));
}

TEST(List0Sortera, ChainShorterThanTheCountRaisesAndKeepsTheChain) {
    KeyList l;
    fill(l, {3, 1, 2});
    l.setCount(4);
    try {
        l.Sortera(1);
        FAIL() << "no exception";
    } catch (const CString& e) {
        EXPECT_STREQ(e, "Sorteringfel ! 3 st av 4");
    }
    l.setCount(3);
    EXPECT_EQ(l.keys(), (std::vector<int>{3, 1, 2}));
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Omsortera, OrdersStablyInPlace) {
    KeyList l;
    fill(l, {2, 1, 2, 1, 2, 0, 1});
    EXPECT_EQ(l.Omsortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{0, 1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(l.tags(), (std::vector<int>{5, 1, 3, 6, 0, 2, 4}));
    EXPECT_TRUE(l.chainIsSound());
    EXPECT_FALSE(l.badOperands);
    // The position reported is that of the element left current.
    EXPECT_EQ(where(l), l.actualPosition());
    l.Home();
    EXPECT_EQ(l.Get_aktel()->key, 0);
}

TEST(List0Omsortera, OneChangedRecordMovesToItsPlace) {
    KeyList l;
    fill(l, {1, 2, 3, 4, 5});
    l.Home();
    l++;
    l.Get_aktel()->key = 9; // now 1 9 3 4 5
    EXPECT_EQ(l.Omsortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 3, 4, 5, 9}));
    l.add(0);
    EXPECT_EQ(l.Omsortera(1), 0);
    EXPECT_EQ(l.keys(), (std::vector<int>{0, 1, 3, 4, 5, 9}));
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Omsortera, ChainShorterThanTheCountRaises) {
    KeyList l;
    fill(l, {3, 1, 2});
    l.setCount(4);
    try {
        l.Omsortera(1);
        FAIL() << "no exception";
    } catch (const CString& e) {
        EXPECT_STREQ(e, "Fel i sortering\nAntal poster 4\nSorterade 3");
    }
    l.setCount(3);
    EXPECT_TRUE(l.chainIsSound());
}

// Says "out of order" for the first comparison only, so the element taken out finds no
// place in the prefix.
class FickleList : public KeyList {
protected:
    int Sortval(int) override { return ++calls == 1 ? 1 : 0; }
};

TEST(List0Omsortera, NoPlaceForAnElementRaisesAndPutsItBack) {
    FickleList l;
    fill(l, {1, 2, 3});
    try {
        l.Omsortera(1);
        FAIL() << "no exception";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Internt sorteringsfel i Todbs::Sortera");
    }
    EXPECT_EQ(l.keys(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(l.chainIsSound());
}

TEST(List0Sorts, AgreeWithAStableSortOnRandomLists) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        int n = 2 + static_cast<int>(rng() % 30);
        std::vector<int> keys(static_cast<size_t>(n));
        for (int& k : keys)
            k = static_cast<int>(rng() % 6);
        std::vector<std::pair<int, int>> expect;
        for (int i = 0; i < n; ++i)
            expect.push_back({keys[static_cast<size_t>(i)], i});
        std::stable_sort(expect.begin(), expect.end(),
                         [](auto& a, auto& b) { return a.first < b.first; });
        std::vector<int> expectTags;
        for (auto& e : expect)
            expectTags.push_back(e.second);

        KeyList a;
        fill(a, keys);
        a.Sortera(1);
        EXPECT_EQ(a.tags(), expectTags) << "Sortera, round " << round;
        EXPECT_TRUE(a.chainIsSound());
        KeyList b;
        fill(b, keys);
        b.Omsortera(1);
        EXPECT_EQ(b.tags(), expectTags) << "Omsortera, round " << round;
        EXPECT_TRUE(b.chainIsSound());
        EXPECT_EQ(b.Where(nullptr), b.actualPosition());
    }
}

TEST(List0Copy, CopyAndAssignmentAreRefused) {
    KeyList a;
    a.add(1);
    try {
        KeyList b(a);
        FAIL() << "copied";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Internt fel (Initiering list0)");
    }
    KeyList c;
    try {
        c = a;
        FAIL() << "assigned";
    } catch (const char* e) {
        EXPECT_STREQ(e, "Internt fel (Tilldelning list0)");
    }
    EXPECT_EQ(a.keys(), std::vector<int>{1});
}

} // namespace
