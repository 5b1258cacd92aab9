// FormattedText gives the characters of the C library's printf for each conversion it
// offers: compared over many random values and over the values where a fast conversion
// could go wrong (halves at the last digit, their neighbours, negative zero and negatives
// that round to zero, values wider than their width, whole parts at the ends of the direct
// conversions' table, huge, tiny, infinite and NaN), and it writes the same bytes to its
// sink whether a background writer writes them or not.
#include "list/FormattedText.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

std::string printfFixed(double value, int width, int precision) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%*.*f", width, precision, value);
    return buf;
}

std::string formatted(double value, int width, int precision) {
    FormattedText text;
    text.fixed(value, width, precision);
    return std::string(text.view());
}

// The values to try at `precision`: random ones of every magnitude and sign, and the halves
// of the last digit with their neighbours.
std::vector<double> values(int precision, std::mt19937_64& random) {
    std::vector<double> out = {0.0,
                               -0.0,
                               -0.001,
                               -0.004999,
                               -0.5,
                               0.5,
                               1.5,
                               2.5,
                               0.125,
                               0.375,
                               1.005,
                               2.675,
                               1e15,
                               -1e15,
                               0x1p52,
                               0x1p53 + 2,
                               1e300,
                               -1e300,
                               5e-324,
                               -5e-324,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN()};
    const double unit = std::pow(10.0, -precision);
    std::uniform_int_distribution<long> whole(-2000000, 2000000);
    for (int i = 0; i < 20000; ++i) {
        const double half = (static_cast<double>(whole(random)) + 0.5) * unit;
        out.push_back(half);
        out.push_back(std::nextafter(half, 0.0));
        out.push_back(std::nextafter(half, 1e300));
        out.push_back(static_cast<double>(whole(random)) * unit);
    }
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> exponent(-12, 17);
    for (int i = 0; i < 50000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        out.push_back(i % 2 ? -v : v);
    }
    // Around the ends of the direct conversions' whole parts (9999 and 10000, either sign),
    // where rounding carries into the next whole number.
    for (double edge : {9999.0, 10000.0, 999.0, 1000.0, 99.0, 100.0, 9.0, 10.0, 1.0}) {
        for (double v : {edge, edge - unit / 2, edge - unit / 2 * 1.0000001, edge - unit}) {
            for (double w : {v, std::nextafter(v, 0.0), std::nextafter(v, 1e300)}) {
                out.push_back(w);
                out.push_back(-w);
            }
        }
    }
    // Any bit pattern at all.
    for (int i = 0; i < 20000; ++i) {
        const uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        out.push_back(v);
    }
    return out;
}

TEST(FormattedText, FixedAsPrintfForEveryPrecisionAndWidth) {
    std::mt19937_64 random(1);
    for (int precision : {0, 1, 2, 3, 4, 6}) {
        int mismatches = 0;
        for (double v : values(precision, random)) {
            for (int width : {0, 1, 5, 8, 9}) {
                const std::string want = printfFixed(v, width, precision);
                const std::string got = formatted(v, width, precision);
                if (got != want && ++mismatches <= 5)
                    ADD_FAILURE() << "%" << width << "." << precision << "f of "
                                  << printfFixed(v, 0, 30) << ": " << got << " for " << want;
            }
        }
        EXPECT_EQ(mismatches, 0) << "precision " << precision;
    }
}

TEST(FormattedText, IntegersTextsAndColumnsAsPrintf) {
    std::mt19937_64 random(2);
    std::vector<long> numbers = {0,     -1,    9,     -9,     10,       99,
                                 -99,   999,   -999,  1000,   -1000,    9999,
                                 -9999, 10000, 32767, -32768, LONG_MAX, LONG_MIN};
    for (int i = 0; i < 20000; ++i)
        numbers.push_back(static_cast<long>(random()) >> (random() % 63));
    for (long n : numbers)
        for (int width : {0, 1, 2, 3, 4, 5}) {
            char want[64];
            std::snprintf(want, sizeof want, "%*ld", width, n);
            FormattedText text;
            text.integer(n, width);
            ASSERT_EQ(text.view(), want) << n << " width " << width;
        }

    // Lines: numbers padded or cut to a column, a text cut to its field, several lines. The
    // first piece is empty, before the text has any storage (a copied empty line).
    FormattedText text;
    text.literal(std::string_view());
    EXPECT_EQ(text.view(), "");
    const char field[6] = {'a', 'b', 'c', 'd', 'e', 'f'}; // no terminating zero
    text.fixed(-0.0, 6, 2).put(' ').integer(-5, 3).column(12).text(field, 5).endLine();
    text.fixed(123456.789, 6, 2).put(' ').integer(123456, 3).column(8).text("kort", 19);
    text.endLine().put('%').integer(2).put(' ').text("", 50).endLine();
    EXPECT_EQ(text.view(), " -0.00  -5  abcde\n123456.7kort\n%2 \n");
    EXPECT_EQ(text.size(), text.view().size());
    text.clear();
    text.literal("ny").column(4).endLine();
    EXPECT_EQ(text.view(), "ny  \n");
}

// Many pieces handed to the background writer give the bytes written directly; a write
// refused on the way makes flush fail and leaves what came before it, nothing after; a text
// given up before its flush (as when an error interrupts a save) stops its writer, and the
// stream is its owner's again.
TEST(FormattedText, BackgroundWriterWritesTheSameBytes) {
    testing_support::TempDir dir;
    auto fill = [](FormattedText& text) {
        for (int i = 0; i < 60000; ++i)
            text.fixed(i * 0.37, 9, 3).put(' ').integer(i % 977 - 300, 4).literal(" rad\n");
    };
    auto open = [&](const char* name) {
        return platform::fopen((dir.winPath() + "\\" + name).c_str(), "wb");
    };
    FILE* direct = open("A.TXT");
    FormattedText a(direct, true);
    fill(a);
    EXPECT_TRUE(a.flush());
    std::fclose(direct);
    const std::string want = testing_support::readBytes(dir.file("A.TXT"));
    ASSERT_GT(want.size(), 4 * FormattedText::kBackgroundChunk);

    FILE* background = open("B.TXT");
    FormattedText b(background, true, true);
    fill(b);
    EXPECT_TRUE(b.flush());
    EXPECT_EQ(std::fclose(background), 0);
    EXPECT_TRUE(testing_support::readBytes(dir.file("B.TXT")) == want);

    {
        platform::FaultScope faults;
        platform::FaultInjector::failNth(platform::FileOp::Write, 2);
        FILE* refused = open("C.TXT");
        {
            FormattedText c(refused, true, true);
            fill(c);
            EXPECT_FALSE(c.flush());
        }
        EXPECT_NE(std::fclose(refused), 0);
        const std::string got = testing_support::readBytes(dir.file("C.TXT"));
        EXPECT_LT(got.size(), 2 * FormattedText::kBackgroundChunk);
        EXPECT_TRUE(want.compare(0, got.size(), got) == 0);
    }

    FILE* dropped = open("D.TXT");
    {
        FormattedText d(dropped, true, true);
        fill(d);
    }
    EXPECT_GE(std::fputs("slut", dropped), 0);
    EXPECT_EQ(std::fclose(dropped), 0);
    const std::string got = testing_support::readBytes(dir.file("D.TXT"));
    ASSERT_GE(got.size(), 4u);
    EXPECT_LT(got.size(), want.size());
    EXPECT_TRUE(want.compare(0, got.size() - 4, got, 0, got.size() - 4) == 0);
    EXPECT_EQ(got.substr(got.size() - 4), "slut");
}

} // namespace
