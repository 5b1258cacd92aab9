// The sorts of list0 against plain copies of the selection by rank (Sortera) and the
// insertion in place (Omsortera), over random lists with many equal keys and every kind of
// order the library's classes give: strict ones (equal keys 0), ones that give 1 for equal
// keys, two-level ones, the base order, an order that always says "after", and numbers
// among which some are NaN (no order of keys at all: the passes themselves are followed).
#include "list/list0.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct Rec {
    int32_t key;
    int32_t tag;
    char name[4];
    double value; // the key as a number, or NaN now and then
};

enum class Order {
    Ascending,
    AscendingTiesAfter,
    Descending,
    DescendingTiesAfter,
    KeyThenName,
    Base,
    AlwaysAfter,
    NumbersWithNaN // by value: a NaN is never after anything nor anything after it
};

// Whether record `akt` belongs after record `mark` (Sortval's answer > 0).
bool after(Order o, const Rec& akt, const Rec& mark) {
    switch (o) {
    case Order::Ascending:
        return akt.key > mark.key;
    case Order::AscendingTiesAfter:
        return akt.key >= mark.key;
    case Order::Descending:
        return akt.key < mark.key;
    case Order::DescendingTiesAfter:
        return akt.key <= mark.key;
    case Order::KeyThenName:
        return akt.key > mark.key || (akt.key == mark.key && std::string(akt.name) > mark.name);
    case Order::Base:
        return false;
    case Order::AlwaysAfter:
        return true;
    case Order::NumbersWithNaN:
        return akt.value > mark.value;
    }
    return false;
}

class OrderedList : public list0<Rec> {
public:
    Order order = Order::Ascending;
    std::vector<int> tags() const {
        std::vector<int> out;
        for (Node* p = m_forst; p; p = p->next)
            out.push_back(p->rec.tag);
        return out;
    }
    int currentTag() const { return m_pael ? m_pael->tag : -1; }
    int markTag() const { return m_pmark ? m_pmark->tag : -1; }
    bool linksWhole() const {
        int n = 0;
        Node* prev = nullptr;
        for (Node* p = m_forst; p; prev = p, p = p->next, ++n)
            if (p->prev != prev)
                return false;
        return n == m_antal && m_sist == prev;
    }

protected:
    int Sortval(int) override { return after(order, *m_pael, *m_pmark) ? 1 : 0; }
    // As the tunnel classes answer: no order of keys while a value is no number.
    bool SortvalOrders(int) override {
        for (Node* p = m_forst; p; p = p->next)
            if (order == Order::NumbersWithNaN && std::isnan(p->rec.value))
                return false;
        return true;
    }
};

// The selection by rank, as a straightforward copy: each pass keeps the first unranked
// element as the best and replaces it by a later one only when the best belongs after it.
std::vector<int> selectionOrder(Order o, const std::vector<Rec>& recs) {
    const size_t n = recs.size();
    std::vector<bool> ranked(n, false);
    std::vector<int> out;
    for (;;) {
        long best = -1;
        for (size_t i = 0; i < n; ++i) {
            if (ranked[i])
                continue;
            if (best < 0 || after(o, recs[best], recs[i]))
                best = static_cast<long>(i);
        }
        if (best < 0)
            break;
        ranked[best] = true;
        out.push_back(recs[best].tag);
    }
    return out;
}

struct InsertionResult {
    std::vector<int> order;
    int current = -1, mark = -1;
};

// The insertion in place, as a straightforward copy, with the pair it compared last.
InsertionResult insertionOrder(Order o, const std::vector<Rec>& recs) {
    std::vector<Rec> chain = recs;
    InsertionResult r;
    size_t p = 0;
    while (p + 1 < chain.size()) {
        Rec q = chain[p + 1];
        r.current = chain[p].tag;
        r.mark = q.tag;
        if (!after(o, chain[p], q)) {
            ++p;
            continue;
        }
        chain.erase(chain.begin() + static_cast<long>(p) + 1);
        size_t at = 0;
        for (; at < chain.size(); ++at) {
            r.current = chain[at].tag;
            if (after(o, chain[at], q))
                break;
        }
        chain.insert(chain.begin() + static_cast<long>(at), q);
        ++p; // p moved one on with the element put before it
    }
    for (const Rec& rec : chain)
        r.order.push_back(rec.tag);
    return r;
}

std::vector<Rec> randomRecords(std::mt19937& rng, size_t n, int keys) {
    std::vector<Rec> recs(n);
    for (size_t i = 0; i < n; ++i) {
        recs[i].key = static_cast<int32_t>(rng() % static_cast<unsigned>(keys));
        recs[i].tag = static_cast<int32_t>(i);
        std::snprintf(recs[i].name, sizeof recs[i].name, "%c", 'a' + static_cast<int>(rng() % 3));
        recs[i].value = rng() % 7 == 0 ? std::nan("") : recs[i].key;
    }
    return recs;
}

void fill(OrderedList& l, const std::vector<Rec>& recs) {
    for (const Rec& r : recs)
        l.Ny(1, const_cast<Rec*>(&r));
}

const Order kOrders[] = {Order::Ascending,           Order::AscendingTiesAfter, Order::Descending,
                         Order::DescendingTiesAfter, Order::KeyThenName,        Order::Base,
                         Order::AlwaysAfter,         Order::NumbersWithNaN};

TEST(List0SortProperty, SorteraGivesTheOrderOfTheSelectionPasses) {
    std::mt19937 rng(2026);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 2 + rng() % (round % 10 == 0 ? 700 : 90);
        const int keys = 1 + static_cast<int>(rng() % 6);
        auto recs = randomRecords(rng, n, keys);
        // Partly ordered lists too: runs and seams of the merge.
        if (round % 3 == 1)
            std::sort(recs.begin(), recs.begin() + static_cast<long>(n / 2),
                      [](const Rec& a, const Rec& b) { return a.key < b.key; });
        for (Order o : kOrders) {
            SCOPED_TRACE("round " + std::to_string(round) + " order " +
                         std::to_string(static_cast<int>(o)) + " n " + std::to_string(n));
            OrderedList l;
            l.order = o;
            fill(l, recs);
            std::vector<Rec*> address, byTag(n);
            l.Home();
            do
                address.push_back(byTag[static_cast<size_t>(l.Get_aktel()->tag)] = l.Get_aktel());
            while (l++);
            Rec* marked = address[rng() % n];
            Rec* current = address[rng() % n];
            l.Set_aktel(marked);
            l.Set_mark();
            l.Set_aktel(current);
            ASSERT_EQ(l.Sortera(1), 0);
            const auto expect = selectionOrder(o, recs);
            ASSERT_EQ(l.tags(), expect);
            ASSERT_TRUE(l.linksWhole());
            EXPECT_EQ(l.Get_aktel(), current);
            EXPECT_EQ(l.markTag(), marked->tag);
            int pos = 1;
            while (expect[static_cast<size_t>(pos - 1)] != current->tag)
                ++pos;
            EXPECT_EQ(l.Where(nullptr), pos);
            // The chain is relinked: every record stays where it was.
            l.Home();
            for (int tag : expect) {
                EXPECT_EQ(l.Get_aktel(), byTag[static_cast<size_t>(tag)]);
                l++;
            }
        }
    }
}

TEST(List0SortProperty, OmsorteraGivesTheOrderAndLastPairOfTheInsertion) {
    std::mt19937 rng(1312);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 2 + rng() % (round % 10 == 0 ? 500 : 60);
        auto recs = randomRecords(rng, n, 1 + static_cast<int>(rng() % 5));
        // Mostly ordered lists, the case the insertion is made for: one changed record.
        if (round % 2 == 0) {
            std::stable_sort(recs.begin(), recs.end(),
                             [](const Rec& a, const Rec& b) { return a.key < b.key; });
            recs[rng() % n].key = static_cast<int32_t>(rng() % 5);
        }
        for (Order o : kOrders) {
            SCOPED_TRACE("round " + std::to_string(round) + " order " +
                         std::to_string(static_cast<int>(o)) + " n " + std::to_string(n));
            OrderedList l;
            l.order = o;
            fill(l, recs);
            ASSERT_EQ(l.Omsortera(1), 0);
            const InsertionResult expect = insertionOrder(o, recs);
            ASSERT_EQ(l.tags(), expect.order);
            ASSERT_TRUE(l.linksWhole());
            // Same result as the selection (but where NaN orders nothing), and the same pair
            // left current and marked.
            if (o != Order::NumbersWithNaN) {
                EXPECT_EQ(expect.order, selectionOrder(o, recs));
            }
            EXPECT_EQ(l.currentTag(), expect.current);
            EXPECT_EQ(l.markTag(), expect.mark);
            int pos = 1;
            while (expect.order[static_cast<size_t>(pos - 1)] != expect.current)
                ++pos;
            EXPECT_EQ(l.Where(nullptr), pos);
        }
    }
}

} // namespace
