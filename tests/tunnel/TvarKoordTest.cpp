// Outlines of cross-section types: reading a .ttv file, saving with the arc check, bulges,
// extents and messages, reading and saving again, and types built from code.
#include "list/Utilities.h"
#include "platform/Cp1252Literal.h"
#include "platform/FailureLog.h"
#include "tests/tunnel/TunnelFixture.h"
#include "tunnel/SectionTypes.h"

#include <string>
#include <vector>

using testing_support::crlf;
using testing_support::readBytes;
using testing_support::writeBytes;

namespace {

class TvarKoord : public tvtest::TunnelTest {
protected:
    // A library holding one current type T1 with springing levels 1.5 and 3.0.
    void SetUp() override {
        TunnelTest::SetUp();
        ASSERT_EQ(lib.Init(1), 0);
        tvtytype t{};
        std::strcpy(t.tvnamn, "T1");
        std::strcpy(t.tvtext, "Valv");
        t.anfstart = 1.5, t.anfslut = 3.0, t.tvval3 = 0.75;
        t.tvval[0] = 1, t.tvval[1] = 2, t.tvval[2] = 3, t.tvval[3] = 4;
        lib.Ny(1, &t);
    }
    static void add(CTvarKoord& k, double x, double y, double radie) {
        tvkotype p{};
        p.x = x, p.y = y, p.radie = radie;
        k.Ny(1, &p);
    }
    // "x y radie bulge" of every point, as saved.
    static std::vector<std::string> points(CTvarKoord& k) {
        std::vector<std::string> out;
        char buf[128];
        if (k.Home() == 0)
            do {
                const tvkotype* p = k.Get_aktel();
                std::snprintf(buf, sizeof buf, "%g %g %g %.4f", p->x, p->y, p->radie, p->bulge);
                out.push_back(buf);
            } while (k++);
        return out;
    }
    CTvarsnitt lib{&proj};
};

const char* const kHeader = "*\nT1\n   1.500    3.000    0.750\n   0.000    6.000\n"
                            "   0.000    6.000\n   1.000    2.000    3.000    4.000\nValv\n*\n";

} // namespace

// Each kind of segment: radius 5 over a chord of 6 bulges -1/3, radius -5 +1/3; radius 2
// cannot span 6 and becomes straight with a message; a point on top of its successor keeps
// its radius with bulge 0 and a status warning; radius 0.005 is straight without a word.
// Reading the file back and saving it again gives the same file, every time.
TEST_F(TvarKoord, SaveBulgesRadiiAndRoundTrip) {
    CTvarKoord k;
    k.m_fil = (winFolder() + "T1.ttv").c_str();
    add(k, 0, 0, 5);
    add(k, 6, 0, -5);
    add(k, 6, 6, 2);
    add(k, 0, 6, 1);
    add(k, 0, 6, 0.005);
    ASSERT_EQ(k.Save(&lib), 0);
    const std::string want =
        crlf(std::string(kHeader) + "   0.000    0.000    5.000   -0.333 \n"
                                    "   6.000    0.000   -5.000    0.333 \n"
                                    "   6.000    6.000    0.000    0.000 \n"
                                    "   0.000    6.000    1.000    0.000 \n"
                                    "   0.000    6.000    0.000    0.000 \n*\n");
    EXPECT_EQ(readBytes(file("T1.ttv")), want);
    EXPECT_EQ(points(k), (std::vector<std::string>{"0 0 5 -0.3333", "6 0 -5 0.3333", "6 6 0 0.0000",
                                                   "0 6 1 0.0000", "0 6 0 0.0000"}));
    const tvtytype* t = lib.Get_aktel();
    EXPECT_EQ((std::vector<double>{t->xmin, t->xmax, t->ymin, t->ymax}),
              (std::vector<double>{0, 6, 0, 6}));
    const Events seen{
        "box: Felaktig radie: 2.00\npkt 6.00,6.00 -  0.00,6.00\nRadien sätts : 0.0"_cp,
        "status: Varning, 2 st punkter med samma läge: 0.00,6.00"_cp, "bells: 1"};
    EXPECT_EQ(events(), seen);

    for (int round = 0; round < 2; ++round) {
        CTvarKoord again;
        double start = -1, end = -1;
        char text[39] = "x";
        ASSERT_EQ(again.Init(winFolder().append("t1.TTV").c_str(), &start, &end, text), 0);
        EXPECT_EQ(start, 1.5);
        EXPECT_EQ(end, 3.0);
        EXPECT_STREQ(text, "Valv");
        ASSERT_EQ(again.Save(&lib), 0);
        EXPECT_EQ(readBytes(file("T1.ttv")), want) << round;
        EXPECT_EQ(events(), (Events{"status: Varning, 2 st punkter med samma läge: 0.00,6.00"_cp,
                                    "bells: 1"}));
    }
}

// The springing levels must be given: a level below 0.001 is told once per save, and the
// outline is saved all the same. A single point's segment runs to itself. An empty outline
// has zero extents and no points.
TEST_F(TvarKoord, SpringingLevelsSinglePointAndEmpty) {
    lib.Get_aktel()->anfstart = 0.0005;
    CTvarKoord k;
    k.m_fil = (winFolder() + "T1.ttv").c_str();
    add(k, 1, 2, 0.5);
    ASSERT_EQ(k.Save(&lib), 0);
    EXPECT_EQ(events(),
              (Events{"box: Not so good Kip,\nAnfang start och anfang slut borde anges!",
                      "status: Varning, 2 st punkter med samma läge: 1.00,2.00"_cp, "bells: 1"}));
    EXPECT_EQ(readBytes(file("T1.ttv")),
              crlf("*\nT1\n   0.001    3.000    0.750\n   1.000    1.000\n   2.000    2.000\n"
                   "   1.000    2.000    3.000    4.000\nValv\n*\n"
                   "   1.000    2.000    0.500    0.000 \n*\n"));

    CTvarKoord empty;
    empty.m_fil = (winFolder() + "T1.ttv").c_str();
    ASSERT_EQ(empty.Save(&lib), 0);
    EXPECT_EQ(events(), Events{"bells: 0"});
    EXPECT_EQ(readBytes(file("T1.ttv")),
              crlf("*\nT1\n   0.001    3.000    0.750\n   0.000    0.000\n   0.000    0.000\n"
                   "   1.000    2.000    3.000    4.000\nValv\n*\n*\n"));
}

// Reading: only the first two numbers of the third line are the springing levels, and only
// when both are there; point lines need three numbers; the text is cut to its field; the
// points lie between the second and the third star line, wherever those are. A missing file is -1,
// with its path remembered.
TEST_F(TvarKoord, ReadingRules) {
    writeBytes(file("A.ttv"), "*\nA\n2.5\n0 0\n0 0\n0 0 0 0\n" + std::string(50, 't') +
                                  "\n*\n1 2 3 4\n5 6\n7 8 -9\n*\n10 11 12\n");
    CTvarKoord k;
    double start = 9, end = 9;
    char text[39];
    ASSERT_EQ(k.Init((winFolder() + "A.ttv").c_str(), &start, &end, text), 0);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(std::string(text), std::string(38, 't'));
    EXPECT_EQ(points(k), (std::vector<std::string>{"1 2 3 0.0000", "7 8 -9 0.0000"}));

    writeBytes(file("B.ttv"), crlf("*\nB\n 1.25 2.5 3\n*\n0 1 0\n*\n"));
    CTvarKoord b;
    ASSERT_EQ(b.Init((winFolder() + "B.ttv").c_str(), &start, nullptr, nullptr), 0);
    EXPECT_EQ(start, 1.25);
    EXPECT_EQ(points(b), std::vector<std::string>{"0 1 0 0.0000"});

    // A CR that the cut leaves at the end of the text is dropped like the line end (saved
    // and read again, it would be).
    writeBytes(file("D.ttv"),
               "*\nD\n0 0\n0 0\n0 0\n0 0 0 0\n" + std::string(37, 'u') + "\rmore\n*\n");
    CTvarKoord d;
    ASSERT_EQ(d.Init((winFolder() + "D.ttv").c_str(), nullptr, nullptr, text), 0);
    EXPECT_EQ(std::string(text), std::string(37, 'u'));

    CTvarKoord missing;
    EXPECT_EQ(missing.Init((winFolder() + "C.ttv").c_str(), &start, &end, text), -1);
    EXPECT_EQ(std::string(missing.m_fil), winFolder() + "C.ttv");
    EXPECT_EQ(start, 1.25); // untouched
    EXPECT_EQ(events(), Events{"bells: 0"});
}

// A save that cannot write keeps the old file and says so; the extents are set all the same.
// Without a current type there is nothing to save into.
TEST_F(TvarKoord, SaveFailures) {
    CTvarKoord k;
    k.m_fil = (dir.winPath() + "\\NONE\\T1.ttv").c_str();
    add(k, -2, 1, 0);
    EXPECT_EQ(k.Save(&lib), -3);
    EXPECT_EQ(events(),
              (Events{"box: Fel: Kan inte öppna "_cp + std::string(k.m_fil) + " Avbryter...",
                      "bells: 0"}));
    EXPECT_EQ(lib.Get_aktel()->xmin, -2);

    platform::FailureLog::reset();
    CTvarsnitt none(&proj);
    EXPECT_EQ(k.Save(&none), -3);
    EXPECT_EQ(platform::FailureLog::count(), 1);
    platform::FailureLog::reset();
}

// Types built from code: a trapezoid and an arch of a half circle on straight walls, each
// with its outline file and its index record (extents of the points), read back whole.
TEST_F(TvarKoord, TypesBuiltFromCode) {
    CTvarsnitt built(&proj);
    ASSERT_EQ(built.Init(1), 0);
    tunnel::SectionTypeDesc trapets;
    trapets.name = "TRAPETS";
    trapets.text = "Trapets 6/4 m";
    trapets.anfstart = 0.5, trapets.anfslut = 3.5;
    ASSERT_EQ(tunnel::AddSectionType(built, trapets, tunnel::TrapezoidOutline(6, 4, 4)), 0);
    tunnel::SectionTypeDesc valv;
    valv.name = "VALV";
    valv.text = "Valv 6 m";
    valv.anfstart = 1.0, valv.anfslut = 3.0;
    ASSERT_EQ(tunnel::AddSectionType(built, valv, tunnel::ArchOutline(6, 3)), 0);
    EXPECT_EQ(events(), Events{"bells: 0"});

    EXPECT_EQ(readBytes(file("VALV.ttv")),
              crlf("*\nVALV\n   1.000    3.000    0.000\n  -3.000    3.000\n   0.000    3.000\n"
                   "   0.000    0.000    0.000    0.000\nValv 6 m\n*\n"
                   "  -3.000    0.000    0.000    0.000 \n"
                   "   3.000    0.000    0.000    0.000 \n"
                   "   3.000    3.000   -3.000    1.000 \n"
                   "  -3.000    3.000    0.000    0.000 \n*\n"));
    EXPECT_EQ(readBytes(file("TRAPETS.ttv")),
              crlf("*\nTRAPETS\n   0.500    3.500    0.000\n  -3.000    3.000\n"
                   "   0.000    4.000\n   0.000    0.000    0.000    0.000\nTrapets 6/4 m\n*\n"
                   "  -3.000    0.000    0.000    0.000 \n"
                   "   3.000    0.000    0.000    0.000 \n"
                   "   2.000    4.000    0.000    0.000 \n"
                   "  -2.000    4.000    0.000    0.000 \n*\n"));

    CTvarsnitt back(&proj);
    ASSERT_EQ(back.Init(0), 0);
    EXPECT_EQ(listed(back), (std::vector<std::string>{"TRAPETS@100", "VALV@236"}));
    EXPECT_EQ(back.m_hd.antal, 2);
    ASSERT_EQ(back.FindKoord("valv"), 0);
    const tvtytype* t = back.Get_aktel();
    EXPECT_EQ((std::vector<double>{t->anfstart, t->anfslut, t->xmin, t->xmax, t->ymin, t->ymax}),
              (std::vector<double>{1, 3, -3, 3, 0, 3}));
    EXPECT_EQ(std::string(t->tvtext), "Valv 6 m");
    EXPECT_EQ(points(*back.Outline()),
              (std::vector<std::string>{"-3 0 0 0.0000", "3 0 0 0.0000", "3 3 -3 0.0000",
                                        "-3 3 0 0.0000"}));
    EXPECT_EQ(events(), Events{"bells: 0"});

    // A type whose outline cannot be written is not kept.
    CProjPath nowhere(dir.file("none").c_str());
    CTvarsnitt lost(&nowhere);
    EXPECT_EQ(tunnel::AddSectionType(lost, valv, tunnel::ArchOutline(6, 3)), -3);
    EXPECT_EQ(lost.Where(nullptr), -1);
    events();
}
