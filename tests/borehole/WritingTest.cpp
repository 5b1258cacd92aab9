// Blocks written from records set by the host: core drilling byte for byte, registered
// drilling's question for the times of kind 4, a new water-loss block. What is read and
// written back is in ReadingTest.

#include "platform/Cp1252Literal.h"
#include "tests/borehole/BoreholeFixture.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <random>

using namespace borehole_test;

namespace {

using WritingTest = BoreholeTest;

TEST_F(WritingTest, CoreDrillingBlockByteForByte) {
    writeSnd(kHead + "*\n0 Kärna\n0.000000 95 3 0 1 1 0\n*\n"_cp); // title and parameters
    CKarnborr kb(&proj, "B1");
    ASSERT_EQ(kb.Init(), 0);
    kb.m_bhd.metod = CKarnborr::KB;
    // Every field different, so that a swapped column shows.
    // clang-format off
    kbtype r{.djup = 12.5, .vinkel1 = 45, .vinkel2 = -30, .procent = 85, .tal1 = 150, .klass = 3,
             .kod1 = 11, .underkod1 = 12, .kod2 = 6, .underkod2 = 5, .kod3 = 7, .underkod3 = 4,
             .val = 2, .flagga = 1, .tal2 = 1995, .varde = 2.125,
             .extra = {1, 2, 3, 4, 5, -6}, .extravarde = {1.5, 2.5, 3.25, 4.5, 5.5},
             .textrad = {"", "Sprickzon"}};
    // clang-format on
    std::strcpy(r.text, "Granit, grå"_cp);
    std::strcpy(r.textrad[4], "Kärnförlust 0,2 m"_cp);
    kbtype last{.djup = 30, .extra = {32, 32, 32, 32, 32, 32}}; // no extra values given
    kb.Ny(1, &r);
    kb.Ny(1, &last);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(kb.Save(nullptr, 0), 0);
        EXPECT_EQ(sndBytes(), golden("core.snd"));
    }
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(testing_support::listNames(dir.file("HARNDB")), std::vector<std::string>{"B1.SND"});
}

TEST_F(WritingTest, Kind4TimesFromTheSpeedsOnYes) {
    // clang-format off
    const struct { int times[3], answer, del; bool asked; std::vector<int> after; const char* speed; } cases[] = {
        {{0, 0, 0}, IDYES, 0, true, {0, 120, 120}, "50.00"}, // the first record never gets a time
        {{0, 0, 0}, IDNO, 0, true, {0, 0, 0}, "50.00"},
        {{0, 5, 0}, IDYES, 0, false, {0, 5, 0}, "50.00"},
        {{0, 0, 0}, IDYES, 1, false, {}, "50.00"}, // removing the block asks nothing
        // A time beyond the field keeps its largest value.
        {{0, 0, 0}, IDYES, 0, true, {0, INT32_MAX, INT32_MAX}, "1e-9"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer + c.times[1] + c.del);
        ui.clear();
        std::string block = "*\n3 RB\n0.000000 0 0 0 1 4\n";
        for (int d = 0; d < 3; ++d)
            block += "  " + std::to_string(d + 1) + ".000      " + std::to_string(c.times[d]) +
                     " " + c.speed + "  0.00     0  0.00  0.00  0.00  0.00\n";
        writeSnd(kHead + block + "*\n");
        CRegBorr rb(&proj, "B1", CRegBorr::RB);
        ASSERT_EQ(rb.Init(CRegBorr::RB), 0);
        ui.answer(c.answer);
        ASSERT_EQ(rb.Save(nullptr, c.del), 0);
        const auto m = ui.messages();
        ASSERT_EQ(m.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(m[0].call, platform::MessageCall::AfxMessageBox);
            EXPECT_EQ(m[0].text, "Sjunktid är ej given !\nBeräkna från given Hastighet ?"_cp);
            EXPECT_EQ(m[0].flags, MB_YESNO);
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
    EXPECT_EQ(sndBlocks(), crlf("*\n3 \n0.000000 0 0 0 1 4\n*\n"));
}

TEST_F(WritingTest, WaterLossBlockAppendedWithItsTitleCut) {
    writeSnd(kHead + "*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n");
    CVattenF vf(&proj, "B1");
    vf.m_bhd.metod = CVattenF::VF;
    setText(vf.m_bhd.metodtext, "Vattenförlust"_cp); // 11 characters are kept
    vftype t{.vfvarde = {20, 25, 1, 2, 3, 4}, .vfkod = -3};
    vf.Ny(1, &t);
    ASSERT_EQ(vf.Save(nullptr, 0), 0);
    EXPECT_EQ(sndBlocks(), crlf("*\n0 KB\n0.000000 0 0 0 1 0 0\n*\n*\n2 Vattenförlu\n"
                                "0.000000 0 0 0 1\n"
                                " 20.000  25.000 1.0 2.0 3.0 4.000 -3              \n*\n"_cp));
}

// The section lines of any values, against the C library's printf of the line's format: the
// numbers padded to their widths or wider than them (then cut at the text's column), both
// signs, halves at the last digit and their neighbours, values too large for the direct
// conversions, negative zero, NaN, texts of every length, one with a line end.
TEST_F(WritingTest, SectionLinesAsPrintfForAnyValues) {
    std::mt19937_64 random(13);
    const int16_t edges[] = {0,  1,   9,   10,   99,   100,   999,   1000,  9999,  -1,
                             -9, -10, -99, -100, -999, -1000, 10000, 32767, -32768};
    auto number = [&]() -> int16_t {
        switch (random() % 3) {
        case 0:
            return edges[random() % std::size(edges)];
        case 1:
            return static_cast<int16_t>(random() % 20);
        default:
            return static_cast<int16_t>(random());
        }
    };
    auto value = [&](int precision) {
        const double unit = std::pow(10.0, -precision);
        const double whole = static_cast<double>(static_cast<int64_t>(random() % 40000) - 20000);
        switch (random() % 6) {
        case 0:
            return (whole + 0.5) * unit; // a half at the last digit
        case 1:
            return std::nextafter((whole + 0.5) * unit, random() % 2 ? 1e300 : -1e300);
        case 2:
            return std::ldexp(static_cast<double>(random() >> 11),
                              -40 + static_cast<int>(random() % 80));
        case 3:
            return random() % 2 ? -0.0 : std::nan("");
        default:
            return static_cast<double>(static_cast<int64_t>(random() % 2000000) - 1000000) / 1000;
        }
    };
    writeSnd(kHead);
    CKarnborr kb(&proj, "B1");
    kb.m_bhd.metod = CKarnborr::KB;
    std::string want;
    for (int i = 0; i < 3000; ++i) {
        kbtype r{.djup = value(2), .varde = value(3), .extra = {32, 32, 32, 32, 32, 32}};
        int16_t* fields[] = {&r.kod2,      &r.underkod2, &r.vinkel1,   &r.vinkel2, &r.kod3,
                             &r.underkod3, &r.kod1,      &r.underkod1, &r.klass,   &r.tal2,
                             &r.procent,   &r.val,       &r.flagga,    &r.tal1};
        for (int16_t* f : fields)
            *f = number();
        const std::size_t length = random() % (sizeof r.text + 1); // 20: no terminating zero
        for (std::size_t k = 0; k < length && k < sizeof r.text; ++k)
            r.text[k] = static_cast<char>('a' + random() % 26);
        if (i % 500 == 7)
            r.text[length / 2] = '\n';
        kb.Ny(1, &r);
        char numbers[512];
        std::snprintf(
            numbers, sizeof numbers,
            "%6.2f %2d %2d %3d %3d %1d %1d %2d %2d %1d %4d %3d %1d %1d %8.3lf %3d         ", r.djup,
            r.kod2, r.underkod2, r.vinkel1, r.vinkel2, r.kod3, r.underkod3, r.kod1, r.underkod1,
            r.klass, r.tal2, r.procent, r.val, r.flagga, r.varde, r.tal1);
        std::string line(numbers);
        line.resize(60, ' ');
        line += std::string(r.text, strnlen(r.text, sizeof r.text - 1));
        want += line + "\n";
    }
    ASSERT_EQ(kb.Save(nullptr, 0), 0);
    const std::string blocks = sndBlocks();
    // After the block's "*", title and parameter lines.
    std::size_t at = 0;
    for (int k = 0; k < 3; ++k)
        at = blocks.find("\r\n", at) + 2;
    EXPECT_EQ(blocks.substr(at), crlf(want + "*\n"));
}

} // namespace
