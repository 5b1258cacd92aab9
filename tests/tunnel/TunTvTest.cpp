// The cross-section sequence of a tunnel: runs of positions, outlines classified at the
// springing levels with their crossing points, zone lengths and developed coordinates of
// hand-computed outlines, and what a missing name, type, file or library gives.
#include "host/CVaglinje.h"
#include "mapping/CHkolista.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "platform/FaultInjection.h"
#include "tests/tunnel/TunnelFixture.h"
#include "tunnel/CTunDbs.h"
#include "tunnel/CTunTv.h"
#include "tunnel/SectionPolyline.h"
#include "tunnel/SectionTypes.h"

#include <cmath>
#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::writeBytes;

namespace {

constexpr double kEps = 1e-9;
const double kPi = std::acos(-1.0);

// An outline point as written in the file: x, y and the bulge of the segment to the next.
struct Pt {
    double x, y, bulge;
};

// An outline point as the sequence holds it.
struct Got {
    double x, y, bulge;
    int code;
};

// Gives the test access to ReadTTV.
class Sequence : public CTunTv {
public:
    using CTunTv::CTunTv;
    using CTunTv::ReadTTV;
};

class TunTv : public tvtest::TunnelTest {
protected:
    void SetUp() override {
        TunnelTest::SetUp();
        CTvarsnitt lib(&proj);
        ASSERT_EQ(lib.Init(1), 0);
        platform::FailureLog::reset();
    }
    void TearDown() override {
        platform::FailureLog::reset();
        TunnelTest::TearDown();
    }

    // A type in the index with springing levels a and b, and its outline file written as the
    // library writes it but with every digit, so that hand computations hold to 1e-9. No
    // outline file when `points` is empty.
    void type(const char* name, double a, double b, const std::vector<Pt>& points) {
        CTvarsnitt lib(&proj);
        ASSERT_EQ(lib.Init(0), 0);
        tvtytype t{};
        std::snprintf(t.tvnamn, sizeof t.tvnamn, "%s", name);
        t.anfstart = a, t.anfslut = b;
        lib.Ny(1, &t);
        ASSERT_EQ(lib.Uppdat(0), 0);
        if (points.empty())
            return;
        char line[200];
        std::snprintf(line, sizeof line, "*\n%s\n%8.3f %8.3f    0.000\n", name, a, b);
        std::string text = line;
        text += "   0.000    0.000\n   0.000    0.000\n   0.000    0.000    0.000    0.000\n\n*\n";
        for (const Pt& p : points) {
            std::snprintf(line, sizeof line, "%.17g %.17g 0 %.17g \n", p.x, p.y, p.bulge);
            text += line;
        }
        writeBytes(file(std::string(name) + ".ttv"), crlf(text + "*\n"));
    }

    // Positions (kind 7) along the tunnel, in list order.
    void positions(const std::vector<std::pair<double, const char*>>& list) {
        for (const auto& [sekt, name] : list) {
            todbtype r{};
            r.typ = 7, r.aktiv = 1, r.sekt = sekt;
            std::snprintf(r.tvnamn, sizeof r.tvnamn, "%s", name);
            tun.Ny(1, &r);
        }
    }

    // "NAME@chainage:points" for each cross-section.
    static std::vector<std::string> listed(CTunTv& tv) {
        std::vector<std::string> out;
        char buf[64];
        if (tv.Home() == 0)
            do {
                const kotuntype* k = tv.Get_aktel();
                int n = 0;
                k->pPunkter->Where(&n);
                std::snprintf(buf, sizeof buf, "%s@%g:%d", k->tvnamn, k->sekt, n);
                out.push_back(buf);
            } while (tv++);
        return out;
    }

    static std::vector<Got> points(const kotuntype& k) {
        std::vector<Got> out;
        CHkolista& l = *k.pPunkter;
        if (l.Home() == 0)
            do {
                const kokotype* p = l.Get_aktel();
                out.push_back({p->x, p->y, p->z, CTunTv::ZoneCode(*p)});
            } while (l++);
        return out;
    }

    static void expectPoints(const kotuntype& k, const std::vector<Got>& want) {
        const std::vector<Got> got = points(k);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(got[i].x, want[i].x, kEps) << "point " << i;
            EXPECT_NEAR(got[i].y, want[i].y, kEps) << "point " << i;
            EXPECT_NEAR(got[i].bulge, want[i].bulge, kEps) << "point " << i;
            EXPECT_EQ(got[i].code, want[i].code) << "point " << i;
        }
    }

    // Zone lengths, the six characteristic points, hval and sval (the latter from the zone
    // lengths by their definition: from the middle of zone 2, positive on the first side).
    static void expectZones(const kotuntype& k, const std::vector<double>& lang,
                            const std::vector<Pt>& xy, const std::vector<double>& hval) {
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(k.lang[i], lang[i], kEps) << "lang " << i;
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(k.xp[i], xy[i].x, kEps) << "point " << i;
            EXPECT_NEAR(k.yp[i], xy[i].y, kEps) << "point " << i;
            EXPECT_NEAR(k.hval[i], hval[i], kEps) << "hval " << i;
        }
        const double sval[6] = {lang[0] + lang[1] + lang[2] / 2,
                                lang[1] + lang[2] / 2,
                                lang[2] / 2,
                                -lang[2] / 2,
                                -lang[2] / 2 - lang[3],
                                -lang[2] / 2 - lang[3] - lang[4]};
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(k.sval[i], sval[i], kEps) << "sval " << i;
    }

    // The only cross-section of a tunnel with one position of type `name`.
    const kotuntype& single(const char* name) {
        positions({{100, name}});
        tv = std::make_unique<Sequence>(&tun, &proj, &vl);
        EXPECT_EQ(tv->Home(), 0);
        return *tv->Get_aktel();
    }

    CTunDbs tun{&proj, "TUN1"};
    CVaglinje vl;
    std::unique_ptr<Sequence> tv;
};

// Straight walls from (3, 0) up to (3, 4), a half circle over them to (-3, 4), the left wall
// down to the floor corner: the walk starts at the right floor corner.
const std::vector<Pt> kArch = {{-3, 0, 0}, {3, 0, 0}, {3, 4, 1}, {-3, 4, 0}, {-3, 0, 0}};

} // namespace

// A run of one position gives one cross-section, a longer run two (its first and last
// chainage); runs are consecutive, names compared exactly (case too); other kinds of records
// neither count nor break a run. The tunnel's current element is moved.
TEST_F(TunTv, RunsOfPositions) {
    type("T1", 1, 4, kArch);
    type("T2", 1, 4, kArch);
    positions({{0, "T1"}, {10, "T1"}, {20, "T1"}, {30, "T2"}, {40, "T1"}, {50, "T2"}});
    todbtype other{};
    other.typ = 3, other.aktiv = 1, other.sekt = 55;
    std::strcpy(other.tvnamn, "T1");
    tun.Ny(1, &other);
    positions({{60, "T2"}, {70, "t2"}, {80, "T2"}, {90, "T2"}, {100, "T2"}});
    tun.Home();
    Sequence seq(&tun, &proj, &vl);
    EXPECT_EQ(listed(seq),
              (std::vector<std::string>{"T1@0:7", "T1@20:7", "T2@30:7", "T1@40:7", "T2@50:7",
                                        "T2@60:7", "t2@70:7", "T2@80:7", "T2@100:7"}));
    EXPECT_EQ(tun.Where(nullptr), 12);
    EXPECT_EQ(events(), Events{"bells: 0"});

    CTunDbs empty(&proj, "TOM");
    Sequence none(&empty, &proj, &vl);
    EXPECT_EQ(none.Where(nullptr), -1);
    EXPECT_EQ(events(), Events{"bells: 0"});
}

// A trapezoid (floor 6, roof 4, height 4) with A = 1.5 and B = 3.0: each slanting side gets
// points at both levels, on the straight line between its end points (x = 3 - y/4 on the
// right side), coded 2 and 3 going up, 2 and 1 going down. Built with the library's own
// outline save, as a host would.
TEST_F(TunTv, TrapezoidZones) {
    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(0), 0);
    tunnel::SectionTypeDesc d;
    d.name = "TRAP", d.anfstart = 1.5, d.anfslut = 3.0;
    std::vector<tvkotype> outline = tunnel::TrapezoidOutline(6, 4, 4);
    outline.push_back(outline.front());
    ASSERT_EQ(tunnel::AddSectionType(lib, d, outline), 0);

    const kotuntype& k = single("TRAP");
    expectPoints(k, {{-3, 0, 0, -1},
                     {3, 0, 0, 0},
                     {2.625, 1.5, 0, 2},
                     {2.25, 3, 0, 3},
                     {2, 4, 0, -1},
                     {-2, 4, 0, -1},
                     {-2.25, 3, 0, 2},
                     {-2.625, 1.5, 0, 1},
                     {-3, 0, 0, -1}});
    const double side = std::sqrt(17.0); // each slanting side
    expectZones(
        k, {0.375 * side, 0.375 * side, 4 + 0.5 * side, 0.375 * side, 0.375 * side},
        {{3, 0, 0}, {2.625, 1.5, 0}, {2.25, 3, 0}, {-2.25, 3, 0}, {-2.625, 1.5, 0}, {-3, 0, 0}},
        {1.5 - 2.625, -2.625, -2.25, 2.25, 2.625, -1.5 + 2.625});
    EXPECT_EQ(events(), Events{"bells: 0"});
}

// Straight walls with a half circle of radius 3 on them. With A = 1 on the walls and B = 4 at
// their tops the five zones are the two wall feet, the two upper walls and the half circle.
// With both levels at the tops of the walls, the second wall top is coded 2 (B is tested
// before A), so no point is ever coded 1: zone 3 runs to the end of the walk, zones 1 and 4
// stay empty and the fourth characteristic point stays at 0, 0.
TEST_F(TunTv, ArchOnStraightWalls) {
    type("VALV", 1, 4, kArch);
    const kotuntype& k = single("VALV");
    expectPoints(k, {{-3, 0, 0, -1},
                     {3, 0, 0, 0},
                     {3, 1, 0, 2},
                     {3, 4, 1, 3},
                     {-3, 4, 0, 2},
                     {-3, 1, 0, 1},
                     {-3, 0, 0, -1}});
    expectZones(k, {1, 3, 3 * kPi, 3, 1},
                {{3, 0, 0}, {3, 1, 0}, {3, 4, 0}, {-3, 4, 0}, {-3, 1, 0}, {-3, 0, 0}},
                {1 - 3, -3, -3, 3, 3, -1 + 3});

    type("VALV4", 4, 4, kArch);
    tun.Home();
    tun.Delete();
    const kotuntype& top = single("VALV4");
    expectPoints(top, {{-3, 0, 0, -1}, {3, 0, 0, 0}, {3, 4, 1, 3}, {-3, 4, 0, 2}, {-3, 0, 0, -1}});
    expectZones(top, {4, 0, 3 * kPi, 4, 0},
                {{3, 0, 0}, {3, 4, 0}, {3, 4, 0}, {-3, 4, 0}, {0, 0, 0}, {-3, 0, 0}},
                {4 - 3, -3, -3, 3, 0, 0});
}

// Walls to y = 1 under two quarter arcs meeting at the crown (0, 4), centre (0, 1), radius 3;
// A = 0.5 crosses the walls, B = 2.5 both arcs. Each arc is split at (±1.5·√3, 2.5): its
// bulge becomes that of 30° and the new point's that of the remaining 60°, turning the same
// way. The second arc starts at the crown, straight above the centre; its point goes on the
// side the arc runs to.
TEST_F(TunTv, LevelCrossingAnArc) {
    const double q = std::tan(kPi / 8);
    type("BAGE", 0.5, 2.5, {{-3, 0, 0}, {3, 0, 0}, {3, 1, q}, {0, 4, q}, {-3, 1, 0}, {-3, 0, 0}});
    const double x = 1.5 * std::sqrt(3.0);
    const double b30 = std::tan(kPi / 24), b60 = std::tan(kPi / 12);
    const std::vector<Got> split = {
        {-3, 0, 0, -1},  {3, 0, 0, 0},      {3, 0.5, 0, 2}, {3, 1, b30, -1}, {x, 2.5, b60, 3},
        {0, 4, b60, -1}, {-x, 2.5, b30, 2}, {-3, 1, 0, -1}, {-3, 0.5, 0, 1}, {-3, 0, 0, -1}};
    const std::vector<double> lang = {0.5, 0.5 + kPi / 2, 2 * kPi, kPi / 2 + 0.5, 0.5};
    expectPoints(single("BAGE"), split);
    expectZones(*tv->Get_aktel(), lang,
                {{3, 0, 0}, {3, 0.5, 0}, {x, 2.5, 0}, {-x, 2.5, 0}, {-3, 0.5, 0}, {-3, 0, 0}},
                {0.5 - 3, -3, -x, x, 3, -0.5 + 3});

    // The same arcs walked clockwise (negative bulges): every point mirrored, the same lengths.
    type("MOT", 0.5, 2.5, {{3, 0, 0}, {-3, 0, 0}, {-3, 1, -q}, {0, 4, -q}, {3, 1, 0}, {3, 0, 0}});
    tun.Home();
    tun.Delete();
    std::vector<Got> mirrored = split;
    for (Got& g : mirrored)
        g.x = -g.x, g.bulge = -g.bulge;
    expectPoints(single("MOT"), mirrored);
    expectZones(*tv->Get_aktel(), lang,
                {{-3, 0, 0}, {-3, 0.5, 0}, {-x, 2.5, 0}, {x, 2.5, 0}, {3, 0.5, 0}, {3, 0, 0}},
                {0.5 + 3, 3, x, -x, -3, -0.5 - 3});
}

// Points within 0.001 of A once the outline is classified: coded 2 when the next point is
// higher, 1 when it is lower or there is none; after a 1, a flat segment's point is coded 0
// and the walk ends there (the last point is coded but not walked). An outline that never
// reaches the levels measures zone 0 only.
TEST_F(TunTv, PointsAtALevelAndShortOutlines) {
    const std::vector<Pt> near = {{0, 0, 0},      {0, 1, 0}, {1, 1.5005, 0}, {2, 2, 0},
                                  {3, 1.4992, 0}, {4, 1, 0}, {5, 1.5003, 0}};
    type("NARA", 1.5, 3, near);
    const kotuntype& k = single("NARA");
    expectPoints(k, {{0, 0, 0, 0},
                     {0, 1, 0, -1},
                     {1, 1.5005, 0, 2},
                     {2, 2, 0, -1},
                     {3, 1.4992, 0, 1},
                     {4, 1, 0, 0},
                     {5, 1.5003, 0, 1}});
    auto d = [&](int i) {
        return std::hypot(near[i + 1].x - near[i].x, near[i + 1].y - near[i].y);
    };
    expectZones(k, {1 + d(1), d(2) + d(3), 0, 0, d(4)},
                {{0, 0, 0}, {1, 1.5005, 0}, {0, 0, 0}, {0, 0, 0}, {3, 1.4992, 0}, {4, 1, 0}},
                {1.5005 - 1, -1, 0, 0, -3, 1 - 1.4992 - 3});

    type("LAG", 1.5, 3, {{-3, 0, 0}, {3, 0, 0}, {2, 1, 0}, {-2, 1, 0}, {-3, 0, 0}});
    tun.Home();
    tun.Delete();
    const kotuntype& low = single("LAG");
    expectZones(low, {4 + 2 * std::sqrt(2.0), 0, 0, 0, 0},
                {{3, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {-3, 0, 0}},
                {0, 0, 0, 0, 0, 0});
    EXPECT_EQ(events(), Events{"bells: 0"});
}

// The outline file: header lines and lines with fewer than the four numbers are skipped,
// reading stops at the third star line; the radius is not read. A position without a type
// name, a type the library does not hold and a type without its file each leave their
// cross-section in the list without outline or coordinates, with their texts; ReadTTV gives
// -3 for the missing file (the .TTV name is found whatever its case on disk).
TEST_F(TunTv, OutlineFileAndMissingParts) {
    writeBytes(file("FIL.ttv"), crlf("*\nFIL\n   1.000    4.000    0.000\n3 4 5 6\n\n*\n"
                                     "-3 0 99 0 \n3 0\n3 0 0\n3 0 0 0 x\n3 4 -3 1\n"
                                     "-3 4 0 0\n-3 0 0 0\n*\n7 7 0 0\n"));
    type("FIL", 1, 4, {});
    type("NOFILE", 1, 4, {});
    positions({{5, "FIL"}, {12.5, ""}, {20, "T9"}, {30, "NOFILE"}});
    Sequence seq(&tun, &proj, &vl);
    EXPECT_EQ(listed(seq),
              (std::vector<std::string>{"FIL@5:7", "@12.5:0", "T9@20:0", "NOFILE@30:0"}));
    seq.Home();
    expectZones(*seq.Get_aktel(), {1, 3, 3 * kPi, 3, 1},
                {{3, 0, 0}, {3, 1, 0}, {3, 4, 0}, {-3, 4, 0}, {-3, 1, 0}, {-3, 0, 0}},
                {-2, -3, -3, 3, 3, 2});
    while (seq++) {
        const kotuntype* k = seq.Get_aktel();
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(k->hval[i] || k->sval[i] || k->xp[i] || k->yp[i], false) << k->tvnamn;
    }
    const std::string path = winFolder() + "NOFILE.TTV";
    EXPECT_EQ(events(),
              (Events{"status: Tvärsnittsnamn saknas för Sekt = 12.50"_cp,
                      "status: Hittar ej T9 i biblioteket", "box: Kan ej öppna : "_cp + path,
                      "status: Hittar ej NOFILE i biblioteket", "bells: 0"}));

    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(0), 0);
    EXPECT_EQ(seq.ReadTTV(&proj, &vl, "NOFILE", lib), -3);
    EXPECT_EQ(seq.ReadTTV(&proj, &vl, "T9", lib), -1);
    EXPECT_EQ(events(), (Events{"box: Kan ej öppna : "_cp + path, "bells: 0"}));
    EXPECT_EQ(platform::FailureLog::count(), 0);
}

// Without a type library every named cross-section is "not in the library"; a library that
// exists but cannot be read says so itself and goes to the failure log as well.
TEST_F(TunTv, MissingOrDamagedLibrary) {
    type("VALV", 1, 4, kArch);
    positions({{0, "VALV"}, {10, "X"}});
    std::remove(index().c_str());
    Sequence a(&tun, &proj, &vl);
    EXPECT_EQ(listed(a), (std::vector<std::string>{"VALV@0:0", "X@10:0"}));
    EXPECT_EQ(events(), (Events{"status: Hittar ej VALV i biblioteket",
                                "status: Hittar ej X i biblioteket", "bells: 0"}));
    EXPECT_EQ(platform::FailureLog::count(), 0);

    writeBytes(index(), "1.5");
    Sequence b(&tun, &proj, &vl);
    EXPECT_EQ(listed(b), (std::vector<std::string>{"VALV@0:0", "X@10:0"}));
    EXPECT_EQ(events(),
              (Events{"box: Fel vid läsning av databas :\n"_cp + winFolder() + "TVTYP.LIS",
                      "status: Hittar ej VALV i biblioteket", "status: Hittar ej X i biblioteket",
                      "bells: 0"}));
    EXPECT_EQ(platform::FailureLog::count(), 1);
}

// A read that fails anywhere (library or outline, once or from then on) never leaves half an
// outline: each cross-section has its whole outline or none, with a message. The arithmetic
// needs no alignment: without one given a local one serves.
TEST_F(TunTv, ReadFaultsKeepNoHalfOutline) {
    type("VALV", 1, 4, kArch);
    positions({{0, "VALV"}, {10, "VALV"}, {20, "X"}, {30, "VALV"}});
    platform::FaultInjector::reset();
    {
        Sequence clean(&tun, &proj, nullptr);
        EXPECT_EQ(listed(clean),
                  (std::vector<std::string>{"VALV@0:7", "VALV@10:7", "X@20:0", "VALV@30:7"}));
    }
    const int reads = platform::FaultInjector::count(platform::FileOp::Read);
    ASSERT_GT(reads, 3);
    for (int nth = 1; nth <= reads; ++nth)
        for (bool always : {false, true}) {
            events();
            platform::FaultInjector::reset();
            platform::FaultInjector::failNth(platform::FileOp::Read, nth, always);
            Sequence seq(&tun, &proj, nullptr);
            platform::FaultInjector::reset();
            ASSERT_EQ(seq.Home(), 0);
            int whole = 0;
            do {
                const kotuntype* k = seq.Get_aktel();
                int n = 0;
                k->pPunkter->Where(&n);
                if (n == 7) {
                    EXPECT_NEAR(k->lang[2], 3 * kPi, kEps);
                    ++whole;
                } else {
                    EXPECT_EQ(n, 0) << nth;
                }
            } while (seq++);
            // Every cross-section left without outline is named in the status line, and a
            // message tells of the failed read.
            int missing = 0, boxes = 0;
            for (const std::string& e : events()) {
                missing += e.rfind("status: Hittar ej ", 0) == 0;
                boxes += e.rfind("box: ", 0) == 0;
            }
            EXPECT_EQ(missing, 4 - whole) << nth;
            EXPECT_GE(boxes, 1) << nth;
            EXPECT_LT(whole, 3) << nth << (always ? " on" : " once");
        }
}

// The outline as a drawing needs it. The arch in quarter-circle pieces: each piece keeps its
// zone, the crown (the middle of zone 2) is at 0, the characteristic points at their sval,
// the points before the walk further on the first side. A trapezoid that is not closed in
// its points gets its closing segment, outside the walk, and its end is the first point.
TEST_F(TunTv, OutlineAsPolyline) {
    type("VALV", 1, 4, kArch);
    const kotuntype& k = single("VALV");
    const double c = 1.5 * std::sqrt(2.0), h = 1.5 * kPi;
    const std::vector<std::vector<double>> want = {
        {-3, 0, 10 + h, -1, 0},     {3, 0, 4 + h, 0, 1},
        {3, 1, 3 + h, 1, 2},        {3, 4, h, 2, 3},
        {c, 4 + c, h / 2, 2, -1},   {0, 7, 0, 2, -1},
        {-c, 4 + c, -h / 2, 2, -1}, {-3, 4, -h, 3, 4},
        {-3, 1, -h - 3, 4, 5},      {-3, 0, -h - 4, -1, 6}};
    const std::vector<tunnel::OutlinePoint> got = tunnel::SectionPolyline(k, vl, kPi / 4);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].x, want[i][0], kEps) << i;
        EXPECT_NEAR(got[i].y, want[i][1], kEps) << i;
        EXPECT_NEAR(got[i].s, want[i][2], kEps) << i;
        EXPECT_EQ(got[i].zone, want[i][3]) << i;
        EXPECT_EQ(got[i].vertex, want[i][4]) << i;
    }
    for (int j = 0; j < 6; ++j)
        EXPECT_NEAR(got[j < 3 ? j + 1 : j + 4].s, k.sval[j], kEps) << j;
    EXPECT_EQ(tunnel::SectionPolyline(k, vl).size(), 7 + 35u); // 36 pieces of 5°

    CTvarsnitt lib(&proj);
    ASSERT_EQ(lib.Init(0), 0);
    tunnel::SectionTypeDesc d;
    d.name = "TRAP", d.anfstart = 1.5, d.anfslut = 3.0;
    ASSERT_EQ(tunnel::AddSectionType(lib, d, tunnel::TrapezoidOutline(6, 4, 4)), 0);
    tun.Home();
    tun.Delete();
    const std::vector<tunnel::OutlinePoint> trap = tunnel::SectionPolyline(single("TRAP"), vl);
    ASSERT_EQ(trap.size(), 7u);
    EXPECT_EQ(trap[4].zone, 2);
    EXPECT_EQ(trap[5].zone, -1);
    EXPECT_EQ(trap[6].vertex, 0);
    EXPECT_NEAR(trap[5].s - trap[6].s, std::sqrt(17.0), kEps);
    EXPECT_NEAR(trap[1].s, tv->Get_aktel()->sval[0], kEps);

    kotuntype none{};
    EXPECT_TRUE(tunnel::SectionPolyline(none, vl).empty());
}
