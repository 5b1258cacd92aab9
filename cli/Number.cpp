#include "cli/Cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

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

constexpr double kScale[] = {1, 10, 100, 1000};
constexpr uint64_t kScaleInt[] = {1, 10, 100, 1000};
// Below 2^48 / 10^k the spacing of doubles is under a sixteenth of 10^-k.
constexpr double kShortLimit = 281474976710656.0;

int digitCount(uint64_t n) {
    int d = 1;
    for (; n >= 10; n /= 10)
        ++d;
    return d;
}

} // namespace

// Most coordinates are the double nearest to a decimal with at most 3 decimals, u / 10^k,
// well inside the precision of a double: no decimal with fewer significant digits lies
// within half a spacing of the value and none other with as many, so u / 10^k is the
// shortest text that reads back, and "%.*g" rounds to it with any precision from its own
// number of digits up. That text is written directly when "%g" gives it in fixed notation
// (its exponent under the precision); every other value goes through the search.
char* formatNumber(double value, char* out) {
    if (std::isnan(value)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    if (std::isinf(value)) {
        if (value < 0)
            *out++ = '-';
        std::memcpy(out, "inf", 3);
        return out + 3;
    }
    if (value == 0) {
        if (std::signbit(value))
            *out++ = '-';
        *out++ = '0';
        return out;
    }
    for (int k = 0; k <= 3; ++k) {
        const double scaled = value * kScale[k];
        if (!(std::fabs(scaled) < kShortLimit))
            break;
        const auto n = static_cast<int64_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
        if (static_cast<double>(n) / kScale[k] != value)
            continue;
        uint64_t u = static_cast<uint64_t>(n < 0 ? -n : n);
        int decimals = k;
        while (decimals > 0 && u % 10 == 0)
            u /= 10, --decimals;
        const int digits = digitCount(u);
        int significant = digits;
        for (uint64_t t = u; t % 10 == 0; t /= 10)
            --significant;
        const int exponent = digits - 1 - decimals;
        if (exponent >= std::max(6, significant))
            break; // "%g" writes it in exponential notation
        if (n < 0)
            *out++ = '-';
        const uint64_t scale = kScaleInt[decimals];
        out = std::to_chars(out, out + kNumberSize, u / scale).ptr;
        if (decimals > 0) {
            *out++ = '.';
            uint64_t fraction = u % scale;
            for (int i = decimals - 1; i >= 0; --i, fraction /= 10)
                out[i] = static_cast<char>('0' + fraction % 10);
            out += decimals;
        }
        return out;
    }
    return searchedNumber(value, out);
}

std::string number(double value) {
    char buf[kNumberSize];
    return std::string(buf, formatNumber(value, buf));
}

} // namespace cli
