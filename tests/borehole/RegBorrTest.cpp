// Registered drilling: both line formats, the kinds, the time question and the rock level.
#include "borehole/CRegBorr.h"

#include "tests/borehole/BoreholeFixture.h"

#include <sstream>

using namespace borehole_test;

namespace {

const std::string kRbBlock =
    "*\n3 Registrerad\n0.000000 95 7 0 1 4\n"
    "  1.500    120 12.34  1.10   333  2.20  4.40  5.50  6.60         Berg\n"
    "  2.000      0 50.00  0.00     0  0.00  0.00  0.00  0.00         \n*\n";
const std::string kJbBlock = "*\n1 Jord-berg\n0.000000 0 0 0 1 0\n"
                             "  2.500     30        slut\n"
                             "  3.000      0        \n*\n";

class RegBorrTest : public BoreholeTest {
protected:
    std::vector<rbtype> records(CRegBorr& rb) {
        std::vector<rbtype> out;
        if (rb.Home() != 0)
            return out;
        do
            out.push_back(*rb.Get_aktel());
        while (rb++);
        return out;
    }

    // An RB block of kind 4 over depths 1, 2, 3 with speed 50 and the given times, in the
    // form the library writes.
    void writeKind4(const std::string& times) {
        std::string block = "*\n3 RB\n0.000000 0 0 0 1 4\n";
        std::istringstream t(times);
        for (int d = 1; d <= 3; ++d) {
            long time;
            t >> time;
            char line[80];
            std::snprintf(line, sizeof line, "%7.3f %6ld %5.2f%-45s\n", d * 1.0, time, 50.0,
                          "  0.00     0  0.00  0.00  0.00  0.00");
            block += line;
        }
        writeSnd(kHead + block + "*\n");
    }
};

TEST_F(RegBorrTest, FullFormReadAndWrittenByteForByte) {
    writeSnd(kHead + kRbBlock);
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    EXPECT_EQ(rb.m_bhd.metod, CRegBorr::RB);
    EXPECT_STREQ(rb.m_bhd.metodtext, "Registrerad");
    EXPECT_STREQ(rb.m_bhd.slutkod, "95");
    EXPECT_EQ(rb.m_bhd.blockparam, 7);
    EXPECT_EQ(rb.m_typ2 + rb.m_typ3, 0);
    EXPECT_EQ(rb.m_typ4, 1);
    auto r = records(rb);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_FLOAT_EQ(r[0].djup, 1.5f);
    EXPECT_EQ(r[0].sjunktid, 120);
    EXPECT_DOUBLE_EQ(r[0].hastighet, 12.34);
    // File order: 1st, 3rd, 2nd, 4th, 5th, 6th.
    EXPECT_EQ(std::vector<double>(r[0].rbvarde, r[0].rbvarde + 6),
              (std::vector<double>{1.1, 2.2, 333, 4.4, 5.5, 6.6}));
    EXPECT_STREQ(r[0].text, "Berg");
    EXPECT_STREQ(r[1].text, ""); // the line is exactly 65 characters long

    // Kind 4 with a time given: no question. Slutkod 95: the rock level is 100 - 2 = 98.
    ASSERT_EQ(rb.Save(nullptr, 0), 0);
    EXPECT_TRUE(ui.events.empty());
    std::string head = kHead;
    head.replace(head.find("95.000000"), 9, "98.000000");
    EXPECT_EQ(sndBytes(), crlf(head + kRbBlock));
    ASSERT_EQ(rb.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(head + kRbBlock));
}

TEST_F(RegBorrTest, ShortFormReadAndWrittenByteForByte) {
    writeSnd(kHead + kRbBlock + kJbBlock);
    CRegBorr jb(&proj, "B1", CRegBorr::JB1);
    ASSERT_EQ(jb.Init(CRegBorr::JB1), 0);
    EXPECT_STREQ(jb.m_bhd.metodtext, "Jord-berg");
    EXPECT_EQ(jb.m_typ2 + jb.m_typ3 + jb.m_typ4, 0); // only RB blocks give a kind
    auto r = records(jb);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_FLOAT_EQ(r[0].djup, 2.5f);
    EXPECT_EQ(r[0].sjunktid, 30);
    EXPECT_STREQ(r[0].text, "slut");
    EXPECT_STREQ(r[1].text, ""); // 22 characters
    ASSERT_EQ(jb.Save(nullptr, 0), 0);
    // Slutkod 0: the rock level becomes the ground level.
    std::string head = kHead;
    head.replace(head.find("95.000000"), 9, "100.000000");
    EXPECT_EQ(sndBytes(), crlf(head + kRbBlock + kJbBlock));
}

TEST_F(RegBorrTest, ReadingTakesEveryLineOfTheBlock) {
    writeSnd(kHead + "*\n3 RB\n0.000000 0 0 0 1 3\n"
                     "  1.000      7\n"
                     "\n"
                     "  4.000     12  1.00  2.00     3  4.00  5.00  6.00  7.00 "
                     "        texten är längre än trettio tecken\n"
                     "*\n");
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    EXPECT_EQ(rb.m_typ3, 1);
    auto r = records(rb);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_FLOAT_EQ(r[0].djup, 1.0f);
    EXPECT_EQ(r[0].sjunktid, 7);
    EXPECT_DOUBLE_EQ(r[0].hastighet, 0.0);
    // An empty line gives a record of zeros.
    EXPECT_FLOAT_EQ(r[1].djup, 0.0f);
    EXPECT_EQ(r[1].sjunktid, 0);
    EXPECT_STREQ(r[1].text, "");
    EXPECT_STREQ(r[2].text, "texten är längre än trettio te");
    EXPECT_EQ(std::string(r[2].text).size(), 30u);

    CRegBorr missing(&proj, "B1", CRegBorr::JB1);
    EXPECT_EQ(missing.Init(CRegBorr::JB1), -1);
    EXPECT_EQ(missing.Where(nullptr), -1);
}

TEST_F(RegBorrTest, ConstructorAndInitSetTheMethod) {
    CRegBorr a(&proj, "B1", CRegBorr::JB1);
    EXPECT_EQ(a.m_bhd.metod, CRegBorr::JB1);
    CRegBorr b(&proj, "B1", CRegBorr::BARABHD);
    EXPECT_EQ(b.m_bhd.metod, CRegBorr::BARABHD);
    CRegBorr c(&proj, "B1", -5);
    EXPECT_EQ(c.m_bhd.metod, -1); // other negative values leave the head's default
    EXPECT_EQ(c.m_typ2 + c.m_typ3 + c.m_typ4, 0);

    writeSnd(kHead + kRbBlock);
    CRegBorr head(&proj, "B1", CRegBorr::RB);
    EXPECT_EQ(head.Init(CRegBorr::BARABHD), 0);
    EXPECT_EQ(head.m_bhd.metod, CRegBorr::BARABHD);
    EXPECT_EQ(head.Where(nullptr), -1);
    EXPECT_DOUBLE_EQ(head.m_bhd.z, 100.0);
    head.m_bhd.zberg = 50; // not recomputed for the head alone
    ASSERT_EQ(head.Save(nullptr, 0), 0);
    std::string h = kHead;
    h.replace(h.find("95.000000"), 9, "50.000000");
    EXPECT_EQ(sndBytes(), crlf(h + kRbBlock));
}

TEST_F(RegBorrTest, Kind4QuestionAnsweredYes) {
    writeKind4("0 0 0");
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ui.answer(IDYES);
    ASSERT_EQ(rb.Save(nullptr, 0), 0);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].call, platform::MessageCall::AfxMessageBox);
    EXPECT_EQ(m[0].text, "Sjunktid är ej given !\nBeräkna från given Hastighet ?");
    EXPECT_EQ(m[0].flags, MB_YESNO);
    auto r = records(rb);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].sjunktid, 0); // the first record never gets a time
    EXPECT_EQ(r[1].sjunktid, 120);
    EXPECT_EQ(r[2].sjunktid, 120);
    const std::string file = sndBytes();
    EXPECT_NE(file.find(crlf("  2.000    120 50.00")), std::string::npos);
    EXPECT_NE(file.find(crlf("  3.000    120 50.00")), std::string::npos);
}

TEST_F(RegBorrTest, Kind4QuestionAnsweredNo) {
    writeKind4("0 0 0");
    const std::string before = sndBytes();
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ui.answer(IDNO);
    ASSERT_EQ(rb.Save(nullptr, 0), 0);
    EXPECT_EQ(ui.messages().size(), 1u);
    for (const rbtype& r : records(rb))
        EXPECT_EQ(r.sjunktid, 0);
    // The save went on: only the rock level in the head changed (slutkod 0: ground level).
    std::string head = kHead;
    head.replace(head.find("95.000000"), 9, "100.000000");
    EXPECT_EQ(sndBytes().substr(crlf(head).size()), before.substr(crlf(kHead).size()));
}

TEST_F(RegBorrTest, NoQuestionWhenATimeIsGivenOrForOtherKinds) {
    writeKind4("0 5 0");
    CRegBorr rb(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
    ASSERT_EQ(rb.Save(nullptr, 0), 0);
    EXPECT_TRUE(ui.messages().empty());

    writeKind4("0 0 0");
    CRegBorr removing(&proj, "B1", CRegBorr::RB);
    ASSERT_EQ(removing.Init(CRegBorr::RB), 0);
    ASSERT_EQ(removing.Save(nullptr, 1), 0); // removing the block asks nothing
    EXPECT_TRUE(ui.messages().empty());

    CRegBorr empty(&proj, "B1", CRegBorr::RB);
    empty.m_typ4 = 1;
    ASSERT_EQ(empty.Save(nullptr, 0), 0); // an empty list asks nothing
    EXPECT_TRUE(ui.messages().empty());
    // Kind 4 is written on the parameter line of the new block.
    EXPECT_NE(sndBytes().find(crlf("*\n3 \n0.000000 0 0 0 1 4\n*\n")), std::string::npos);
}

TEST_F(RegBorrTest, RockLevelFromTheCode95) {
    struct Case {
        const char* slutkod;
        int lutning;
        double expected;
    } cases[] = {{"95", 90, 88.0}, {"94", 90, 100.0}, {"95", 30, 94.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slutkod);
        writeSnd(kHead + "*\n3 RB\n0.000000 0 0 0 1 0\n 12.000      0\n*\n");
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
        setText(rb.m_bhd.slutkod, c.slutkod);
        rb.m_bhd.lutning = c.lutning;
        ASSERT_EQ(rb.Save(nullptr, 0), 0);
        EXPECT_NEAR(rb.m_bhd.zberg, c.expected, 1e-9);
        CRegBorr back(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(back.Init(CRegBorr::BARABHD), 0);
        EXPECT_NEAR(back.m_bhd.zberg, c.expected, 1e-6);
    }
    EXPECT_TRUE(ui.messages().empty()); // no database: no warning
}

} // namespace
