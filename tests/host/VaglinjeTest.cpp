// The alignment: loading its file (and refusing bad ones), points along it with offsets, and
// the arc arithmetic of bulge-form polylines (Bulge_r, Padist), against hand-computed values.
#include "host/CVaglinje.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

using namespace testing_support;

namespace {

constexpr double kTol = 1e-9;
const double kPi = std::acos(-1.0);
const double kS = std::sqrt(0.5);           // sin 45° = cos 45°
const double kQuarter = std::sqrt(2.0) - 1; // bulge of a quarter circle, tan(22.5°)

// In the project grid, x north and y east: a straight going north, a quarter circle to the
// right, a quarter circle to the left, a half circle to the right and a straight going south;
// chainage from 1000.
//   (-10,0) -> (0,0) straight, 10 m
//   (0,0) -> (10,10) right, centre (0,10), r 10, 5π m
//   (10,10) -> (20,20) left, centre (20,10), r 10, 5π m
//   (20,20) -> (20,30) right, centre (20,25), r 5, 5π m
//   (20,30) -> (10,30) straight, 10 m
const char* const kWinding = "ALIGNMENT 1\n"
                             "# all kinds of element\n"
                             "1000\n"
                             "-10 0 0\n"
                             "0 0 0.41421356237309503\n"
                             "10 10 -0.41421356237309503\n"
                             "20 20 1\n"
                             "20 30\n"
                             "10 30 0\n";

class VaglinjeTest : public RecordingTest {
protected:
    // Writes `text` to a file of the temporary folder and loads it.
    int load(CVaglinje& v, const std::string& text, const std::string& name = "V.VL") {
        writeBytes(dir.file(name), text);
        return v.Init((dir.winPath() + "\\" + name).c_str());
    }
    // Vag2xy, expecting success and the point (x, y).
    void expectPoint(CVaglinje& v, double chainage, double offset, double x, double y) {
        double px = 0, py = 0;
        ASSERT_EQ(v.Vag2xy(chainage, offset, &px, &py), 0) << chainage << " " << offset;
        EXPECT_NEAR(px, x, kTol) << "x at " << chainage << " " << offset;
        EXPECT_NEAR(py, y, kTol) << "y at " << chainage << " " << offset;
    }
};

TEST_F(VaglinjeTest, StraightLinePointsOffsetsOnBothSidesEndsAndBeyond) {
    CVaglinje v;
    ASSERT_EQ(load(v, "ALIGNMENT 1\n100\n0 0\n30 40 0\n"), 0) << v.errorText();
    EXPECT_EQ(v.startChainage(), 100);
    EXPECT_NEAR(v.endChainage(), 150, kTol);
    expectPoint(v, 100, 0, 0, 0);
    expectPoint(v, 150, 0, 30, 40);
    // Direction (0.6, 0.8), north-east; to its left on the plan (north up) is (0.8, -0.6).
    expectPoint(v, 125, -5, 11, 23);
    expectPoint(v, 125, 5, 19, 17);
    expectPoint(v, 100, -2.5, -2, 1.5);
    double x = 7, y = 8;
    EXPECT_NE(v.Vag2xy(99.999999, 0, &x, &y), 0);
    EXPECT_NE(v.Vag2xy(150.000001, 0, &x, &y), 0);
    EXPECT_NE(v.Vag2xy(NAN, 0, &x, &y), 0);
    EXPECT_NE(v.Vag2xy(120, 0, nullptr, &y), 0);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
}

TEST_F(VaglinjeTest, ArcsTurningBothWaysAndAHalfCircle) {
    CVaglinje v;
    ASSERT_EQ(load(v, kWinding), 0) << v.errorText();
    const double q = 5 * kPi; // length of each of the three arcs
    EXPECT_EQ(v.startChainage(), 1000);
    EXPECT_NEAR(v.endChainage(), 1020 + 3 * q, kTol);

    // First straight heads north (x): its right is east (y).
    expectPoint(v, 1000, 0, -10, 0);
    expectPoint(v, 1005, -3, -5, 3);
    expectPoint(v, 1005, 3, -5, -3);
    // Where the straight meets the arc both agree on the normal.
    expectPoint(v, 1010, -1, 0, 1);
    // Quarter to the right, centre (0,10): right of a right turn is towards the centre.
    expectPoint(v, 1010 + q / 2, 0, 10 * kS, 10 - 10 * kS);
    expectPoint(v, 1010 + q / 2, -2, 8 * kS, 10 - 8 * kS);
    expectPoint(v, 1010 + q / 2, 2, 12 * kS, 10 - 12 * kS);
    expectPoint(v, 1010 + q, -1, 9, 10); // heading east: right is south
    // Quarter to the left, centre (20,10): right of a left turn is away from the centre.
    expectPoint(v, 1010 + 1.5 * q, 0, 20 - 10 * kS, 10 + 10 * kS);
    expectPoint(v, 1010 + 1.5 * q, -2, 20 - 12 * kS, 10 + 12 * kS);
    expectPoint(v, 1010 + 1.5 * q, 2, 20 - 8 * kS, 10 + 8 * kS);
    // Half circle to the right, centre (20,25): halfway it heads east.
    expectPoint(v, 1010 + 2 * q, 0, 20, 20);
    expectPoint(v, 1010 + 2.5 * q, 0, 25, 25);
    expectPoint(v, 1010 + 2.5 * q, -1, 24, 25);
    expectPoint(v, 1010 + 2.5 * q, 1, 26, 25);
    // Last straight heads south: its right is west. The end chainage is inside.
    expectPoint(v, 1020 + 3 * q, 0, 10, 30);
    expectPoint(v, 1020 + 3 * q, -2, 10, 28);
    double x, y;
    EXPECT_NE(v.Vag2xy(1020 + 3 * q + 1e-6, 0, &x, &y), 0);
    EXPECT_NE(v.Vag2xy(999.999999, 0, &x, &y), 0);

    // The elements as the tool shows them.
    ASSERT_EQ(v.elementCount(), 5);
    struct Want {
        double start, length, radius, cx, cy;
        int turn;
    } want[] = {{1000, 10, 0, 0, 0, 0},
                {1010, q, 10, 0, 10, 1},
                {1010 + q, q, 10, 20, 10, -1},
                {1010 + 2 * q, q, 5, 20, 25, 1},
                {1010 + 3 * q, 10, 0, 0, 0, 0}};
    for (int i = 0; i < 5; ++i) {
        AlignmentElement e;
        ASSERT_TRUE(v.element(i, &e));
        EXPECT_NEAR(e.startChainage, want[i].start, kTol) << i;
        EXPECT_NEAR(e.endChainage, want[i].start + want[i].length, kTol) << i;
        EXPECT_NEAR(e.length, want[i].length, kTol) << i;
        EXPECT_NEAR(e.radius, want[i].radius, kTol) << i;
        EXPECT_NEAR(e.centreX, want[i].cx, kTol) << i;
        EXPECT_NEAR(e.centreY, want[i].cy, kTol) << i;
        EXPECT_EQ(e.turn, want[i].turn) << i;
    }
    AlignmentElement e;
    EXPECT_FALSE(v.element(5, &e));
    EXPECT_FALSE(v.element(-1, &e));
}

TEST_F(VaglinjeTest, PadistGivesLengthAndOffsetThatVag2xyStartedFrom) {
    CVaglinje v;
    // Segment (0,0)-(30,40): along 25, 5 to the right on the plan; a point before a is
    // negative.
    kovltype a{0, 0, 0, 0}, b{30, 40, 0, 0};
    double len = -1, other = -1;
    ASSERT_EQ(v.Padist(&a, &b, 11, 23, &len, &other), 0);
    EXPECT_NEAR(len, 25, kTol);
    EXPECT_NEAR(other, -5, kTol);
    ASSERT_EQ(v.Padist(&a, &b, -3, -4, &len, nullptr), 0);
    EXPECT_NEAR(len, -5, kTol);
    // Quarter arcs: to the end point, and to the middle with an offset.
    kovltype l{0, 0, kQuarter, 0}, le{10, 10, 0, 0};
    ASSERT_EQ(v.Padist(&l, &le, 10, 10, &len, &other), 0);
    EXPECT_NEAR(len, 5 * kPi, kTol);
    EXPECT_NEAR(other, 0, kTol);
    ASSERT_EQ(v.Padist(&l, &le, 8 * kS, 10 - 8 * kS, &len, &other), 0);
    EXPECT_NEAR(len, 2.5 * kPi, kTol);
    EXPECT_NEAR(other, -2, kTol); // towards the centre of a right turn
    kovltype r{10, 10, -kQuarter, 0}, re{20, 20, 0, 0};
    ASSERT_EQ(v.Padist(&r, &re, 20, 20, &len, &other), 0);
    EXPECT_NEAR(len, 5 * kPi, kTol);
    ASSERT_EQ(v.Padist(&r, &re, 20 - 12 * kS, 10 + 12 * kS, &len, &other), 0);
    EXPECT_NEAR(len, 2.5 * kPi, kTol);
    EXPECT_NEAR(other, -2, kTol); // away from the centre of a left turn
    // A half circle, and a 270° arc to its end (longer than half the circle).
    kovltype h{20, 20, 1, 0}, he{20, 30, 0, 0};
    ASSERT_EQ(v.Padist(&h, &he, 20, 30, &len, nullptr), 0);
    EXPECT_NEAR(len, 5 * kPi, kTol);
    kovltype big{0, 0, -(1 + std::sqrt(2.0)), 0}, bige{-10, -10, 0, 0}; // left, centre (0,-10)
    ASSERT_EQ(v.Padist(&big, &bige, -10, -10, &len, nullptr), 0);
    EXPECT_NEAR(len, 15 * kPi, kTol);
    // Coinciding a and b, or no len: refused.
    EXPECT_NE(v.Padist(&a, &a, 1, 1, &len, nullptr), 0);
    EXPECT_NE(v.Padist(&a, &b, 1, 1, nullptr, nullptr), 0);

    // Round trip over a whole alignment: the point Vag2xy places is found again by Padist
    // on its element at the same length and offset.
    ASSERT_EQ(load(v, kWinding), 0);
    for (int i = 0; i < v.elementCount(); ++i) {
        kovltype p = v.points()[i], n = v.points()[i + 1];
        for (double f : {0.0, 0.3, 0.9})
            for (double off : {-1.5, 0.0, 2.0}) {
                const double ch = p.sekt + f * (n.sekt - p.sekt);
                double x, y;
                ASSERT_EQ(v.Vag2xy(ch, off, &x, &y), 0);
                ASSERT_EQ(v.Padist(&p, &n, x, y, &len, &other), 0);
                EXPECT_NEAR(len, ch - p.sekt, kTol) << i << " " << f << " " << off;
                EXPECT_NEAR(other, off, kTol) << i << " " << f << " " << off;
            }
    }
}

TEST_F(VaglinjeTest, BulgeRadiusAndCentreAndSplittingAnArcBothWays) {
    CVaglinje v; // no alignment needed for the arc arithmetic
    struct Arc {
        kokotype p, q;
        double r, cx, cy;
    } arcs[] = {{{0, 0, kQuarter, {}}, {10, 10, 0, {}}, 10, 0, 10},
                {{10, 10, -kQuarter, {}}, {20, 20, 0, {}}, 10, 20, 10},
                {{20, 20, 1, {}}, {20, 30, 0, {}}, 5, 20, 25},
                {{0, 0, -(1 + std::sqrt(2.0)), {}}, {-10, -10, 0, {}}, 10, 0, -10}};
    for (Arc& a : arcs) {
        double r = 0, cx = 0, cy = 0;
        ASSERT_EQ(v.Bulge_r(&a.p, &a.q, &r, &cx, &cy, 1), 0);
        EXPECT_NEAR(r, a.r, kTol);
        EXPECT_NEAR(cx, a.cx, kTol);
        EXPECT_NEAR(cy, a.cy, kTol);
    }

    // Split as a tunnel outline is split: the new point R is zeroed (bulge 0) when its own
    // part is set, so that part follows the turning of the arc being split.
    struct Split {
        double bulge, qx, qy; // arc from (0,0) with this bulge to q
        double angle;         // R's angle seen from the centre, degrees
        double first, second; // swept degrees of P->R and R->Q, signed
    } splits[] = {
        {kQuarter, 10, 10, -60, 30, 60},                  // left quarter, centre (0,10)
        {-kQuarter, 10, -10, 60, -30, -60},               // right quarter, centre (0,-10)
        {1 + std::sqrt(2.0), -10, 10, -60, 30, 240},      // left 270°, R->Q above 180°
        {-(1 + std::sqrt(2.0)), -10, -10, 60, -30, -240}, // right 270°
    };
    for (const Split& s : splits) {
        kokotype p{0, 0, s.bulge, {}}, q{s.qx, s.qy, 0, {}};
        double r, cx, cy;
        ASSERT_EQ(v.Bulge_r(&p, &q, &r, &cx, &cy, 1), 0);
        const double rad = s.angle * kPi / 180;
        kokotype rr{cx + r * std::cos(rad), cy + r * std::sin(rad), 0, {}};
        ASSERT_EQ(v.Bulge_r(&p, &rr, &r, &cx, &cy, 0), 0);
        ASSERT_EQ(v.Bulge_r(&rr, &q, &r, &cx, &cy, 0), 0);
        EXPECT_NEAR(p.z, std::tan(s.first * kPi / 180 / 4), kTol) << s.bulge;
        EXPECT_NEAR(rr.z, std::tan(s.second * kPi / 180 / 4), kTol) << s.bulge;
        // The two parts make up the original arc's length.
        kovltype a{0, 0, p.z, 0}, m{rr.x, rr.y, rr.z, 0}, e{q.x, q.y, 0, 0};
        double l1, l2;
        ASSERT_EQ(v.Padist(&a, &m, m.x, m.y, &l1, nullptr), 0);
        ASSERT_EQ(v.Padist(&m, &e, e.x, e.y, &l2, nullptr), 0);
        EXPECT_NEAR(l1 + l2, r * std::fabs(4 * std::atan(s.bulge)), kTol) << s.bulge;
    }

    // Refusals leave the outputs alone: a straight, coinciding points, a bad radius or mode.
    kokotype p{0, 0, 0, {}}, q{10, 0, 0, {}};
    double r = 3, cx = 4, cy = 5;
    EXPECT_NE(v.Bulge_r(&p, &q, &r, &cx, &cy, 1), 0);
    p.z = 0.5;
    EXPECT_NE(v.Bulge_r(&p, &p, &r, &cx, &cy, 1), 0);
    EXPECT_NE(v.Bulge_r(&p, &q, &r, &cx, &cy, 2), 0);
    EXPECT_EQ(r + cx + cy, 12);
    r = 0;
    EXPECT_NE(v.Bulge_r(&p, &q, &r, &cx, &cy, 0), 0);
    EXPECT_EQ(p.z, 0.5);
}

TEST_F(VaglinjeTest, CrLfCommentsBlanksAndTwoNumberPointsAreAccepted) {
    CVaglinje lf, crlf;
    ASSERT_EQ(load(lf, kWinding), 0);
    ASSERT_EQ(load(crlf,
                   "  ALIGNMENT\t1  \r\n\r\n# start\r\n 1000 \r\n-10 0\r\n\t0 0 "
                   "0.41421356237309503\r\n  # mid \xE4ndrad\r\n10 10 -0.41421356237309503\r\n"
                   "20 20 1.0e0\r\n20 30\r\n10 30 -0\r\n\r\n",
                   "W.VL"),
              0)
        << crlf.errorText();
    ASSERT_EQ(crlf.points().size(), lf.points().size());
    for (size_t i = 0; i < lf.points().size(); ++i) {
        EXPECT_EQ(crlf.points()[i].x, lf.points()[i].x);
        EXPECT_EQ(crlf.points()[i].bulge, lf.points()[i].bulge);
        EXPECT_EQ(crlf.points()[i].sekt, lf.points()[i].sekt);
    }
    EXPECT_EQ(crlf.errorText(), "");
}

TEST_F(VaglinjeTest, BadFilesAreRefusedWithTheReasonAndLeaveNothingLoaded) {
    struct Bad {
        const char* text;
        const char* error;
    } bad[] = {
        {"", "empty file"},
        {"\n\n", "line 1: the first line must be \"ALIGNMENT 1\""},
        {"ALIGNMENT 2\n0\n0 0\n1 0\n", "line 1: the first line must be \"ALIGNMENT 1\""},
        {"alignment 1\n0\n0 0\n1 0\n", "line 1: the first line must be \"ALIGNMENT 1\""},
        {"ALIGNMENT 1\n", "no start chainage"},
        {"ALIGNMENT 1\n# only\n0\n", "fewer than two points"},
        {"ALIGNMENT 1\n0\n5 5 0\n", "fewer than two points"},
        {"ALIGNMENT 1\n0 1\n0 0\n1 0\n", "line 2: expected the start chainage alone"},
        {"ALIGNMENT 1\n0\n0 0\n1,5 0\n", "line 4: \"1,5\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n1O 0\n", "line 4: \"1O\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\nnan 0\n", "line 4: \"nan\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n1 inf\n", "line 4: \"inf\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n0x10 0\n", "line 4: \"0x10\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n1e 0\n", "line 4: \"1e\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n. 0\n", "line 4: \".\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n1e400 0\n", "line 4: \"1e400\" is not a number"},
        {"ALIGNMENT 1\n0\n0 0\n1\n", "line 4: expected a point: x y [bulge]"},
        {"ALIGNMENT 1\n0\n0 0\n1 2 3 4\n", "line 4: expected a point: x y [bulge]"},
        {"ALIGNMENT 1\n0\n0 0\n2e9 0\n", "line 4: coordinate out of range"},
        {"ALIGNMENT 1\n-2e9\n0 0\n1 0\n", "line 2: start chainage out of range"},
        {"ALIGNMENT 1\n0\n0 0 1001\n1 0\n",
         "line 3: bulge out of range (at most 1000 in magnitude)"},
        {"ALIGNMENT 1\n0\n0 0\n0.0000001 0\n", "line 4: point equal to the one before"},
        {"ALIGNMENT 1\n0\n0 0\n1 0 0.5\n", "the last point has a bulge (it starts no element)"},
        {"ALIGNMENT 1\n0\n0 0\n1\x00 0\n", "not a text file (holds a zero byte)"},
    };
    static const char kZero[] = "ALIGNMENT 1\n0\n0 0\n1\0 0\n";
    CVaglinje v;
    for (const Bad& b : bad) {
        ASSERT_EQ(load(v, kWinding), 0); // loaded before each refusal
        std::string text = b.text;
        if (std::string(b.error).find("zero byte") != std::string::npos)
            text = std::string(kZero, sizeof kZero - 1);
        EXPECT_EQ(load(v, text, "BAD.VL"), -1) << b.text;
        EXPECT_EQ(v.errorText(), b.error) << b.text;
        double x, y;
        EXPECT_FALSE(v.isLoaded());
        EXPECT_EQ(v.elementCount(), 0);
        EXPECT_NE(v.Vag2xy(1000, 0, &x, &y), 0);
        EXPECT_TRUE(ui.events.empty()); // the caller decides what to tell the user
    }
    // Missing file, a folder, no path.
    EXPECT_EQ(v.Init((dir.winPath() + "\\NONE.VL").c_str()), -1);
    EXPECT_EQ(v.errorText(), "cannot read the file");
    makeDirs(dir.file("SUB.VL"));
    EXPECT_EQ(v.Init((dir.winPath() + "\\SUB.VL").c_str()), -1);
    EXPECT_EQ(v.Init(nullptr), -1);
    EXPECT_EQ(v.Init(""), -1);
}

TEST_F(VaglinjeTest, TheFormatDocumentsExamplesLoadAsWritten) {
    // Written here verbatim, and compared with the document so that both stay the same.
    const std::string straight = "ALIGNMENT 1\n"
                                 "# Road 1: one straight line, 500 m\n"
                                 "1000\n"
                                 "1000.000 2000.000 0\n"
                                 "1300.000 2400.000 0\n";
    const std::string curve = "ALIGNMENT 1\n"
                              "0\n"
                              "1000.000 2010.000\n"
                              "1100.000 2010.000 0.0436609429085\n"
                              "1152.094 2014.558\n"
                              "1250.575 2031.923\n";
    const std::string doc = readBytes(std::filesystem::path(__FILE__).parent_path().string() +
                                      "/../../docs/formats/Alignment.md");
    EXPECT_NE(doc.find("```\n" + straight + "```"), std::string::npos);
    EXPECT_NE(doc.find("```\n" + curve + "```"), std::string::npos);

    CVaglinje v;
    ASSERT_EQ(load(v, straight), 0) << v.errorText();
    EXPECT_EQ(v.startChainage(), 1000);
    EXPECT_NEAR(v.endChainage(), 1500, kTol);
    expectPoint(v, 1250, 10, 1158, 2194);
    expectPoint(v, 1250, -10, 1142, 2206);

    ASSERT_EQ(load(v, curve), 0) << v.errorText();
    AlignmentElement arc;
    ASSERT_TRUE(v.element(1, &arc));
    EXPECT_NEAR(arc.radius, 300, 0.01);
    EXPECT_EQ(arc.turn, 1);
    EXPECT_NEAR(arc.length, 300 * 10 * kPi / 180, 0.001);
    EXPECT_NEAR(v.endChainage(), 200 + 300 * 10 * kPi / 180, 0.001);
}

} // namespace
