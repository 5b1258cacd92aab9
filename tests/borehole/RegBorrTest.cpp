// Registered drilling (both line formats, the kinds, the time question, the rock level) and
// water-loss tests (the line format, the DOS letters, the title that is not kept).
#include "borehole/CRegBorr.h"
#include "borehole/CVattenF.h"

#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

std::string withZberg(const char* level) {
    std::string head = kHead;
    return head.replace(head.find("95.000000"), 9, level);
}

const std::string kRbBlock =
    "*\n3 Registrerad\n0.000000 95 7 0 1 4\n"
    "  1.500    120 12.34  1.10   333  2.20  4.40  5.50  6.60         Berg\n"
    "  2.000      0 50.00  0.00     0  0.00  0.00  0.00  0.00         \n*\n";
const std::string kJbBlock = "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n  2.500     30        slut\n"
                             "  3.000      0        \n*\n";

using RegBorrTest = BoreholeTest;
using VattenFTest = BoreholeTest;

TEST_F(RegBorrTest, BothFormsWrittenAsReadWithTheRockLevel) {
    // slutkod 95: the ground level less the last depth; otherwise the ground level.
    const std::pair<int, const char*> cases[] = {{CRegBorr::RB, "98.000000"},
                                                 {CRegBorr::JB1, "100.000000"}};
    for (const auto& [metod, zberg] : cases) {
        SCOPED_TRACE(metod);
        writeSnd(kHead + kRbBlock + kJbBlock);
        CRegBorr rb(&proj, "B1", metod);
        ASSERT_EQ(rb.Init(metod), 0);
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(rb.Save(nullptr, 0), 0);
            EXPECT_EQ(sndBytes(), crlf(withZberg(zberg) + kRbBlock + kJbBlock));
        }
        EXPECT_TRUE(ui.events.empty()); // kind 4 with a time given: no question
    }
}

TEST_F(RegBorrTest, TheMethodOfTheObject) {
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::BARABHD).m_bhd.metod, CRegBorr::BARABHD);
    EXPECT_EQ(CRegBorr(&proj, "B1", -5).m_bhd.metod, -1); // other negatives: the default
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::JB1).Init(CRegBorr::JB1), -1); // no file
    writeSnd(kHead + kRbBlock);
    EXPECT_EQ(CRegBorr(&proj, "B1", CRegBorr::JB1).Init(CRegBorr::JB1), -1); // no block 1
    CRegBorr head(&proj, "B1", CRegBorr::RB);
    EXPECT_EQ(head.Init(CRegBorr::BARABHD), 0);
    EXPECT_EQ(head.m_bhd.metod, CRegBorr::BARABHD);
    EXPECT_EQ(head.Where(nullptr), -1);
    head.m_bhd.zberg = 50; // not recomputed for the head alone
    ASSERT_EQ(head.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(withZberg("50.000000") + kRbBlock));
}

TEST_F(RegBorrTest, Kind4TimesFromTheSpeedsOnYes) {
    const struct {
        int times[3];
        int answer, del;
        bool asked;
        std::vector<int> after;
    } cases[] = {
        {{0, 0, 0}, IDYES, 0, true, {0, 120, 120}}, // the first record never gets a time
        {{0, 0, 0}, IDNO, 0, true, {0, 0, 0}},
        {{0, 5, 0}, IDYES, 0, false, {0, 5, 0}},
        {{0, 0, 0}, IDYES, 1, false, {}}, // removing the block asks nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer + c.times[1] + c.del);
        ui.clear();
        std::string block = "*\n3 RB\n0.000000 0 0 0 1 4\n";
        for (int d = 0; d < 3; ++d)
            block += "  " + std::to_string(d + 1) + ".000      " + std::to_string(c.times[d]) +
                     " 50.00  0.00     0  0.00  0.00  0.00  0.00\n";
        writeSnd(kHead + block + "*\n");
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
        ui.answer(c.answer);
        ASSERT_EQ(rb.Save(nullptr, c.del), 0);
        if (c.asked) {
            ASSERT_EQ(ui.messages().size(), 1u);
            EXPECT_EQ(ui.messages()[0].call, platform::MessageCall::AfxMessageBox);
            EXPECT_EQ(ui.messages()[0].text,
                      "Sjunktid är ej given !\nBeräkna från given Hastighet ?");
            EXPECT_EQ(ui.messages()[0].flags, MB_YESNO);
        } else {
            EXPECT_TRUE(ui.messages().empty());
        }
        CRegBorr back(&proj, "B1", CRegBorr::RB); // the times as saved
        back.Init(CRegBorr::RB);
        std::vector<int> times;
        for (const rbtype& r : records(back))
            times.push_back(r.sjunktid);
        EXPECT_EQ(times, c.after);
    }
    ui.clear();
    CRegBorr empty(&proj, "B1", CRegBorr::RB);
    empty.m_typ4 = 1;
    ASSERT_EQ(empty.Save(nullptr, 0), 0); // an empty list asks nothing
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(sndBytes().substr(sndBytes().find("*")), crlf("*\n3 \n0.000000 0 0 0 1 4\n*\n"));
}

TEST_F(RegBorrTest, RockLevelFromTheCode95) {
    const struct {
        const char* slutkod;
        int lutning;
        double expected;
    } cases[] = {{"95", 90, 88.0}, {"94", 90, 100.0}, {"95", 30, 94.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slutkod);
        writeSnd(kHead + "*\n3 RB\n0.000000 0 0 0 1 0\n 12.000      0\n*\n");
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
        setText(rb.m_bhd.slutkod, c.slutkod);
        rb.m_bhd.lutning = c.lutning;
        ASSERT_EQ(rb.Save(nullptr, 0), 0);
        CRegBorr back(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(back.Init(CRegBorr::BARABHD), 0);
        EXPECT_NEAR(back.m_bhd.zberg, c.expected, 1e-6);
    }
    EXPECT_TRUE(ui.messages().empty()); // no database: no warning
}

TEST_F(VattenFTest, WrittenAsReadWithTheTitleLost) {
    const std::string row = " 10.000  15.000 0.5 12.5 3.0 0.125 7              ";
    const std::string zero = "  0.000   0.000 0.0 0.0 0.0 0.000 0               "; // 50
    writeSnd(kHead + "*\n2 Vattenförlust\n0.000000 93 2 0 1\n" + row + "T\x84t, \x86sar\n" + zero +
             "\n" + row + std::string(40, 'k') + "\n1.5\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), 0);
    EXPECT_EQ(vf.m_bhd.metod, -1);
    vf.m_bhd.metod = CVattenF::VF;
    const std::string expected = kHead + "*\n2 \n0.000000 93 2 0 1\n" + row + "Tät, åsar\n" + zero +
                                 "\n" + row + std::string(31, 'k') + "\n  1.500" + zero.substr(7) +
                                 "\n*\n";
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(vf.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), crlf(expected));
    }
}

TEST_F(VattenFTest, ATitleLineAloneIsNoBlock) {
    EXPECT_EQ(CVattenF(&proj, "B1").Init(), -1); // no file
    writeSnd(kHead + "*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n*\n2 VF\n*\n");
    CVattenF vf(&proj, "B1");
    EXPECT_EQ(vf.Init(), -1); // the title line alone
    EXPECT_EQ(vf.Where(nullptr), -1);
    vf.m_bhd.metod = CVattenF::VF;
    setText(vf.m_bhd.metodtext, "Vattenförlust"); // 11 characters are kept
    vftype t{.vfvarde = {20, 25, 1, 2, 3, 4}, .vfkod = -3};
    vf.Ny(1, &t);
    ASSERT_EQ(vf.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead +
                               "*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n*\n2 Vattenförlu\n"
                               "0.000000 0 0 0 1\n" +
                               " 20.000  25.000 1.0 2.0 3.0 4.000 -3              \n*\n"));
}

} // namespace
