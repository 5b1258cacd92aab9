// Core drilling: the block written byte for byte, read back, and the reading rules.
#include "borehole/CKarnborr.h"

#include "tests/borehole/BoreholeFixture.h"

#include <cmath>

using namespace borehole_test;

namespace {

// The core block of the first test, as it stands after the head.
const std::string kCoreBlock =
    "*\n"
    "0 Kärna\n"
    "0.000000 95 3 0 1 1 0\n"
    " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\n"
    "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n"
    "%2 Sprickzon\n"
    "%5 Kärnförlust 0,2 m\n"
    " 30.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
    "*\n";

class KarnborrTest : public BoreholeTest {
protected:
    // Reads B1 with a fresh object; returns Init's result.
    int read(CKarnborr& kb) { return kb.Init(); }

    // A file whose core block holds the parameter line `params` and the lines `body`.
    void writeCore(const std::string& params, const std::string& body) {
        writeSnd(kHead + "*\n0 Test\n" + params + "\n" + body + "*\n");
    }

    std::vector<kbtype> records(CKarnborr& kb) {
        std::vector<kbtype> out;
        if (kb.Home() != 0)
            return out;
        do
            out.push_back(*kb.Get_aktel());
        while (kb++);
        return out;
    }
};

TEST_F(KarnborrTest, WritesCoreBlockByteForByte) {
    testing_support::writeBytes(snd(), crlf(kHead) + "*"); // a new borehole: head and "*"
    CKarnborr kb(&proj, "B1");
    EXPECT_EQ(kb.Init(), -1); // no core block yet; the head is read
    kb.m_bhd.metod = CKarnborr::KB;
    setText(kb.m_bhd.metodtext, "Kärna");
    setText(kb.m_bhd.slutkod, "95");
    kb.m_bhd.blockparam = 3;
    setText(kb.m_bhd.klassland, "SE");
    setText(kb.m_bhd.klassystem, "RMR-");

    kbtype r{};
    r.djup = 12.5;
    r.kod2 = 3, r.underkod2 = 1, r.vinkel1 = 45, r.vinkel2 = -30, r.kod3 = 2, r.underkod3 = 4;
    r.kod1 = 11, r.underkod1 = 2, r.klass = 3, r.tal2 = 1995, r.procent = 85, r.val = 1;
    r.flagga = 1, r.varde = 2.125, r.tal1 = 150;
    setText(r.text, "Granit, grå");
    const int8_t extra[6] = {1, 2, 3, 4, 5, -6};
    std::memcpy(r.extra, extra, 6);
    const double values[5] = {1.5, 2.5, 3.25, 4.5, 5.5};
    std::memcpy(r.extravarde, values, sizeof values);
    setText(r.textrad[1], "Sprickzon");
    setText(r.textrad[4], "Kärnförlust 0,2 m");
    kb.Ny(1, &r);

    kbtype last{};
    last.djup = 30;
    std::memset(last.extra, 32, 6); // no extra values: no extra line
    kb.Ny(1, &last);

    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + kCoreBlock));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(testing_support::exists(tmp()));
}

TEST_F(KarnborrTest, InitThenSaveGivesTheSameFileAndSavingTwiceToo) {
    writeSnd(kHead + kCoreBlock);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_EQ(kb.m_bhd.metod, -1);
    EXPECT_STREQ(kb.m_bhd.metodtext, "Kärna");
    EXPECT_STREQ(kb.m_bhd.slutkod, "95");
    EXPECT_EQ(kb.m_bhd.blockparam, 3);
    EXPECT_STREQ(kb.m_bhd.klassystem, "RMR-");
    EXPECT_STREQ(kb.m_bhd.klassland, "SE");
    EXPECT_DOUBLE_EQ(kb.m_bhd.zberg, 95.0);

    auto recs = records(kb);
    ASSERT_EQ(recs.size(), 2u);
    const kbtype& r = recs[0];
    EXPECT_DOUBLE_EQ(r.djup, 12.5);
    EXPECT_EQ(r.kod2, 3);
    EXPECT_EQ(r.underkod2, 1);
    EXPECT_EQ(r.vinkel1, 45);
    EXPECT_EQ(r.vinkel2, -30);
    EXPECT_EQ(r.kod3, 2);
    EXPECT_EQ(r.underkod3, 4);
    EXPECT_EQ(r.kod1, 11);
    EXPECT_EQ(r.underkod1, 2);
    EXPECT_EQ(r.klass, 3);
    EXPECT_EQ(r.tal2, 1995);
    EXPECT_EQ(r.procent, 85);
    EXPECT_EQ(r.val, 1);
    EXPECT_EQ(r.flagga, 1);
    EXPECT_DOUBLE_EQ(r.varde, 2.125);
    EXPECT_EQ(r.tal1, 150);
    EXPECT_STREQ(r.text, "Granit, grå");
    EXPECT_EQ(std::vector<int>(r.extra, r.extra + 6), (std::vector<int>{1, 2, 3, 4, 5, -6}));
    EXPECT_EQ(std::vector<double>(r.extravarde, r.extravarde + 5),
              (std::vector<double>{1.5, 2.5, 3.25, 4.5, 5.5}));
    EXPECT_STREQ(r.textrad[0], "");
    EXPECT_STREQ(r.textrad[1], "Sprickzon");
    EXPECT_STREQ(r.textrad[4], "Kärnförlust 0,2 m");
    EXPECT_DOUBLE_EQ(recs[1].djup, 30.0);
    EXPECT_STREQ(recs[1].text, "");
    // Read without an extra line: six zeros, not blanks.
    EXPECT_EQ(std::vector<int>(recs[1].extra, recs[1].extra + 6), std::vector<int>(6, 0));

    kb.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    // The second record now carries an extra line of zeros; from then on the file is stable.
    const std::string once = sndBytes();
    const std::string zeros = " 30.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  \n"
                              "-30.00 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n";
    std::string expected = kHead + kCoreBlock;
    expected.replace(expected.find(" 30.00"),
                     std::string(" 30.00  0  0   0   0 0 0  0  0 0    0   "
                                 "0 0 0    0.000   0  \n")
                         .size(),
                     zeros);
    EXPECT_EQ(once, crlf(expected));

    CKarnborr again(&proj, "B1");
    ASSERT_EQ(again.Init(), 0);
    again.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(again.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), once);
    ASSERT_EQ(again.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), once);
}

TEST_F(KarnborrTest, BlockWithExtraLinesIsRewrittenIdentically) {
    // Every section carries its extra line: Init and Save give the file back byte for byte.
    const std::string file =
        kHead + "*\n0 Kärna\n0.000000 92 -1 0 1 0 1\n" +
        " 12.50  3  1  45 -30 2 4 11  2 3 1995  85 1 1    2.125 150  Granit, grå\n"
        "-12.50 1.5 3.25 2.5 4.5 5.5 1 2 3 4 5 -6\n"
        "%2 Sprickzon\n"
        "%5 Kärnförlust 0,2 m\n"
        "  0.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0  Topp\n"
        "-0.00 7.0 0.00 0.0 0.0 0.0 32 32 32 32 32 32\n"
        "%1 a\n%2 b\n%3 c\n%4 d\n%5 e\n%6 f\n"
        // Too wide for its column, -360 pushes the rest along; the text still starts at 60.
        "999.99  0  0 -360  90 0 0 -7 -2 5 -999 100 2 0 -999.125 200 1234567890123456789\n"
        "-999.99 0.0 0.00 0.0 0.0 0.0 0 0 0 0 0 0\n"
        "*\n";
    writeSnd(file);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_STREQ(kb.m_bhd.klassland, "DK");
    kb.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(file));
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(file));
}

TEST_F(KarnborrTest, SaveAfterPlainInitRewritesOnlyTheHead) {
    writeSnd(kHead + kCoreBlock);
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    kb.m_bhd.zberg = 90.5;
    kb.Home();
    kb.Delete(); // the list changes, but metod -1 keeps the block as it is
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    std::string head = kHead;
    head.replace(head.find("95.000000"), 9, "90.500000");
    EXPECT_EQ(sndBytes(), crlf(head + kCoreBlock));
}

TEST_F(KarnborrTest, NumbersOutsideTheirRangesBecomeZero) {
    // vinkel1 361, vinkel2 -91, procent 101, tal1 201, klass 6, val 3, flagga 2.
    writeCore("0.000000 0 0 0 1 0 0",
              "  1.00  0  0 361 -91 0 0  0  0 6    0 101 3 2    0.000 201\n"
              "  2.00  0  0 -360  90 0 0  0  0 5    0 100 2 0    0.000 200\n"
              "  3.00  0  0 360 -90 0 0  0  0 0 -123   0 0 1   -1.500   0\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    auto r = records(kb);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].vinkel1, 0);
    EXPECT_EQ(r[0].vinkel2, 0);
    EXPECT_EQ(r[0].procent, 0);
    EXPECT_EQ(r[0].tal1, 0);
    EXPECT_EQ(r[0].klass, 0);
    EXPECT_EQ(r[0].val, 0);
    EXPECT_EQ(r[0].flagga, 0);
    // The limits themselves are kept.
    EXPECT_EQ(r[1].vinkel1, -360);
    EXPECT_EQ(r[1].vinkel2, 90);
    EXPECT_EQ(r[1].procent, 100);
    EXPECT_EQ(r[1].tal1, 200);
    EXPECT_EQ(r[1].klass, 5);
    EXPECT_EQ(r[1].val, 2);
    EXPECT_EQ(r[2].vinkel1, 360);
    EXPECT_EQ(r[2].vinkel2, -90);
    EXPECT_EQ(r[2].flagga, 1);
    // tal2 and varde have no rule.
    EXPECT_EQ(r[2].tal2, -123);
    EXPECT_DOUBLE_EQ(r[2].varde, -1.5);
}

TEST_F(KarnborrTest, CodePairsFollowTheCountryOfTheBlock) {
    // Columns: djup kod2 underkod2 vinkel1 vinkel2 kod3 underkod3 kod1 underkod1 ...
    const std::string body = "  1.00 -2  5   0   0 -1 3 -3  4 0    0   0 0 0    0.000   0\n"
                             "  2.00  0  7   0   0 0 6  0  2 0    0   0 0 0    0.000   0\n"
                             "  3.00  4 -1   0   0 2 -5  9 -2 0    0   0 0 0    0.000   0\n";
    writeCore("0.000000 0 0 0 1 0 0", body); // Sweden
    CKarnborr se(&proj, "B1");
    ASSERT_EQ(se.Init(), 0);
    EXPECT_STREQ(se.m_bhd.klassland, "SE");
    auto r = records(se);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].kod2, 0);
    EXPECT_EQ(r[0].underkod2, 0);
    EXPECT_EQ(r[0].kod3, 0);
    EXPECT_EQ(r[0].underkod3, 0);
    EXPECT_EQ(r[0].kod1, 0);
    EXPECT_EQ(r[0].underkod1, 0);
    EXPECT_EQ(r[1].underkod2, 0); // no sub-code without a code
    EXPECT_EQ(r[1].underkod3, 0);
    EXPECT_EQ(r[1].underkod1, 0);
    EXPECT_EQ(r[2].kod2, 4);
    EXPECT_EQ(r[2].underkod2, 0); // negative sub-code
    EXPECT_EQ(r[2].kod3, 2);
    EXPECT_EQ(r[2].underkod3, 0);
    EXPECT_EQ(r[2].kod1, 9);
    EXPECT_EQ(r[2].underkod1, 0);

    writeCore("0.000000 0 0 0 1 0 1", body); // Denmark: pairs 1 and 3 as read
    CKarnborr dk(&proj, "B1");
    ASSERT_EQ(dk.Init(), 0);
    EXPECT_STREQ(dk.m_bhd.klassland, "DK");
    r = records(dk);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].kod2, 0); // pair 2 always follows the rule
    EXPECT_EQ(r[0].underkod2, 0);
    EXPECT_EQ(r[0].kod3, -1);
    EXPECT_EQ(r[0].underkod3, 3);
    EXPECT_EQ(r[0].kod1, -3);
    EXPECT_EQ(r[0].underkod1, 4);
    EXPECT_EQ(r[1].underkod2, 0);
    EXPECT_EQ(r[1].underkod3, 6);
    EXPECT_EQ(r[1].underkod1, 2);
    EXPECT_EQ(r[2].underkod2, 0);
    EXPECT_EQ(r[2].underkod3, -5);
    EXPECT_EQ(r[2].underkod1, -2);
}

TEST_F(KarnborrTest, RecordLinesNeedFourteenNumbers) {
    writeCore("0.000000 0 0 0 1 0 0",
              // 13 numbers: dropped; the remark after it finds no record.
              "  1.00  1  1  10  10 1 1  1  1 1 2000  50 1\n"
              "%1 after the dropped line\n"
              // 14 numbers: kept, varde and tal1 0.
              "  2.00  1  1  10  10 1 1  1  1 1 2000  50 1 1\n"
              // 16 numbers.
              "  3.00  1  1  10  10 1 1  1  1 1 2000  50 1 1    7.250  99\n"
              "no number at all\n"
              "\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    auto r = records(kb);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_DOUBLE_EQ(r[0].djup, 2.0);
    EXPECT_STREQ(r[0].textrad[0], "");
    EXPECT_EQ(r[0].flagga, 1);
    EXPECT_DOUBLE_EQ(r[0].varde, 0.0);
    EXPECT_EQ(r[0].tal1, 0);
    EXPECT_DOUBLE_EQ(r[1].djup, 3.0);
    EXPECT_DOUBLE_EQ(r[1].varde, 7.25);
    EXPECT_EQ(r[1].tal1, 99);
}

TEST_F(KarnborrTest, ExtraLinesAreMatchedByDepth) {
    writeCore("0.000000 0 0 0 1 0 0", " 12.50  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0\n"
                                      "-12.50 1.0 2.00 3.0 4.0 5.0 1 2 3 4 5 6\n"
                                      " 12.60  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0\n"
                                      "-12.50 9.0 9.00 9.0 9.0 9.0 9 9 9 9 9 9\n"
                                      "  0.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0\n"
                                      "-0.00 7.0 0.00 0.0 0.0 0.0 32 32 32 32 32 32\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    auto r = records(kb);
    ASSERT_EQ(r.size(), 3u);
    // File order: extravarde 1st, 3rd, 2nd, 4th, 5th.
    EXPECT_EQ(std::vector<double>(r[0].extravarde, r[0].extravarde + 5),
              (std::vector<double>{1, 3, 2, 4, 5}));
    EXPECT_EQ(std::vector<int>(r[0].extra, r[0].extra + 6), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    // -12.50 does not belong to the record at 12.60.
    EXPECT_EQ(std::vector<double>(r[1].extravarde, r[1].extravarde + 5), std::vector<double>(5, 0));
    EXPECT_EQ(std::vector<int>(r[1].extra, r[1].extra + 6), std::vector<int>(6, 0));
    // The writer's "-0.00" belongs to the record at depth 0.
    EXPECT_DOUBLE_EQ(r[2].extravarde[0], 7.0);
    EXPECT_EQ(std::vector<int>(r[2].extra, r[2].extra + 6), std::vector<int>(6, 32));
}

TEST_F(KarnborrTest, RemarkNumbersOneToSix) {
    const std::string longRemark(60, 'x');
    writeCore("0.000000 0 0 0 1 0 0", "%1 before any record\n"
                                      "  5.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0\n"
                                      "%1 första\n"
                                      "%6 sjätte\n"
                                      "%7 sjunde\n"
                                      "%0 noll\n"
                                      "%3 " +
                                          longRemark + "\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    auto r = records(kb);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_STREQ(r[0].textrad[0], "första");
    EXPECT_STREQ(r[0].textrad[5], "sjätte");
    EXPECT_STREQ(r[0].textrad[1], "");
    // The line is cut after 52 characters: 49 of the text remain.
    EXPECT_EQ(std::string(r[0].textrad[2]), std::string(49, 'x'));
    EXPECT_STREQ(r[0].textrad[3], "");
    EXPECT_STREQ(r[0].textrad[4], "");
}

TEST_F(KarnborrTest, TextStartsAtPositionSixtyAndIsCut) {
    const std::string numbers = "  1.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0";
    writeCore("0.000000 0 0 0 1 0 0",
              numbers + "  \n" +                            // 60 characters: no text
                  numbers + "  A\n" +                       // 61: "A"
                  numbers + "  12345678901234567890123\n"); // cut to 19
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    auto r = records(kb);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_STREQ(r[0].text, "");
    EXPECT_STREQ(r[1].text, "A");
    EXPECT_STREQ(r[2].text, "1234567890123456789");
}

TEST_F(KarnborrTest, ParameterLineReadAndWritten) {
    // Six numbers: "RMR-" from the sixth; no seventh, so Sweden.
    writeCore("0.000000 89 -4 0 1 1", "");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    EXPECT_STREQ(kb.m_bhd.slutkod, "89");
    EXPECT_EQ(kb.m_bhd.blockparam, -4);
    EXPECT_STREQ(kb.m_bhd.klassystem, "RMR-");
    EXPECT_STREQ(kb.m_bhd.klassland, "SE");
    EXPECT_EQ(kb.Where(nullptr), -1);
    kb.m_bhd.metod = CKarnborr::KB;
    setText(kb.m_bhd.klassland, "DK");
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    // A code outside 90 to 96 is written as 0.
    EXPECT_EQ(sndBytes(), crlf(kHead + "*\n0 Test\n0.000000 0 -4 0 1 1 1\n*\n"));

    writeCore("0.000000 96 0 0 1 0", "");
    CKarnborr q(&proj, "B1");
    ASSERT_EQ(q.Init(), 0);
    EXPECT_STREQ(q.m_bhd.slutkod, "96");
    EXPECT_STREQ(q.m_bhd.klassystem, "Q-");
    q.m_bhd.metod = CKarnborr::KB;
    ASSERT_EQ(q.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBytes(), crlf(kHead + "*\n0 Test\n0.000000 96 0 0 1 0 0\n*\n"));
}

TEST_F(KarnborrTest, InitWithoutFileOrBlock) {
    CKarnborr missing(&proj, "B1");
    EXPECT_EQ(missing.Init(), -1);
    EXPECT_EQ(missing.Where(nullptr), -1);

    testing_support::writeBytes(snd(), crlf(kHead) + "*");
    CKarnborr headOnly(&proj, "B1");
    EXPECT_EQ(headOnly.Init(), -1);
    EXPECT_EQ(headOnly.Where(nullptr), -1);
    EXPECT_STREQ(headOnly.m_bhd.id, "B1");
    EXPECT_DOUBLE_EQ(headOnly.m_bhd.x, 1000.0);

    // A block of another method only.
    writeSnd(kHead + "*\n3 RB\n0.000000 0 0 0 1 0\n  1.000      5\n*\n");
    CKarnborr other(&proj, "B1");
    EXPECT_EQ(other.Init(), -1);
    EXPECT_EQ(other.Where(nullptr), -1);
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(KarnborrTest, InitAppendsToWhatTheListHolds) {
    writeCore("0.000000 0 0 0 1 0 0",
              "  1.00  0  0   0   0 0 0  0  0 0    0   0 0 0    0.000   0\n");
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    ASSERT_EQ(kb.Init(), 0);
    int n = 0;
    kb.Where(&n);
    EXPECT_EQ(n, 2);
}

TEST_F(KarnborrTest, SaveWithoutTheFileShowsTheMessage) {
    CKarnborr kb(&proj, "B1");
    kb.m_bhd.metod = CKarnborr::KB;
    EXPECT_EQ(kb.Save(nullptr, 0), -3);
    auto m = ui.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Fel: Hittar inte " + winSnd());
    EXPECT_EQ(m[0].caption, "Filöppning");
    EXPECT_EQ(m[0].call, platform::MessageCall::MessageBoxA);
    EXPECT_EQ(m[0].flags, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_FALSE(testing_support::exists(snd()));
    EXPECT_FALSE(testing_support::exists(tmp()));

    EXPECT_EQ(kb.DeleteMetod(nullptr), -1);
    EXPECT_EQ(ui.messages().size(), 1u); // silently
}

} // namespace
