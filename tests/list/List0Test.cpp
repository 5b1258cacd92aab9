// list0: results, positions and exceptions of every operation (the sorts' order and the
// records that stay put are List0SortPropertyTest's).
#include "list/list0.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct Rec {
    int32_t key;
    int32_t tag;
    char name[12];
    double value;
};

// Ordered by key: ascending for key 1, descending for -1, the base order for any other key.
class KeyList : public list0<Rec> {
public:
    int calls = 0;

    void add(int key, int tag = 0) {
        Rec r{key, tag, "x", key * 1.5};
        Ny(1, &r);
    }
    // Runs one letter per operation and gives the results, separated by blanks:
    // H Home, E End, + and - (1 = the list, 0 = null), W Where, A Add, I Insert, D Delete,
    // M Set_mark, G Goto_mark, S / R / B Sortera(1 / -1 / 0), O / P Omsortera(1 / 0),
    // a digit: Ny(1) of a record with that key, n and a digit: Ny(0). Add and Insert give
    // the new record key 0.
    std::string run(const std::string& script) {
        // clang-format off
        const std::map<char, std::function<int()>> ops = {
            {'H', [&] { return Home(); }}, {'E', [&] { return End(); }},
            {'+', [&] { return (*this)++ == this; }}, {'-', [&] { return (*this)-- == this; }},
            {'W', [&] { return Where(nullptr); }}, {'D', [&] { return Delete(); }},
            {'A', [&] { return zeroKey(Add()); }}, {'I', [&] { return zeroKey(Insert()); }},
            {'M', [&] { return Set_mark(); }}, {'G', [&] { return Goto_mark(); }},
            {'S', [&] { return Sortera(1); }}, {'R', [&] { return Sortera(-1); }},
            {'B', [&] { return Sortera(0); }}, {'O', [&] { return Omsortera(1); }},
            {'P', [&] { return Omsortera(0); }}};
        // clang-format on
        std::string out;
        for (size_t i = 0; i < script.size(); ++i) {
            char c = script[i];
            Rec rec{c == 'n' ? script[++i] - '0' : 0, 0, "n", 0};
            int r = c == 'n' ? Ny(0, &rec) : ops.count(c) ? ops.at(c)() : 0;
            if (c == ' ')
                continue;
            if (c >= '0' && c <= '9')
                add(c - '0');
            out += (out.empty() ? "" : " ") + std::to_string(r);
        }
        return out;
    }
    int zeroKey(int r) {
        if (r >= 0)
            m_pael->key = 0;
        return r;
    }
    // The chain as keys, the current one in brackets, the marked one after a star, then
    // "@" Where "/" count, and the comparisons made when there were any. A chain whose
    // links, ends, count, position or record pointers disagree is reported instead.
    std::string state() const {
        std::string s;
        int n = 0, pos = 0;
        Node* prev = nullptr;
        for (Node* p = m_forst; p; prev = p, p = p->next) {
            if (p->prev != prev)
                return "back link wrong";
            std::string k = std::to_string(p->rec.key);
            s += (p == m_mark ? "*" : "") + (p == m_aktel ? "[" + k + "]" : k) + " ";
            pos = p == m_aktel ? n + 1 : pos;
            ++n;
        }
        if (n != m_antal || m_sist != (n ? prev : m_sist) || (!n && m_aktel))
            return "ends or count wrong";
        if (n && Where(nullptr) != pos)
            return "position wrong";
        if (m_pael != (m_aktel ? &m_aktel->rec : nullptr) ||
            m_pmark != (m_mark ? &m_mark->rec : nullptr))
            return "record pointer stale";
        int antal = -5;
        int where = Where(&antal);
        s += "@" + std::to_string(where) + "/" + std::to_string(antal);
        return calls ? s + " c" + std::to_string(calls) : s;
    }
    void setCount(int n) { m_antal = n; }

protected:
    int Sortval(int key) override {
        ++calls;
        if (key == 1 || key == -1)
            return key * (m_pael->key - m_pmark->key) > 0 ? 1 : 0;
        return list0<Rec>::Sortval(key);
    }
};

TEST(List0, ScriptedOperations) {
    for (const auto& row : testing_support::dataRows("list/list0-scripts.txt")) {
        SCOPED_TRACE(row.at(0));
        KeyList l;
        EXPECT_EQ(l.run(row.at(0)), row.at(1));
        EXPECT_EQ(l.state(), row.at(2));
    }
}

TEST(List0, NyCopiesWholeRecordsAndSetAktelFindsByAddress) {
    KeyList().run("789"); // leaves freed nodes with contents behind
    KeyList l;
    Rec zero{}, r{42, 17, "abc", 3.25};
    EXPECT_EQ(l.Ny(1, nullptr), 0);
    EXPECT_EQ(std::memcmp(l.Get_aktel(), &zero, sizeof zero), 0);
    EXPECT_EQ(l.Ny(1, &r), 0);
    Rec* in = l.Get_aktel();
    EXPECT_NE(in, &r);
    EXPECT_EQ(std::memcmp(in, &r, sizeof r), 0);
    l.run("5");
    EXPECT_EQ(l.Set_aktel(in), 0);
    EXPECT_EQ(l.state(), "0 [42] 5 @2/3");
    Rec copy = *in;
    EXPECT_EQ(l.Set_aktel(&copy), -1);
    // Without a current element Insert, Ny(0) and Delete do nothing.
    EXPECT_EQ(l.run("I D + n1"), "-1 -1 0 -1");
    EXPECT_EQ(l.state(), "0 42 5 @0/3");
}

// The text of what `f` raises: a constant text or a composed CString.
template <class F> std::string raised(F f) {
    try {
        f();
    } catch (const char* e) {
        return e;
    } catch (const CString& e) {
        return e.str();
    }
    return "nothing raised";
}

// Says "out of order" for its first comparison only.
class FickleList : public KeyList {
protected:
    int Sortval(int) override { return ++calls == 1; }
};

TEST(List0, ExceptionsLeaveTheChainWhole) {
    KeyList l;
    l.run("312");
    l.setCount(4);
    EXPECT_EQ(raised([&] { l.Sortera(1); }), "Sorteringfel ! 3 st av 4");
    l.setCount(3);
    EXPECT_EQ(l.state(), "3 1 [2] @3/3"); // unchanged, nothing compared
    l.setCount(4);
    EXPECT_EQ(raised([&] { l.Omsortera(1); }), "Fel i sortering\nAntal poster 4\nSorterade 3");
    // A Sortval that answers differently for the same pair loses no element: the chain is
    // relinked once from all of its nodes.
    FickleList f;
    f.run("123");
    EXPECT_EQ(f.Omsortera(1), 0);
    EXPECT_EQ(f.state(), "1 [2] *3 @2/3 c3");
    EXPECT_EQ(raised([&] { KeyList copy(l); }), "Internt fel (Initiering list0)");
    KeyList other;
    EXPECT_EQ(raised([&] { other = l; }), "Internt fel (Tilldelning list0)");
}

} // namespace
