// Water-loss tests: the line format, the DOS letters and the title that is not kept.
#include "borehole/CVattenF.h"

#include "tests/borehole/BoreholeFixture.h"

using namespace borehole_test;

namespace {

const std::string kRow1 = " 10.000  15.000 0.5 12.5 3.0 0.125 7              ";
const std::string kRow2 = " 20.000  25.000 1.0 2.0 3.0 4.000 -3              ";

class VattenFTest : public BoreholeTest {
protected:
    std::vector<vftype> records(CVattenF& vf) {
        std::vector<vftype> out;
        if (vf.Home() != 0)
            return out;
        do
            out.push_back(*vf.Get_aktel());
        while (vf++);
        return out;
    }
};

TEST_F(VattenFTest, ReadAndWrittenWithTheTitleLost) {
    writeSnd(kHead + "*\n2 Vattenförlust\n0.000000 93 2 0 1\n" + kRow1 + "Tät sektion\n" + kRow2 +
             "\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), 0);
    EXPECT_EQ(vf.m_bhd.metod, -1);
    EXPECT_STREQ(vf.m_bhd.metodtext, "");
    EXPECT_STREQ(vf.m_bhd.slutkod, "93");
    EXPECT_EQ(vf.m_bhd.blockparam, 2);
    EXPECT_STREQ(vf.m_bhd.klassland, "SE");
    auto r = records(vf);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(std::vector<double>(r[0].vfvarde, r[0].vfvarde + 6),
              (std::vector<double>{10, 15, 0.5, 12.5, 3, 0.125}));
    EXPECT_EQ(r[0].vfkod, 7);
    EXPECT_STREQ(r[0].text, "Tät sektion");
    EXPECT_EQ(r[1].vfkod, -3);
    EXPECT_STREQ(r[1].text, ""); // a line of 50 characters has no text

    vf.m_bhd.metod = CVattenF::VF;
    ASSERT_EQ(vf.Save(nullptr, 0), 0);
    const std::string expected =
        kHead + "*\n2 \n0.000000 93 2 0 1\n" + kRow1 + "Tät sektion\n" + kRow2 + "\n*\n";
    EXPECT_EQ(sndBytes(), crlf(expected));

    CVattenF again(&proj, "B1");
    ASSERT_EQ(again.Init(), 0);
    again.m_bhd.metod = CVattenF::VF;
    ASSERT_EQ(again.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(expected));
}

TEST_F(VattenFTest, DosLettersBecomeWindowsLetters) {
    // "Tät, åsar, Öster" in the DOS code page.
    writeSnd(kHead + "*\n2 VF\n0.000000 0 0 0 1\n" + kRow1 + "T\x84t, \x86sar, \x99ster\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), 0);
    auto r = records(vf);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_STREQ(r[0].text, "Tät, åsar, Öster");
    vf.m_bhd.metod = CVattenF::VF;
    ASSERT_EQ(vf.Save(nullptr, 0), 0);
    EXPECT_NE(sndBytes().find(crlf(kRow1 + "Tät, åsar, Öster\n")), std::string::npos);
}

TEST_F(VattenFTest, TextIsCutAndLinesTakenAsTheyCome) {
    writeSnd(kHead + "*\n2 VF\n0.000000 0 0 0 1\n" + kRow1 + std::string(40, 'k') + "\n" + "1.5\n" +
             "\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), 0);
    auto r = records(vf);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(std::string(r[0].text), std::string(31, 'k'));
    EXPECT_DOUBLE_EQ(r[1].vfvarde[0], 1.5);
    EXPECT_DOUBLE_EQ(r[1].vfvarde[1], 0.0);
    EXPECT_EQ(r[2].vfkod, 0); // an empty line: a record of zeros
}

TEST_F(VattenFTest, BlockWithOnlyItsTitleIsNotFound) {
    writeSnd(kHead + "*\n2 VF\n*\n");
    CVattenF vf(&proj, "B1");
    EXPECT_EQ(vf.Init(), -1);
    EXPECT_EQ(vf.Where(nullptr), -1);
    CVattenF missing(&proj, "B2");
    EXPECT_EQ(missing.Init(), -1);
}

TEST_F(VattenFTest, NewBlockIsAppendedAfterTheOthers) {
    writeSnd(kHead + "*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n");
    CVattenF vf(&proj, "B1");
    ASSERT_EQ(vf.Init(), -1);
    vf.m_bhd.metod = CVattenF::VF;
    setText(vf.m_bhd.metodtext, "Vattenförlust"); // the title keeps 11 characters
    vftype t{};
    t.vfvarde[0] = 20, t.vfvarde[1] = 25, t.vfvarde[2] = 1, t.vfvarde[3] = 2, t.vfvarde[4] = 3;
    t.vfvarde[5] = 4, t.vfkod = -3;
    vf.Ny(1, &t);
    ASSERT_EQ(vf.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + "*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n" +
                               "*\n2 Vattenförlu\n0.000000 0 0 0 1\n" + kRow2 + "\n*\n"));
}

} // namespace
