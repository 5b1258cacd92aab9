// Saving a tunnel: the compact rewrite of the .ODB file, the plan extent along straight and
// curved alignments, section 7 of the .LAT file in both layouts, the messages, and a fault
// sweep over every file operation of Save.
#include "TunDbsFixture.h"
#include "tests/support/FaultSweep.h"

#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "tunnel/CTvarsnitt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

using namespace testing_support;
using namespace tunnel_test;

namespace {

const char* const kStraight = "ALIGNMENT 1\n0\n1000 2000\n1000 2100\n"; // east (y), 100 m
// A quarter circle to the right from (0, 0) heading north (x) to (100, 100): centre (0, 100),
// r 100.
const char* const kArc = "ALIGNMENT 1\n0\n0 0 0.41421356237309503\n100 100\n";
const double kPi = std::acos(-1.0);
const double kS = std::sqrt(0.5);

class TunDbsSaveTest : public TunnelProject {
protected:
    void SetUp() override {
        TunnelProject::SetUp();
        // Two cross-section types: T1 from -5 to 5, T2 from -3 to 7 across the tunnel.
        CTvarsnitt lib(proj.get());
        ASSERT_EQ(lib.Init(1), 0);
        for (auto [name, lo, hi] : {std::tuple{"T1", -5.0, 5.0}, {"T2", -3.0, 7.0}}) {
            tvtytype t{};
            std::strcpy(t.tvnamn, name);
            t.xmin = lo;
            t.xmax = hi;
            lib.Ny(1, &t);
            ASSERT_EQ(lib.Uppdat(0), 0);
        }
    }
    void alignment(const char* text) {
        ASSERT_TRUE(platform::writeFile(win("VÄG1.VL"_cp).c_str(), text));
    }
    void removeTunnelFiles() {
        for (const char* ext : {".ODB", ".LAT", ".TKO", ".LAF", ".ODF"})
            std::remove(file(std::string("TUN1") + ext).c_str());
    }
    // The tunnel as a new object read from its file.
    std::unique_ptr<CTunDbs> reread() {
        auto t = tunnel();
        EXPECT_EQ(t->Init(), 0);
        return t;
    }
    static std::string filposList(CTunDbs& t) {
        std::string s;
        for (const todbtype* r : records(t))
            s += std::to_string(r->filpos) + " ";
        return s;
    }
};

// Positions with types along a straight line and along an arc give the record's corner and
// extent, worked out by hand: a type reaches -xmin to the left and xmax to the right of the
// line, seen on the plan (x north, y east) looking ahead. Unknown types and records of other kinds
// do not count.
TEST_F(TunDbsSaveTest, PlanExtentAlongStraightAndArcAlignments) {
    const std::vector<todbtype> straight = {position(60, "t2"), position(10, "T1"),
                                            position(0, "T9"), position(90, "T1", 3)};
    const struct {
        const char* name;
        const char* alignment;
        bool library;
        std::vector<todbtype> records;
        double x, y, dx, dy;
        int reported; // failures in the failure log
    } cases[] = {
        {"straight", kStraight, true, straight, 993, 2010, 12, 50, 0},
        {"arc",
         kArc,
         true,
         {position(0, "T1"), position(25 * kPi, "T2")},
         0,
         -5,
         103 * kS,
         105 - 93 * kS,
         0},
        // No point at all: zero; an alignment that cannot be loaded is a reported failure.
        {"no type library", kStraight, false, straight, 0, 0, 0, 0, 0},
        {"unreadable alignment", "ALIGNMENT 1\n0\n1000 2000\n", true, straight, 0, 0, 0, 0, 1},
    };
    const std::string library = readBytes(file("TVTYP.LIS"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        removeTunnelFiles();
        alignment(c.alignment);
        std::remove(file("TVTYP.LIS").c_str());
        if (c.library)
            writeBytes(file("TVTYP.LIS"), library);
        platform::FailureLog::reset();
        auto t = created({});
        for (todbtype r : c.records) {
            t->Ny(1, &r);
            t->Uppdat(0);
        }
        ASSERT_EQ(t->Save(dbs.get()), 0);
        for (const dbstype& r : {*dbs->Get_aktel(), recordOnDisk()}) {
            EXPECT_NEAR(r.x, c.x, 1e-9);
            EXPECT_NEAR(r.y, c.y, 1e-9);
            EXPECT_NEAR(r.dx, c.dx, 1e-9);
            EXPECT_NEAR(r.dy, c.dy, 1e-9);
            EXPECT_EQ(r.z, 0);
            EXPECT_EQ(r.dz, 0);
            EXPECT_EQ(std::string(r.text), "VÄG1.VL"_cp);
        }
        EXPECT_EQ(platform::FailureLog::count(), c.reported);
    }
    EXPECT_TRUE(ui.events.empty());
}

// Deleting B of A B C, adding D before A and changing C: the file is rewritten in chainage
// order from 300 with the counters of what is in it, and one dead copy of the last record
// covers the slot the hole left at the end. Without an alignment the extent is zero.
TEST_F(TunDbsSaveTest, CompactRewriteInChainageOrder) {
    todbtype a = position(10, "A"), b = position(20, "B"), c = position(30, "C");
    auto t = created({a, b, c});
    const std::string before = odb();
    t->Home();
    (*t)++;
    t->Get_aktel()->filpos = -t->Get_aktel()->filpos;
    (*t)++;
    t->Get_aktel()->kod2 = 5;
    c.kod2 = 5;
    const todbtype d = position(5, "D");
    todbtype copy = d;
    t->Ny(1, &copy);
    ASSERT_EQ(t->Save(dbs.get()), 0);

    todbtype dead = c;
    dead.typ = 0;
    dead.aktiv = 0;
    std::string expected = before.substr(0, 24) +
                           Bytes().i32(3).zeros(24).i32(3).zeros(48).i32(0).s +
                           before.substr(108, 40) + Bytes().i32(732).s + before.substr(152, 148) +
                           image(d) + image(a) + image(c) + image(dead);
    EXPECT_EQ(odb(), expected);
    EXPECT_EQ(filposList(*t), "300 444 588 ");
    EXPECT_EQ(filposList(*reread()), "300 444 588 ");
    EXPECT_EQ(recordOnDisk().x, 0);
    EXPECT_EQ(recordOnDisk().dx, 0);
    EXPECT_TRUE(ui.events.empty());
}

// A chainage that is no number (a damaged file) is after nothing and nothing is after it, so
// no order of keys holds: the save orders the positions as its insertion, step by step, does.
TEST_F(TunDbsSaveTest, ChainageThatIsNoNumberIsOrderedByTheInsertionItself) {
    auto t = created(
        {position(5, "A"), position(std::nan(""), "B"), position(4, "C"), position(3, "D")});
    ASSERT_EQ(t->Save(dbs.get()), 0);
    const std::string file = odb();
    std::string names;
    for (std::size_t at = 300; at + kTodbRecordSize <= file.size(); at += kTodbRecordSize) {
        todbtype r{};
        std::memcpy(&r, file.data() + at, kTodbRecordSize);
        names += r.tvnamn[0];
    }
    EXPECT_EQ(names, "DABC");
}

// The text with every '#' made a zero byte.
std::string zeros(std::string text) {
    std::replace(text.begin(), text.end(), '#', '\0');
    return text;
}

// Section 7 is written in the layout of the file's version and takes the place of the old
// one; every other line stays as it was, and a file without section 7 gets it just before
// its end. A last line without its line end gets one, so that nothing is joined to it.
TEST_F(TunDbsSaveTest, LatSectionSevenInBothLayouts) {
    const std::string longLine(200, 'x');
    const std::string s7new = "* 7\n"
                              "  2.500 0 0    0.000    0.000    0.000    0    0 0.0 0.0  0.00  0.0 "
                              "0 0 0 0 0 0\nT2\n\n\n"
                              " 10.000 1 2    3.500    4.250    0.000   11   12 0.5 2.5  1.25  3.7 "
                              "1 -2 3 0 5 6\nT1\nförsta\n\n"_cp;
    const std::string s7old = "* 7\n"
                              "  2.500 0 0    0.000    0.000    0.000    0    0 0.0 0.0  0.00  0.0"
                              "\nT2\n\n\n"
                              " 10.000 1 2    3.500    4.250    6.500   11   12 0.5 2.5  1.25  3.7"
                              "\nT1\nförsta\n\n"_cp;
    const struct {
        const char* name;
        const char* version;
        std::string old;
        std::string body; // after the four header lines
    } cases[] = {
        {"section 7 in the middle", "1.5",
         "OLD\nX.VL\nold\n3 1.10\n* 1\nhost a\n" + longLine +
             "\n* 7\n 99.000 0 0\nT9\ngammal\n\n"
             "*12 kept\nhost b\n**",
         "* 1\nhost a\n" + longLine + "\n" + s7new + "*12 kept\nhost b\n**"},
        // A long line whose second piece begins with "*" stays one line.
        {"star inside a long line", "1.1",
         "h\nh\nh\n0 1\n* 3\n" + std::string(151, 'a') + "*3 x\n* 7\nold\n**",
         "* 3\n" + std::string(151, 'a') + "*3 x\n" + s7old + "**"},
        {"no section 7", "1.1", "T\n\n\n0 1.5\n* 3\nabc\n*  8 x\n\ny\n**",
         "* 3\nabc\n*  8 x\n\ny\n" + s7old + "**"},
        {"new file", "1.5", "TUNNEL1\n\n\n0 1.5\n**", s7new + "**"},
        {"section 7 last, CR LF", "1.1", crlf("h\nh\nh\n0 1\n* 2\nq\n* 7\nold\nold2\n**"),
         "* 2\nq\n" + s7old + "**"},
        {"no end mark, last line open", "1.1", "h\nh\nh\n0 1\n* 2\nq\n* 7\n* 4\nlast",
         "* 2\nq\n" + s7old + "* 4\nlast\n**"},
        {"no section 7, last line open", "1.1", "h\nh\nh\n0 1\n* 2\nq", "* 2\nq\n" + s7old + "**"},
        {"open section line at the end", "1.1", "h\nh\nh\n0 1\n* 7\nold\n* 5", s7old + "* 5\n**"},
        // A zero byte ends a line's text, not the line: "*" cut there is not joined to the
        // next line (which would make it the end mark "** 4").
        {"zero bytes in lines", "1.1",
         zeros("h\nh\nh\n0 1\nab#cd\n* 2\n* 7\nold\n*#x\n* 4\nlast#\n**"),
         "ab\n* 2\n" + s7old + "*\n* 4\nlast\n**"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        removeTunnelFiles();
        todbtype r1 = position(10, "T1");
        r1.ival1 = 1;
        r1.ival2 = 2;
        r1.tval1 = 3.5;
        r1.tval2 = 4.25;
        r1.kod2 = 11;
        r1.kod3 = 12;
        r1.tval4 = 0.5;
        r1.tval5 = 1.25;
        r1.tval6 = 2.5;
        r1.tval7 = 3.7;
        std::strcpy(r1.ttext1, "första"_cp);
        if (std::string(c.version) == "1.1")
            r1.tval3 = 6.5;
        else
            for (int i = 0; i < 6; ++i)
                r1.tflagg[i] = static_cast<int8_t>(std::vector<int>{1, -2, 3, 0, 5, 6}[i]);
        created({r1, position(2.5, "T2"), position(5, "T3", 3)});
        std::string bytes = odb();
        bytes.replace(0, 6, Bytes().text(c.version, 6).s);
        writeBytes(file("TUN1.ODB"), bytes);
        writeBytes(file("TUN1.LAT"), c.old);
        auto t = reread();
        std::strcpy(t->m_hd.lattext, "Norra");
        t->m_hd.ival4 = 4;
        ASSERT_EQ(t->Save(dbs.get()), 0);
        const std::string header =
            std::string("TUNNEL1\nVÄG1.VL\nNorra\n4 "_cp) + (c.version[2] == '5' ? "1.50" : "1.10");
        EXPECT_EQ(readBytes(file("TUN1.LAT")), crlf(header + "\n" + c.body));
    }
    EXPECT_TRUE(ui.events.empty());
}

// Every record marked for deletion: all are deleted in the file, the head counts nothing and
// ends at 300, the extent is zero although the alignment exists, and the .LAT loses its
// section 7.
TEST_F(TunDbsSaveTest, SaveWithEveryRecordDeleted) {
    alignment(kStraight);
    todbtype a = position(10, "T1"), b = position(20, "T2");
    auto t = created({a, b});
    const std::string before = odb();
    ASSERT_EQ(t->Save(dbs.get()), 0);
    ASSERT_NE(recordOnDisk().dx, 0);
    writeBytes(file("TUN1.LAT"), "TUNNEL1\nVÄG1.VL\n\n0 1.50\n* 1\na\n* 7\nx\n* 12\nb\n**"_cp);
    t->Home();
    do
        t->Get_aktel()->filpos = -t->Get_aktel()->filpos;
    while ((*t)++);
    ASSERT_EQ(t->Save(dbs.get()), 0);
    EXPECT_EQ(count(*t), 0);
    for (todbtype* r : {&a, &b}) {
        r->typ = 0;
        r->aktiv = 0;
    }
    EXPECT_EQ(odb(), before.substr(0, 24) + std::string(84, '\0') + before.substr(108, 40) +
                         Bytes().i32(300).s + before.substr(152, 148) + image(a) + image(b));
    const dbstype rec = recordOnDisk();
    EXPECT_EQ(rec.x, 0);
    EXPECT_EQ(rec.y, 0);
    EXPECT_EQ(rec.dx, 0);
    EXPECT_EQ(rec.dy, 0);
    EXPECT_EQ(readBytes(file("TUN1.LAT")),
              crlf("TUNNEL1\nVÄG1.VL\n\n0 1.50\n* 1\na\n* 12\nb\n**"_cp));
    EXPECT_TRUE(ui.events.empty());
}

// The messages of Save and what each failure leaves.
TEST_F(TunDbsSaveTest, SaveMessages) {
    alignment(kStraight);
    {
        auto empty = created({});
        const std::string before = odb();
        EXPECT_EQ(empty->Save(dbs.get()), -1);
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].text,
                  "För att kunna spara tunneln\nmåste minst ett läge i längsled,\nanges"_cp);
        EXPECT_EQ(static_cast<int>(ui.messages()[0].call),
                  static_cast<int>(platform::MessageCall::AfxMessageBox));
        EXPECT_EQ(ui.messages()[0].flags, static_cast<UINT>(MB_OK));
        EXPECT_EQ(odb(), before);
    }
    // Opens of a clean save, to reach the last two: the .lat file and its replacement.
    auto t = created({position(10, "T1")});
    const std::string lat = readBytes(file("TUN1.LAT"));
    // Without the tunnel's database record nothing is written; the failure is logged.
    platform::FailureLog::reset();
    ui.clear();
    const std::string fresh = odb();
    EXPECT_EQ(t->Save(nullptr), -1);
    EXPECT_EQ(platform::FailureLog::count(), 1);
    EXPECT_TRUE(ui.events.empty());
    EXPECT_EQ(odb(), fresh);
    EXPECT_EQ(t->Get_aktel()->filpos, 300);
    platform::FaultInjector::reset();
    ASSERT_EQ(t->Save(dbs.get()), 0);
    const int opens = platform::FaultInjector::count(platform::FileOp::Open);
    const std::string odbSaved = odb();
    const struct {
        int nthOpen;
        std::string text;
    } cases[] = {{opens - 1, "Fel: Hittar inte " + win("TUN1.lat")},
                 {opens, "Fel: Kan ej skapa " + win("t$us.lat")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        writeBytes(file("TUN1.LAT"), lat);
        ui.clear();
        dbs->Get_aktel()->dx = 0;
        {
            platform::FaultScope scope;
            platform::FaultInjector::failNth(platform::FileOp::Open, c.nthOpen);
            EXPECT_EQ(t->Save(dbs.get()), -3);
        }
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0].text, c.text);
        EXPECT_EQ(readBytes(file("TUN1.LAT")), lat);
        EXPECT_EQ(odb(), odbSaved);
        EXPECT_EQ(recordOnDisk().dx, 10);
    }

    // A tunnel database that cannot be opened: every write of the save says so; with no hole
    // to close the save goes on and reports the failure; with one it stops.
    for (bool hole : {false, true}) {
        SCOPED_TRACE(hole);
        auto h = created({position(1, "T1"), position(2, "T1"), position(3, "T1")});
        if (hole) {
            h->Home();
            h->Delete();
        }
        std::remove(file("TUN1.ODB").c_str());
        ui.clear();
        platform::FailureLog::reset();
        // The records keep the offsets of the file they came from, for later writes in place.
        auto offsets = [&h] {
            std::vector<int32_t> at;
            for (bool more = h->Home() == 0; more; more = (*h)++)
                at.push_back(h->Get_aktel()->filpos);
            return at;
        };
        const std::vector<int32_t> before = offsets();
        EXPECT_EQ(h->Save(dbs.get()), hole ? -1 : 0);
        EXPECT_EQ(offsets(), before);
        const auto m = ui.messages();
        EXPECT_EQ(m.size(), hole ? 4u : 5u);
        for (const auto& e : m)
            EXPECT_EQ(e.text, "Kan ej öppna tunnel-databas"_cp);
        EXPECT_EQ(platform::FailureLog::count(), hole ? 0 : 1);
        EXPECT_FALSE(exists(file("TUN1.ODB")));
    }
}

// Save under every fault of every file operation, once and from then on: each file is the
// old one or the new one, whole; no temporary file is left; and a save that reports nothing
// (result 0, no message, nothing in the failure log, no exception) has written everything.
TEST_F(TunDbsSaveTest, SaveFaultSweep) {
    alignment(kStraight);
    created({position(10, "T1"), position(20, "T2"), position(30, "T1")});
    // The folder as it is before the save, restored before each run.
    std::map<std::string, std::string> snapshot;
    for (const std::string& sub : {std::string(), std::string("HARNDB/")})
        for (const std::string& name : listNames(root + "/" + sub))
            if (sub.empty() ? name != "HARNDB" : true)
                snapshot[sub + name] = readBytes(root + "/" + sub + name);
    auto restore = [&] {
        for (const std::string& sub : {std::string(), std::string("HARNDB/")})
            for (const std::string& name : listNames(root + "/" + sub))
                if (name != "HARNDB")
                    std::remove((root + "/" + sub + name).c_str());
        for (const auto& [name, bytes] : snapshot)
            writeBytes(root + "/" + name, bytes);
    };
    // One save: restore, read, change (the first position deleted, a new one added), save
    // with the fault armed.
    struct Run {
        int result = 0;
        bool threw = false;
    };
    std::unique_ptr<CTunDbs> s;
    Run out;
    auto run = [&](const std::function<void()>& arm) {
        restore();
        openDbs(0);
        s = tunnel();
        EXPECT_EQ(s->Init(), 0);
        s->Home();
        s->Get_aktel()->filpos = -s->Get_aktel()->filpos;
        todbtype r = position(15, "T2");
        s->Ny(1, &r);
        ui.clear();
        platform::FailureLog::reset();
        out = Run();
        arm();
        try {
            out.result = s->Save(dbs.get());
        } catch (...) {
            out.threw = true;
        }
        return out.result;
    };
    const std::string oldOdb = snapshot["HARNDB/TUN1.ODB"], oldLat = snapshot["HARNDB/TUN1.LAT"];
    ASSERT_EQ(run([] {}), 0);
    const std::string newOdb = odb(), newLat = readBytes(file("TUN1.LAT"));
    const dbstype newRec = recordOnDisk();
    ASSERT_NE(newOdb, oldOdb);
    ASSERT_NE(newLat, oldLat);
    ASSERT_EQ(newRec.dy, 15);
    ASSERT_EQ(newRec.dx, 12);

    int silent = 0, failed = 0;
    forEachFault(run, [&](const Fault& fault, int) {
        SCOPED_TRACE(fault.text());
        const std::string nowOdb = odb(), nowLat = readBytes(file("TUN1.LAT"));
        EXPECT_TRUE(nowOdb == oldOdb || nowOdb == newOdb);
        EXPECT_TRUE(nowLat == oldLat || nowLat == newLat);
        for (const std::string& sub : {std::string(), std::string("HARNDB")})
            for (const std::string& name : listNames(root + "/" + sub))
                EXPECT_TRUE(name.find("tmp$") == std::string::npos &&
                            name.find("t$us") == std::string::npos)
                    << name;
        const bool reported = out.result != 0 || out.threw || !ui.messages().empty() ||
                              platform::FailureLog::count() > 0;
        const dbstype rec = recordOnDisk();
        const bool recNew = rec.dy == newRec.dy && rec.x == newRec.x;
        if (nowOdb == oldOdb) {
            // The head and offsets in memory are still those of the file.
            EXPECT_EQ(oldOdb.substr(0, kTunHeadSize),
                      std::string(reinterpret_cast<const char*>(&s->m_hd), kTunHeadSize));
            for (const todbtype* rec : records(*s)) {
                if (rec->filpos != 0) {
                    EXPECT_EQ(oldOdb.substr(rec->filpos, kTodbRecordSize), image(*rec));
                }
            }
        }
        if (!reported) {
            ++silent;
            EXPECT_EQ(nowOdb, newOdb);
            EXPECT_EQ(nowLat, newLat);
            EXPECT_TRUE(recNew);
        } else {
            ++failed;
        }
    });
    EXPECT_GT(silent, 0);
    EXPECT_GT(failed, 0);
}

} // namespace
