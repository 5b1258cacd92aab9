#include "cli/Cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace cli {

namespace {

// "%.*g" with the fewest significant digits that read back. No "%g" with fewer digits than
// the shortest scientific form can read back, so the search starts there (and at 6, the
// fewest shown).
char* searchedNumber(double value, char* out) {
    char shortest[kNumberSize];
    const char* end =
        std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific)
            .ptr;
    int digits = 0;
    for (const char* p = shortest; p < end && *p != 'e'; ++p)
        digits += *p >= '0' && *p <= '9';
    char* text = out;
    for (int precision = std::max(6, digits); precision <= 17; ++precision) {
        // "%.*g" in the C locale.
        text =
            std::to_chars(out, out + kNumberSize, value, std::chars_format::general, precision).ptr;
        double back = 0;
        std::from_chars(out, text, back);
        if (back == value)
            break;
    }
    return text;
}

// The shortest digits that read back (std::to_chars), laid out as "%.*g" lays them out with
// as much precision as they have digits, at least 6. The search finds this text for a
// normal value whose significand bits are not all zero: its rounding interval is then the
// same on both sides, so a decimal of as many digits nearer to it would read back as well
// and would have been the shortest (an exact tie between two goes to the even digit in
// both); and with fewer than 6 digits, rounding to 6 only appends zeros, which "%g" drops.
// Null for the other values.
char* laidOutShortest(double value, char* out) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if ((bits & 0x000FFFFFFFFFFFFFu) == 0 || !std::isnormal(value))
        return nullptr;
    char text[kNumberSize];
    const char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr;
    const char* p = text;
    if (*p == '-')
        *out++ = *p++;
    char digits[20];
    int count = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    if (exponent >= -4 && exponent < std::max(6, count)) {
        if (exponent < 0) {
            *out++ = '0';
            *out++ = '.';
            for (int i = exponent; i < -1; ++i)
                *out++ = '0';
            std::memcpy(out, digits, static_cast<size_t>(count));
            return out + count;
        }
        for (int i = 0; i <= exponent; ++i)
            *out++ = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            *out++ = '.';
            std::memcpy(out, digits + exponent + 1, static_cast<size_t>(count - exponent - 1));
            out += count - exponent - 1;
        }
        return out;
    }
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        std::memcpy(out, digits + 1, static_cast<size_t>(count - 1));
        out += count - 1;
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        *out++ = '0';
    return std::to_chars(out, out + 4, magnitude).ptr;
}

// Below 2^48 the spacing of doubles is under a sixteenth of 1, below 2^48 / 1000 under a
// sixteenth of 0.001.
constexpr double kWholeLimit = 281474976710656.0;
constexpr double kThousandthsLimit = kWholeLimit / 1000;

} // namespace

// Most coordinates are the double nearest to a decimal with at most 3 decimals, u / 10^k,
// well inside the precision of a double: no decimal with fewer significant digits lies
// within half a spacing of the value and none other with as many, so u / 10^k is the
// shortest text that reads back, and "%.*g" rounds to it with any precision from its own
// number of digits up. "%g" writes it in fixed notation when its exponent is under the
// precision: always when it has decimals; for a whole number below a million, or one with
// more digits whose last is not 0 (then all its digits are significant). Every other value
// goes through the search.
char* formatNumber(double value, char* out) {
    const double magnitude = std::fabs(value);
    if (magnitude < kWholeLimit) {
        if (value == 0) {
            if (std::signbit(value))
                *out++ = '-';
            *out++ = '0';
            return out;
        }
        const auto whole = static_cast<int64_t>(value);
        if (static_cast<double>(whole) == value) {
            if (magnitude < 1e6 || whole % 10 != 0)
                return std::to_chars(out, out + kNumberSize, whole).ptr;
        } else if (magnitude < kThousandthsLimit) {
            const double scaled = value * 1000;
            const auto n = static_cast<int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
            if (static_cast<double>(n) / 1000 == value) {
                auto u = static_cast<uint64_t>(n < 0 ? -n : n);
                int decimals = 3;
                for (; u % 10 == 0; u /= 10)
                    --decimals;
                uint64_t fraction = u;
                if (n < 0)
                    *out++ = '-';
                u /= decimals == 3 ? 1000 : decimals == 2 ? 100 : 10;
                out = std::to_chars(out, out + kNumberSize, u).ptr;
                *out = '.';
                for (int i = decimals; i > 0; --i, fraction /= 10)
                    out[i] = static_cast<char>('0' + fraction % 10);
                return out + 1 + decimals;
            }
        }
    } else if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    } else if (std::isinf(value)) {
        if (value < 0)
            *out++ = '-';
        std::memcpy(out, "inf", 3);
        return out + 3;
    }
    if (char* end = laidOutShortest(value, out))
        return end;
    return searchedNumber(value, out);
}

std::string number(double value) {
    char buf[kNumberSize];
    return std::string(buf, formatNumber(value, buf));
}

} // namespace cli
