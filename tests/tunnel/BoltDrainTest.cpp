// The bolt (.ODF) and drainage (.ODD) files of a tunnel: reading with the version rule and
// packing, saving with numbering, drain grouping and order, the drain sort keys, and every
// file operation failing in turn on both saves (packing under faults is swept once, for the
// tunnel file, in TunDbsTest: the three files share the packing).
#include "platform/Cp1252Literal.h"
#include "tests/tunnel/TunnelFixture.h"
#include "tunnel/CTunBult.h"
#include "tunnel/CTunDran.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using testing_support::readBytes;
using testing_support::writeBytes;
using tvtest::put;

namespace {

// The 300 bytes before the first record: the 48-byte head and the unused rest.
std::string head(const char* version, int antal, int hal, int slut, double vernr, int nastanr) {
    std::string h(300, '\0');
    std::strncpy(&h[0], version, 24);
    put<int32_t>(h, 24, antal), put<int32_t>(h, 28, hal), put<int32_t>(h, 32, slut);
    put<double>(h, 36, vernr), put<int32_t>(h, 44, nastanr);
    return h;
}

// A live record whose host bytes all hold `tag`, so that copying them unchanged shows.
std::string live(char tag) {
    std::string r(144, tag);
    put<int16_t>(r, 0, 1);
    r[4] = 1;
    return r;
}

std::string bolt(char tag, int bnr) {
    std::string r = live(tag);
    put<int32_t>(r, 136, bnr);
    return r;
}

// A drain point: its place in the drain, its chainage, its number, and the drain's start
// and end chainage.
std::string point(char tag, int lnr, double psekt, int dnr = 0, double start = 0, double end = 0) {
    std::string r = live(tag);
    put<double>(r, 16, start), put<double>(r, 24, end);
    put<int32_t>(r, 56, lnr), put<double>(r, 80, psekt), put<int32_t>(r, 116, dnr);
    return r;
}

std::string dead(std::string r) {
    put<int16_t>(r, 0, 0);
    r[4] = 0;
    return r;
}

// Appends a record given by its file bytes as a new element (filpos 0).
void add(list0<todbtype>& list, const std::string& bytes) {
    todbtype r{};
    std::memcpy(&r, bytes.data(), 144);
    list.Ny(1, &r);
}

// "tag@filpos" for each element, in order.
std::vector<std::string> elements(list0<todbtype>& list) {
    std::vector<std::string> out;
    if (list.Home() == 0)
        do
            out.push_back(std::string(1, reinterpret_cast<const char*>(list.Get_aktel())[8]) + "@" +
                          std::to_string(list.Get_aktel()->filpos));
        while (list++);
    return out;
}

const std::vector<std::string> kSaveStatus = {
    "status: Sparar och uppdaterar tunnel-förstärkning..."_cp, "status: ", "bells: 0"};

class BoltDrain : public tvtest::TunnelTest {
protected:
    std::string odf() const { return file("TUN1.ODF"); }
    std::string odd() const { return file("TUN1.ODD"); }
    std::unique_ptr<CTunBult> bolts() { return std::make_unique<CTunBult>(&proj, "TUN1"); }
    std::unique_ptr<CTunDran> drains() { return std::make_unique<CTunDran>(&proj, "TUN1"); }

    // A save or packing swept strictly (see TunnelTest::sweep): it changes the file and
    // fails in more than a few runs.
    void sweepStrict(const std::string& target, const std::function<void()>& prepare,
                     const std::function<bool()>& step) {
        const Swept swept = sweep(
            target, prepare, [&] { return step() ? 0 : 1; }, true);
        EXPECT_NE(swept.before, swept.after);
        EXPECT_GT(swept.failed, 5);
    }
};

} // namespace

// Bolts are numbered only in files above version 1.19 (the version text decides, not the
// number stored in the head); marked bolts go, the others keep their bytes and order.
TEST_F(BoltDrain, BoltSaveNumbering) {
    const struct {
        const char* version;
        double stored; // the number in the head on file, replaced by the text's on reading
        bool numbered;
    } cases[] = {{"1.5", 1.5, true}, {"1.2", 9.0, true}, {"1.19", 1.5, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        writeBytes(odf(), head(c.version, 3, 0, 732, c.stored, 8) + bolt('A', 7) + bolt('B', 0) +
                              bolt('C', 3));
        auto b = bolts();
        ASSERT_EQ(b->Init(), 0);
        EXPECT_EQ(elements(*b), (std::vector<std::string>{"A@300", "B@444", "C@588"}));
        b->Home();
        (*b)++;
        b->Get_aktel()->filpos = -444;
        add(*b, bolt('D', 0));
        add(*b, bolt('E', 0));
        events();
        ASSERT_EQ(b->Save(), 0);
        EXPECT_EQ(events(), kSaveStatus);
        double parsed = 0;
        std::sscanf(c.version, "%lf", &parsed);
        EXPECT_EQ(readBytes(odf()),
                  head(c.version, 4, 0, 876, parsed, c.numbered ? 10 : 8) + bolt('A', 7) +
                      bolt('C', 3) + bolt('D', c.numbered ? 8 : 0) + bolt('E', c.numbered ? 9 : 0));
        EXPECT_EQ(elements(*b), (std::vector<std::string>{"A@300", "C@444", "D@588", "E@732"}));
    }

    // The head a new tunnel's bolt file starts with: numbers 1, 2, 3 in list order.
    writeBytes(odf(), head("1.5", 0, 0, 300, 1.5, 1).substr(0, 48));
    auto b = bolts();
    ASSERT_EQ(b->Init(), 0);
    for (char tag : {'X', 'Y', 'Z'})
        add(*b, bolt(tag, 0));
    ASSERT_EQ(b->Save(), 0);
    EXPECT_EQ(readBytes(odf()),
              head("1.5", 3, 0, 732, 1.5, 4) + bolt('X', 1) + bolt('Y', 2) + bolt('Z', 3));

    // A counter at its largest value goes on from the smallest.
    writeBytes(odf(), head("1.5", 0, 0, 300, 1.5, INT32_MAX).substr(0, 48));
    b = bolts();
    ASSERT_EQ(b->Init(), 0);
    for (char tag : {'X', 'Y'})
        add(*b, bolt(tag, 0));
    ASSERT_EQ(b->Save(), 0);
    EXPECT_EQ(readBytes(odf()), head("1.5", 2, 0, 588, 1.5, INT32_MIN + 1) + bolt('X', INT32_MAX) +
                                    bolt('Y', INT32_MIN));
}

// Grouping and order of the drains, numbering in any version: points entered as 1, 5, 7
// with chainages 10, 30, 20 form one drain from 10 to 30 numbered 1, 2, 3; the drain that
// starts at 50 goes after those starting at 10 and 35, its points in their order; a marked
// point counts for its drain's end (70) before it goes.
TEST_F(BoltDrain, DrainGroupingOrderAndNumbers) {
    writeBytes(odd(), head("1.1", 3, 0, 732, 1.1, 5) + point('P', 1, 50, 1) + point('Q', 2, 55, 2) +
                          point('V', 3, 70, 3));
    auto d = drains();
    ASSERT_EQ(d->Init(), 0);
    d->End();
    d->Get_aktel()->filpos = -d->Get_aktel()->filpos;
    add(*d, point('R', 1, 10));
    add(*d, point('S', 5, 30));
    add(*d, point('T', 7, 20));
    add(*d, point('U', 1, 40));
    add(*d, point('W', 4, 35));
    events();
    ASSERT_EQ(d->Save(), 0);
    EXPECT_EQ(events(), kSaveStatus);
    EXPECT_EQ(readBytes(odd()), head("1.1", 7, 0, 1308, 1.1, 10) + point('R', 1, 10, 5, 10, 30) +
                                    point('S', 2, 30, 6, 10, 30) + point('T', 3, 20, 7, 10, 30) +
                                    point('U', 1, 40, 8, 35, 40) + point('W', 2, 35, 9, 35, 40) +
                                    point('P', 1, 50, 1, 50, 70) + point('Q', 2, 55, 2, 50, 70));
}

// A drainage file is first made by Save: it starts as a new file (version 1.5, numbers from
// 1) and reads back. Points before the first that opens a drain form a drain of their own.
TEST_F(BoltDrain, NewDrainageFile) {
    auto d = drains();
    EXPECT_EQ(d->Init(), -1);
    EXPECT_EQ(events(), (Events{"box: Kan ej öppna dränerings-databas"_cp, "bells: 0"}));
    add(*d, point('X', 3, 8));
    add(*d, point('Y', 4, 2));
    add(*d, point('Z', 1, 9));
    ASSERT_EQ(d->Save(), 0);
    EXPECT_EQ(events(), kSaveStatus);
    const std::string saved = head("1.5", 3, 0, 732, 1.5, 4) + point('X', 1, 8, 1, 2, 8) +
                              point('Y', 2, 2, 2, 2, 8) + point('Z', 1, 9, 3, 9, 9);
    EXPECT_EQ(readBytes(odd()), saved);
    auto again = drains();
    ASSERT_EQ(again->Init(), 0);
    EXPECT_EQ(elements(*again), (std::vector<std::string>{"X@300", "Y@444", "Z@588"}));
    EXPECT_EQ(again->m_hd.nastanr, 4);

    // Saving an empty list leaves an empty file, which then cannot be read.
    CTunDran empty(&proj, "TUN1");
    ASSERT_EQ(empty.Save(), 0);
    EXPECT_EQ(readBytes(odd()), "");
    EXPECT_EQ(empty.Init(), -1);
    EXPECT_EQ(events(), (Events{"status: Sparar och uppdaterar tunnel-förstärkning..."_cp,
                                "status: ", "box: Fel vid läsning av databas :"_cp, "bells: 0"}));
}

// The drain sort keys, through the stable insertion sort: records (tag, sekt, sekt2).
TEST_F(BoltDrain, SortKeys) {
    const struct {
        int key;
        const char* order;
    } cases[] = {{1, "ACBD"}, {-1, "DBCA"}, {2, "BCDA"}, {-2, "DACB"}, {0, "ABCD"}, {3, "ABCD"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        CTunDran d(&proj, "TUN1");
        for (auto [tag, sekt, sekt2] :
             {std::tuple{'A', 1.0, 3.0}, {'B', 2.0, 1.0}, {'C', 1.0, 2.0}, {'D', 3.0, 3.0}}) {
            std::string r = point(tag, 1, 0, 0, sekt, sekt2);
            add(d, r);
        }
        d.Omsortera(c.key);
        std::string order;
        for (const std::string& e : elements(d))
            order += e[0];
        EXPECT_EQ(order, c.order);
    }
    // A chainage that is no number orders nothing: the insertion's own steps decide.
    CTunDran d(&proj, "TUN1");
    for (auto [tag, sekt] : {std::pair{'A', 5.0}, {'B', std::nan("")}, {'C', 4.0}, {'D', 3.0}})
        add(d, point(tag, 1, 0, 0, sekt, 0));
    d.Omsortera(1);
    std::string order;
    for (const std::string& e : elements(d))
        order += e[0];
    EXPECT_EQ(order, "DABC");
}

// Reading: the version rule, the messages, and the records up to slut. A version text that
// is no number leaves the version number the head holds.
TEST_F(BoltDrain, InitRefusals) {
    const struct {
        const char* version;
        double held; // the head's version number
        bool accepted;
    } versions[] = {{"0.93", 1.5, false}, {"abc", 1.5, true}, {"abc", 0.5, false},
                    {"0.94", 0.5, true},  {"1.5", 1.5, true}, {"2.7", 1.5, true}};
    for (const auto& c : versions) {
        SCOPED_TRACE(std::string(c.version) + " " + std::to_string(c.held));
        writeBytes(odd(), head(c.version, 1, 0, 444, c.held, 2) + point('A', 1, 5, 1));
        auto d = drains();
        EXPECT_EQ(d->Init(), c.accepted ? 0 : -1);
        EXPECT_EQ(elements(*d).size(), c.accepted ? 1u : 0u);
        if (c.accepted)
            EXPECT_EQ(events(), Events{"bells: 0"});
        else
            EXPECT_EQ(events(), (Events{std::string("box: Felaktig version: ") + c.version +
                                            " TUN1\nNu gäller version:1.5"_cp,
                                        "bells: 0"}));
    }
    auto b = bolts();
    EXPECT_EQ(b->Init(), -1);
    writeBytes(odf(), head("1.5", 0, 0, 300, 1.5, 1).substr(0, 47));
    EXPECT_EQ(b->Init(), -1);
    EXPECT_EQ(events(), (Events{"box: Kan ej öppna bult-databas"_cp,
                                "box: Fel vid läsning av databas :"_cp, "bells: 0"}));

    // A live record at or beyond slut ends the reading; dead ones are passed over.
    writeBytes(odf(), head("1.5", 1, 0, 588, 1.5, 1) + dead(bolt('X', 0)) + bolt('A', 1) +
                          bolt('B', 2) + bolt('C', 3));
    ASSERT_EQ(b->Init(), 0);
    EXPECT_EQ(elements(*b), (std::vector<std::string>{"A@444"}));
}

// Packing on reading: the live records move down, slut follows them, the stale tail is
// overwritten with as many dead copies of the last record read as there were holes, and the
// head (with the number read from its text) is written back.
TEST_F(BoltDrain, Packing) {
    writeBytes(odf(),
               head("1.5", 2, 1, 732, 7.25, 3) + bolt('A', 1) + dead(bolt('X', 9)) + bolt('B', 2));
    auto b = bolts();
    ASSERT_EQ(b->Init(), 0);
    EXPECT_EQ(readBytes(odf()),
              head("1.5", 2, 0, 588, 1.5, 3) + bolt('A', 1) + bolt('B', 2) + dead(bolt('B', 2)));
    EXPECT_EQ(elements(*b), (std::vector<std::string>{"A@300", "B@444"}));
    EXPECT_EQ(b->m_hd.hal, 0);
}

TEST_F(BoltDrain, FaultsOnBoltSave) {
    std::unique_ptr<CTunBult> b;
    sweepStrict(
        odf(),
        [&] {
            writeBytes(odf(), head("1.5", 2, 0, 588, 1.5, 3) + bolt('A', 1) + bolt('B', 2));
            b = bolts();
            ASSERT_EQ(b->Init(), 0);
            b->Home();
            b->Get_aktel()->filpos = -300;
            add(*b, bolt('C', 0));
            ui.clear();
        },
        [&] {
            const int r = b->Save();
            // A failed save shows it and leaves the list (after the removal) and the head
            // as they were, matching the old file.
            if (r != 0) {
                EXPECT_EQ(r, -3);
                EXPECT_EQ(ui.statuses().back().text, "Kan ej öppna tunnel-databas :"_cp);
                EXPECT_EQ(elements(*b), (std::vector<std::string>{"B@444", "C@0"}));
                EXPECT_EQ(b->m_hd.nastanr, 3);
                EXPECT_EQ(b->Get_aktel()->bnr(), 0);
            }
            return r == 0;
        });
}

TEST_F(BoltDrain, FaultsOnDrainSave) {
    std::unique_ptr<CTunDran> d;
    sweepStrict(
        odd(),
        [&] {
            writeBytes(odd(), head("1.5", 1, 0, 444, 1.5, 2) + point('A', 1, 50, 1));
            d = drains();
            ASSERT_EQ(d->Init(), 0);
            add(*d, point('B', 1, 20));
            ui.clear();
        },
        [&] {
            const int r = d->Save();
            if (r != 0) {
                EXPECT_EQ(r, -3);
                EXPECT_EQ(d->m_hd.nastanr, 2);
                EXPECT_EQ(elements(*d), (std::vector<std::string>{"B@0", "A@300"}));
            }
            return r == 0;
        });
}
