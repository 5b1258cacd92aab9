// The plain-number reader against sscanf over random lines: plain tokens of every sign,
// length and precision (halves and long fractions included) mixed with tokens it must leave
// to sscanf (exponents, hexadecimal, inf and nan, lone signs and points, letters after the
// digits, overlong integers) and every kind of white space. Wherever it reads, it must read
// what sscanf reads, bit for bit; where it stops at the end of the line, sscanf must too.
#include "list/PlainNumbers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

std::string digits(std::mt19937& rng, int most) {
    std::string d;
    for (int n = 1 + static_cast<int>(rng() % static_cast<unsigned>(most)); n > 0; --n)
        d += static_cast<char>('0' + rng() % 10);
    return d;
}

// A token and whether it is plain for "%lf" and for "%ld".
struct Token {
    std::string text;
    bool plainReal;
    bool plainInteger;
};

Token randomToken(std::mt19937& rng) {
    const char* signs[] = {"", "", "-", "+"};
    const std::string sign = signs[rng() % 4];
    switch (rng() % 12) {
    case 0:
    case 1:
    case 2:
        return {sign + digits(rng, 6), true, true};
    case 3:
    case 4:
        return {sign + digits(rng, 5) + "." + digits(rng, 4), true, false};
    case 5: // many digits: exact rounding of long fractions, integers past 18 digits
        return {sign + digits(rng, 22) + "." + digits(rng, 25), true, false};
    case 6: {
        const std::string d = digits(rng, 24);
        return {sign + d, true, d.size() <= 18};
    }
    case 7: // halves and the values either side of them
        return {sign + digits(rng, 3) + "." + digits(rng, 2) + (rng() % 2 ? "5" : "49999999"), true,
                false};
    default: {
        const char* other[] = {"1e5", "2.5E-3", "0x1A", "inf", "nan",   "-",   "+",
                               ".",   ".5",     "5.",   "12a", "3.4.5", "--1", "1,5",
                               "abc", "0X",     "-inf", "1e",  "7-",    "\xe5"};
        return {other[rng() % (sizeof other / sizeof *other)], false, false};
    }
    }
}

// Reads the next token as "%lf" (T double), "%f" (T float) or "%ld" (T long): it must be read
// exactly when it is plain, and then as sscanf reads it, bit for bit. Whether it was read.
template <class T>
bool readAndCompare(PlainNumbers& numbers, const std::string& token, bool plain,
                    const char* format) {
    T mine = 0;
    bool read = false;
    if constexpr (std::is_floating_point_v<T>)
        read = numbers.real(mine);
    else
        read = numbers.integer(mine);
    EXPECT_EQ(read, plain) << "token " << token;
    if (!read)
        return false;
    T theirs = 0;
    EXPECT_EQ(std::sscanf(token.c_str(), format, &theirs), 1);
    EXPECT_EQ(std::memcmp(&mine, &theirs, sizeof mine), 0) << "token " << token;
    return true;
}

const char* const kSpaces[] = {" ", "  ", "\t", " \r", "\n", "\v\f "};

TEST(PlainNumbersTest, ReadsWhatSscanfReads) {
    std::mt19937 rng(17);
    long fastReads = 0;
    for (int line = 0; line < 60000; ++line) {
        std::vector<Token> tokens;
        std::string text = rng() % 3 ? "" : kSpaces[rng() % 6];
        for (int n = static_cast<int>(rng() % 7); n > 0; --n) {
            tokens.push_back(randomToken(rng));
            text += tokens.back().text;
            if (n > 1 || rng() % 2)
                text += kSpaces[rng() % 6];
        }
        SCOPED_TRACE("line \"" + text + "\"");
        PlainNumbers numbers(text.c_str());
        for (size_t k = 0;; ++k) {
            if (numbers.atEnd()) {
                // Only white space is left: every token was read, and on an empty line
                // sscanf finds no number either.
                ASSERT_EQ(k, tokens.size());
                double d;
                if (k == 0) {
                    ASSERT_EQ(std::sscanf(text.c_str(), "%lf", &d), EOF);
                }
                break;
            }
            ASSERT_LT(k, tokens.size());
            const Token& t = tokens[k];
            const unsigned kind = rng() % 3;
            const bool read =
                kind == 0   ? readAndCompare<double>(numbers, t.text, t.plainReal, "%lf")
                : kind == 1 ? readAndCompare<float>(numbers, t.text, t.plainReal, "%f")
                            : readAndCompare<long>(numbers, t.text, t.plainInteger, "%ld");
            ASSERT_FALSE(HasFailure());
            if (!read)
                break;
            ++fastReads;
        }
    }
    EXPECT_GT(fastReads, 30000);
}

// A whole line read by scanLine, or by sscanf where scanLine gives up, leaves every value as
// sscanf alone does: those the line holds assigned, the others as they were.
TEST(PlainNumbersTest, WholeLinesAsSscanfLeavesThem) {
    std::mt19937 rng(29);
    struct Values {
        float f = -7.5f;
        long l = 99;
        double d[2] = {-1.25, 3.5};
    };
    int plainLines = 0;
    for (int line = 0; line < 20000; ++line) {
        std::string text;
        for (int n = static_cast<int>(rng() % 6); n > 0; --n)
            text += randomToken(rng).text + kSpaces[rng() % 6];
        SCOPED_TRACE("line \"" + text + "\"");
        Values mine, theirs;
        if (PlainNumbers::scanLine(text.c_str(), mine.f, mine.l, mine.d[0], mine.d[1]))
            ++plainLines;
        else
            std::sscanf(text.c_str(), "%f%ld%lf%lf", &mine.f, &mine.l, &mine.d[0], &mine.d[1]);
        std::sscanf(text.c_str(), "%f%ld%lf%lf", &theirs.f, &theirs.l, &theirs.d[0], &theirs.d[1]);
        ASSERT_EQ(std::memcmp(&mine.f, &theirs.f, sizeof mine.f), 0);
        ASSERT_EQ(mine.l, theirs.l);
        ASSERT_EQ(std::memcmp(mine.d, theirs.d, sizeof mine.d), 0);
    }
    EXPECT_GT(plainLines, 2000);
}

} // namespace
