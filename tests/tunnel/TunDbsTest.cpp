// The tunnel database outside Save: the files of a new tunnel, reading with the version rule,
// stops and packing, writing records and the head in place, deleting, the chainage order and
// the search by address.
#include "TunDbsFixture.h"
#include "tests/support/FaultSweep.h"

#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace testing_support;
using namespace tunnel_test;

namespace {

class TunDbsTest : public TunnelProject {};

// The head of a new tunnel named TUNNEL1, field by field.
std::string newHead(int slut = 300) {
    return Bytes()
        .text("1.5", 6)
        .text("TUNNEL1", 16)
        .i16(0)
        .zeros(80)
        .i32(0)
        .zeros(16 + 5 + 5)
        .i16(0)
        .f64(0.5)
        .i32(1)
        .i32(slut)
        .s;
}

TEST_F(TunDbsTest, CreateWritesTheFiveFilesOfANewTunnel) {
    auto t = tunnel();
    ASSERT_EQ(t->Create(dbs.get()), 0);
    EXPECT_EQ(odb(), newHead());
    EXPECT_EQ(readBytes(file("TUN1.TKO")), "TUNNEL1\r\n**");
    EXPECT_EQ(readBytes(file("TUN1.LAT")), "TUNNEL1\r\n\r\n\r\n0 1.5\r\n**");
    EXPECT_EQ(readBytes(file("TUN1.LAF")), "1.5\r\n**");
    EXPECT_EQ(readBytes(file("TUN1.ODF")),
              Bytes().text("1.5", 24).i32(0).i32(0).i32(300).f64(1.5).i32(1).s);
    EXPECT_EQ(
        listNames(root + "/HARNDB"),
        (std::vector<std::string>{"TUN1.LAF", "TUN1.LAT", "TUN1.ODB", "TUN1.ODF", "TUN1.TKO"}));
    EXPECT_EQ(t->m_version, 1.5);
    EXPECT_EQ(count(*t), 0);
    EXPECT_TRUE(ui.events.empty());
}

// Each file that cannot be created stops Create with its message; what was completed before
// stays, nothing half-written or temporary is left.
TEST_F(TunDbsTest, CreateFailuresNameTheFileAndKeepWhatWasDone) {
    const struct {
        int nthOpen;
        int result;
        std::string text;
        std::vector<std::string> left;
    } cases[] = {
        {1, -1, "Kan ej skapa tunnel-databas", {}},
        {2, -3, "Kan ej skapa tunnelkoordinat-filen :\n" + win("TUN1.TKO"), {}},
        {3, -3, "Kan ej skapa tunnel-filen :\n" + win("TUN1.LAT"), {"TUN1.TKO"}},
        {4, -3, "Kan ej skapa tunnel-filen :\n" + win("TUN1.LAF"), {"TUN1.LAT", "TUN1.TKO"}},
        {5,
         -3,
         "Kan ej skapa tunnel-filen :\n" + win("TUN1.ODF"),
         {"TUN1.LAF", "TUN1.LAT", "TUN1.TKO"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (const std::string& name : listNames(root + "/HARNDB"))
            std::remove(file(name).c_str());
        ui.clear();
        auto t = tunnel();
        {
            platform::FaultScope scope;
            platform::FaultInjector::failNth(platform::FileOp::Open, c.nthOpen);
            EXPECT_EQ(t->Create(dbs.get()), c.result);
        }
        EXPECT_EQ(listNames(root + "/HARNDB"), c.left);
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].text, c.text);
        EXPECT_EQ(ui.messages()[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    }
}

// Versions from 0.94 up are read; others, a missing file and a short head are refused with
// their messages and leave the list empty.
TEST_F(TunDbsTest, InitVersionRuleAndRefusals) {
    auto t = created({position(5, "T1")});
    const std::string good = odb();
    const struct {
        std::string version;
        bool accepted;
    } versions[] = {{"0.93", false}, {"0.94", true}, {"1.0", true}, {"1.5", true},
                    {"2.7", true},   {"0.5", false}, {"abc", false}};
    for (const auto& v : versions) {
        SCOPED_TRACE(v.version);
        std::string bytes = good;
        bytes.replace(0, 6, Bytes().text(v.version, 6).s);
        writeBytes(file("TUN1.ODB"), bytes);
        ui.clear();
        auto r = tunnel();
        EXPECT_EQ(r->Init(), v.accepted ? 0 : -1);
        EXPECT_EQ(count(*r), v.accepted ? 1 : 0);
        if (v.accepted) {
            EXPECT_TRUE(ui.events.empty());
            EXPECT_DOUBLE_EQ(r->m_version, std::stod(v.version));
        } else {
            ASSERT_EQ(ui.messages().size(), 1u);
            EXPECT_EQ(ui.messages()[0].text, "Felaktig version: " + v.version +
                                                 " TUN1\nNu gäller version:1.5\nVälj "
                                                 "Konvertera i Arkiv !"_cp);
        }
        EXPECT_EQ(readBytes(file("TUN1.ODB")), bytes);
    }
    const struct {
        std::string bytes; // empty: no file
        std::string text;
    } refusals[] = {{"", "Kan ej öppna tunnel-databas"_cp},
                    {good.substr(0, 151), "Fel vid läsning av databas :"_cp}};
    for (const auto& c : refusals) {
        std::remove(file("TUN1.ODB").c_str());
        if (!c.bytes.empty())
            writeBytes(file("TUN1.ODB"), c.bytes);
        ui.clear();
        auto r = tunnel();
        EXPECT_EQ(r->Init(), -1);
        EXPECT_EQ(count(*r), 0);
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].text, c.text);
    }
}

// Uppdat's modes and Delete's bookkeeping, seen in the file: a new record goes to slut with
// its counters; an old one is rewritten alone; deleting the last record shortens the file,
// any other leaves a hole.
TEST_F(TunDbsTest, UppdatModesAndDeleteInPlace) {
    auto t = created({position(10, "T1"), position(20, "T2", 3), position(30, "T1")});
    std::string bytes = odb();
    ASSERT_EQ(bytes.size(), 300u + 3 * 144);
    EXPECT_EQ(bytes.substr(0, 24), newHead().substr(0, 24));
    EXPECT_EQ(bytes.substr(24, 80), Bytes().i32(3).zeros(8).i32(1).zeros(12).i32(2).zeros(48).s);
    EXPECT_EQ(bytes.substr(148, 4), Bytes().i32(732).s);
    EXPECT_EQ(bytes.substr(152, 148), std::string(148, '\0'));
    EXPECT_EQ(t->m_hd.slut, 732);

    // The current record (the third) changed, and the head changed in memory only.
    t->Get_aktel()->kod2 = 77;
    std::snprintf(t->m_hd.lattext, sizeof t->m_hd.lattext, "changed");
    const std::string head = bytes.substr(0, 152);
    for (int mode : {0, -1}) {
        ASSERT_EQ(t->Uppdat(mode), 0);
        EXPECT_EQ(odb().substr(0, 152), head) << mode;
        EXPECT_EQ(odb().substr(588, 144), image(*t->Get_aktel())) << mode;
    }
    ASSERT_EQ(t->Uppdat(2), 0);
    EXPECT_EQ(odb().substr(108, 7), "changed");
    EXPECT_EQ(odb().size(), 732u);

    // Delete the first (a hole), then the last (the file's end moves back).
    t->Home();
    const todbtype second = *((*t)++, t->Get_aktel());
    t->Home();
    EXPECT_EQ(t->Delete(), 0);
    EXPECT_EQ(t->m_hd.hal, 1);
    EXPECT_EQ(t->m_hd.slut, 732);
    t->End();
    EXPECT_EQ(t->Delete(), 0);
    EXPECT_EQ(t->m_hd.hal, 1);
    EXPECT_EQ(t->m_hd.slut, 588);
    bytes = odb();
    EXPECT_EQ(bytes.substr(24, 12), Bytes().i32(1).zeros(8).s);
    EXPECT_EQ(bytes.substr(104, 4), Bytes().i32(1).s);
    EXPECT_EQ(bytes.substr(148, 4), Bytes().i32(588).s);
    // Dead records: kind 0, not active, the rest as it was.
    for (long at : {300L, 588L}) {
        EXPECT_EQ(bytes.substr(at, 2), std::string(2, '\0'));
        EXPECT_EQ(bytes[at + 4], '\0');
    }
    EXPECT_EQ(bytes.substr(444, 144), image(second));
    // A record never written leaves the file alone.
    todbtype fresh = position(99, "T9");
    t->Ny(1, &fresh);
    EXPECT_EQ(t->Delete(), 0);
    EXPECT_EQ(odb(), bytes);
    EXPECT_EQ(count(*t), 1);
    EXPECT_TRUE(ui.events.empty());
}

// Deleting B of A B C D leaves a hole; InitReadOnly returns A C D where they are and writes
// nothing; the next Init returns A C D at 300, 444, 588 and packs
// the file: records moved down, one dead copy of the last record read over the stale slot,
// hal 0 and slut 732 in the head, the file's length unchanged.
TEST_F(TunDbsTest, InitPacksHolesAndStopsAtALiveRecordBeyondSlut) {
    const todbtype a = position(1, "A"), b = position(2, "B"), c = position(3, "C"),
                   d = position(4, "D");
    auto t = created({a, b, c, d});
    t->Home();
    (*t)++;
    t->Delete();
    const std::string before = odb();
    ASSERT_EQ(before.size(), 876u);

    using Listing = std::vector<std::pair<std::string, int>>;
    auto listing = [](CTunDbs& list) {
        Listing out;
        list.Home();
        do
            out.emplace_back(list.Get_aktel()->tvnamn, list.Get_aktel()->filpos);
        while (list++);
        return out;
    };
    // Read-only: the same records at the offsets of the file as it is; nothing written.
    auto look = tunnel();
    ASSERT_EQ(look->InitReadOnly(), 0);
    EXPECT_EQ(listing(*look), (Listing{{"A", 300}, {"C", 588}, {"D", 732}}));
    EXPECT_EQ(look->m_hd.hal, 1);
    EXPECT_EQ(odb(), before);

    auto r = tunnel();
    ASSERT_EQ(r->Init(), 0);
    EXPECT_EQ(listing(*r), (Listing{{"A", 300}, {"C", 444}, {"D", 588}}));
    todbtype dead = d;
    dead.typ = 0;
    dead.aktiv = 0;
    std::string expected = before;
    expected.replace(104, 4, Bytes().i32(0).s);
    expected.replace(148, 4, Bytes().i32(732).s);
    expected.replace(444, 144, image(c));
    expected.replace(588, 144, image(d));
    expected.replace(732, 144, image(dead));
    EXPECT_EQ(odb(), expected);
    EXPECT_EQ(r->m_hd.hal, 0);
    // Read again: nothing to pack, nothing written.
    auto again = tunnel();
    ASSERT_EQ(again->Init(), 0);
    EXPECT_EQ(count(*again), 3);
    EXPECT_EQ(odb(), expected);

    // A head whose slut stands at the second record: reading stops there, quietly.
    std::string cut = expected;
    cut.replace(148, 4, Bytes().i32(444).s);
    writeBytes(file("TUN1.ODB"), cut);
    auto stopped = tunnel();
    ASSERT_EQ(stopped->Init(), 0);
    EXPECT_EQ(count(*stopped), 1);
    EXPECT_EQ(odb(), cut);
    EXPECT_TRUE(ui.events.empty());
}

// Packing under every fault: the file is the old one or the packed one, whole; no temporary
// file is left; an old file after a successful Init means the failure was reported and the
// list holds the offsets of the old file.
TEST_F(TunDbsTest, PackingFaultSweep) {
    auto t = created({position(1, "A"), position(2, "B"), position(3, "C")});
    t->Home();
    t->Delete();
    const std::string old = odb();
    {
        platform::FaultScope scope;
        ASSERT_EQ(tunnel()->Init(), 0);
    }
    const std::string packed = odb();
    ASSERT_NE(packed, old);
    int refused = 0, kept = 0, packedRuns = 0;
    std::unique_ptr<CTunDbs> r;
    forEachFault(
        [&](const std::function<void()>& arm) {
            writeBytes(file("TUN1.ODB"), old);
            platform::FailureLog::reset();
            ui.clear();
            r = tunnel();
            arm();
            return r->Init();
        },
        [&](const Fault& fault, int result) {
            SCOPED_TRACE(fault.text());
            const std::string now = odb();
            EXPECT_TRUE(now == old || now == packed);
            EXPECT_EQ(listNames(root + "/HARNDB").size(), 5u);
            if (result != 0) {
                ++refused;
                EXPECT_EQ(count(*r), 0);
                EXPECT_EQ(ui.messages().size(), 1u);
                return;
            }
            ASSERT_EQ(count(*r), 2);
            r->Home();
            const int first = r->Get_aktel()->filpos;
            EXPECT_EQ(first, now == packed ? 300 : 444);
            EXPECT_EQ(platform::FailureLog::count(), now == old ? 1 : 0);
            EXPECT_EQ(r->m_hd.hal, now == old ? 1 : 0);
            ++(now == old ? kept : packedRuns);
        });
    // The sweep reached every outcome.
    EXPECT_GT(refused, 0);
    EXPECT_GT(kept, 0);
    EXPECT_GT(packedRuns, 0);
}

// Sortval orders by chainage and keeps equal chainages in their order; FindNuel finds a
// record by its address only.
TEST_F(TunDbsTest, ChainageOrderAndFindNuel) {
    CTunDbs t(proj.get(), "TUN1");
    for (auto [s, n] : {std::pair{30.0, "a"}, {10.0, "b"}, {30.0, "c"}, {20.0, "d"}, {10.0, "e"}}) {
        todbtype r = position(s, n);
        t.Ny(1, &r);
    }
    t.Omsortera(1);
    std::string order;
    t.Home();
    do
        order += t.Get_aktel()->tvnamn;
    while (t++);
    EXPECT_EQ(order, "bedac");

    t.Home();
    t++;
    todbtype* second = t.Get_aktel();
    t.End();
    todbtype copy = *second;
    EXPECT_EQ(t.FindNuel(reinterpret_cast<unsigned long>(&copy)), -1);
    EXPECT_EQ(t.Get_aktel()->tvnamn, std::string("c"));
    EXPECT_EQ(t.Where(nullptr), 5);
    EXPECT_EQ(t.FindNuel(reinterpret_cast<unsigned long>(second)), 0);
    EXPECT_EQ(t.Get_aktel(), second);
    EXPECT_EQ(t.Where(nullptr), 2);
}

} // namespace
