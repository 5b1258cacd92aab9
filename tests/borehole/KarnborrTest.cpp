// Core drilling: the block written byte for byte, read back, and the reading rules.
#include "borehole/CKarnborr.h"

#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

std::string params(const harnbhdtype& h) {
    return std::string(h.slutkod) + " " + std::to_string(h.blockparam) + " " + h.klassystem + " " +
           h.klassland;
}

// The core block that the first test writes, as it stands after the head.
const std::string kCoreBlock =
    "*\n0 Kärna\n0.000000 95 3 0 1 1 0\n"
    " 12.50  6  5  45 -30 7 4 11 12 3 1995  85 2 1    2.125 150  Granit, grå\n"
    "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n"
    "%2 Sprickzon\n"
    "%5 Kärnförlust 0,2 m\n"
    " 30.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
    "*\n";

using KarnborrTest = BoreholeTest;

TEST_F(KarnborrTest, WritesTheBlockByteForByteAndReadsItBack) {
    testing_support::writeBytes(snd(), crlf(kHead) + "*"); // a new borehole: head and "*"
    CKarnborr kb(&proj, "B1");
    EXPECT_EQ(kb.Init(), -1); // no core block yet; the head is read
    kb.m_bhd.metod = CKarnborr::KB;
    setText(kb.m_bhd.metodtext, "Kärna");
    setText(kb.m_bhd.slutkod, "95");
    kb.m_bhd.blockparam = 3;
    setText(kb.m_bhd.klassland, "SE");
    setText(kb.m_bhd.klassystem, "RMR-");
    kbtype r{.djup = 12.5,
             .vinkel1 = 45,
             .vinkel2 = -30,
             .procent = 85,
             .tal1 = 150,
             .klass = 3,
             .kod1 = 11,
             .underkod1 = 12,
             .kod2 = 6,
             .underkod2 = 5,
             .kod3 = 7,
             .underkod3 = 4,
             .val = 2,
             .flagga = 1,
             .tal2 = 1995,
             .varde = 2.125,
             .text = "Granit, grå",
             .extra = {1, 2, 3, 4, 5, -6},
             .extravarde = {1.5, 2.5, 3.25, 4.5, 5.5},
             .textrad = {"", "Sprickzon", "", "", "Kärnförlust 0,2 m", ""}};
    kbtype last{.djup = 30, .extra = {32, 32, 32, 32, 32, 32}}; // no extra values given
    kb.Ny(1, &r);
    kb.Ny(1, &last);
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kCoreBlock));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(testing_support::exists(tmp()));

    CKarnborr back(&proj, "B1");
    ASSERT_EQ(back.Init(), 0);
    EXPECT_EQ(back.m_bhd.metod, -1);
    EXPECT_STREQ(back.m_bhd.metodtext, "Kärna");
    EXPECT_EQ(params(back.m_bhd), "95 3 RMR- SE");
    auto read = records(back);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(describe(read[0]), describe(r));
    // Read without an extra line: six zeros, not blanks, so it is written back with an
    // extra line of zeros; from then on the file is stable.
    EXPECT_EQ(describe(read[1]), "30 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0|");
    back.m_bhd.metod = CKarnborr::KB;
    std::string expected = kHead + kCoreBlock;
    expected.insert(expected.rfind('*'), "-30.00 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n");
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(back.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), crlf(expected));
    }
}

TEST_F(KarnborrTest, ABlockWithExtraLinesIsReadAndSavedIdentically) {
    const std::string file =
        kHead + "*\n0 Kärna\n0.000000 92 -1 0 1 0 1\n" +
        " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\n"
        "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n%2 Sprickzon\n" +
        "  0.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  Topp\n"
        "-0.00 7.0 0.00 0.0 0.0 0.0 32 32 32 32 32 32\n"
        "%1 a\n%2 b\n%3 c\n%4 d\n%5 e\n%6 f\n"
        // Too wide for its column, -360 pushes the rest along; the text still starts at 60.
        "999.99  0  0 -360  90 0 0 -7 -2 5 -999 100 2 0 -999.125 200 1234567890123456789\n"
        "-999.99 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n*\n";
    writeSnd(file);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_EQ(params(kb.m_bhd), "92 -1 Q- DK");
    kb.m_bhd.metod = CKarnborr::KB;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(kb.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), crlf(file));
    }
}

TEST_F(KarnborrTest, ParameterLineWritten) {
    const struct {
        const char *slutkod, *klassystem, *klassland, *line;
    } cases[] = {{"89", "RMR-", "DK", "0.000000 0 7 0 1 1 1"},
                 {"90", "Q-", "SE", "0.000000 90 7 0 1 0 0"},
                 {"96", "Q-", "DK", "0.000000 96 7 0 1 0 1"},
                 {"97", "RMR-", "SE", "0.000000 0 7 0 1 1 0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slutkod);
        writeSnd(kHead + "*\n");
        CKarnborr kb(&proj, "B1");
        kb.Init();
        kb.m_bhd.metod = CKarnborr::KB;
        kb.m_bhd.blockparam = 7;
        setText(kb.m_bhd.slutkod, c.slutkod);
        setText(kb.m_bhd.klassystem, c.klassystem);
        setText(kb.m_bhd.klassland, c.klassland);
        ASSERT_EQ(kb.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), crlf(kHead + "*\n0 \n" + c.line + "\n*\n"));
    }
}

TEST_F(KarnborrTest, InitFindsOnlyABlockZeroAndAppends) {
    CKarnborr missing(&proj, "B1");
    EXPECT_EQ(missing.Init(), -1);
    writeSnd(kHead + "*\n3 RB\n0.000000 0 0 0 1 0\n  1.000      5\n*\n"); // another block only
    CKarnborr other(&proj, "B1");
    EXPECT_EQ(other.Init(), -1);
    EXPECT_EQ(other.Where(nullptr), -1);
    EXPECT_DOUBLE_EQ(other.m_bhd.x, 1000.0); // the head is read
    EXPECT_TRUE(ui.events.empty());

    writeSnd(kHead + "*\n0 T\n0.000000 0 0 0 1 0 0\n  1.00 0 0 0 0 0 0 0 0 0 0 0 0 0\n*\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_EQ(records(kb).size(), 2u);
}

} // namespace
