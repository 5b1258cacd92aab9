#include "list/FormattedText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kScale[] = {1, 10, 100, 1000, 10000};
constexpr uint64_t kPower[] = {1, 10, 100, 1000, 10000};

// "00" to "99".
constexpr char kPairs[] = "0001020304050607080910111213141516171819"
                          "2021222324252627282930313233343536373839"
                          "4041424344454647484950515253545556575859"
                          "6061626364656667686970717273747576777879"
                          "8081828384858687888990919293949596979899";

// Writes the decimal digits of n backwards, ending at `end`, at least `minimum` of them
// (leading zeros); returns where they begin.
char* digitsBefore(char* end, uint64_t n, int minimum) {
    char* p = end;
    while (n >= 100) {
        const auto pair = static_cast<std::size_t>(n % 100) * 2;
        n /= 100;
        *--p = kPairs[pair + 1];
        *--p = kPairs[pair];
    }
    if (n >= 10) {
        *--p = kPairs[n * 2 + 1];
        *--p = kPairs[n * 2];
    } else {
        *--p = static_cast<char>('0' + n);
    }
    while (end - p < minimum)
        *--p = '0';
    return p;
}

// |value| * 10^precision rounded to the nearest integer as printf rounds it (exact halves to
// even), when that can be found here; false for the values left to the C library.
bool scaledToInteger(double value, int precision, uint64_t& n) {
    if (precision < 0 || precision > 4 || !std::isfinite(value))
        return false;
    // The product is within half a unit in its last place of the exact one, so it rounds to
    // the same integer unless it lies that close to a half.
    const double scaled = std::fabs(value) * kScale[precision];
    if (!(scaled < 0x1p52))
        return false;
    const uint64_t whole = static_cast<uint64_t>(scaled);        // truncated: the floor
    const double fraction = scaled - static_cast<double>(whole); // exact below 2^52
    if (std::fabs(fraction - 0.5) > scaled * 0x1p-51) {
        n = whole + (fraction > 0.5 ? 1 : 0);
        return true;
    }
    // Close to a half: a mantissa of 64 bits holds the exact product (53 bits times 10^4 =
    // 2^4 * 625, 10 bits), and the exact comparison decides.
    if constexpr (std::numeric_limits<long double>::digits >= 64) {
        const long double exact = static_cast<long double>(std::fabs(value)) *
                                  static_cast<long double>(kScale[precision]);
        const long double floorExact = std::floor(exact);
        const long double rest = exact - floorExact;
        n = static_cast<uint64_t>(floorExact);
        if (rest > 0.5L || (rest == 0.5L && (n & 1) != 0))
            ++n;
        return true;
    }
    return false;
}

} // namespace

void FormattedText::grow(std::size_t n) {
    const std::size_t capacity = std::max({m_size + n, 2 * m_capacity, kChunk + 4096});
    std::unique_ptr<char[]> data(new char[capacity]);
    if (m_size > 0)
        std::memcpy(data.get(), m_data.get(), m_size);
    m_data = std::move(data);
    m_capacity = capacity;
}

static int digitCount(uint64_t n) {
    if (n < 10)
        return 1;
    if (n < 100)
        return 2;
    if (n < 1000)
        return 3;
    int count = 4;
    for (n /= 10000; n > 0; n /= 10)
        ++count;
    return count;
}

char* FormattedText::field(std::size_t length, int width) {
    const std::size_t blanks =
        width > 0 && static_cast<std::size_t>(width) > length ? width - length : 0;
    char* p = room(blanks + length);
    for (std::size_t i = 0; i < blanks; ++i)
        p[i] = ' ';
    m_size += blanks + length;
    return p + blanks + length;
}

FormattedText& FormattedText::fixed(double value, int width, int precision) {
    uint64_t n;
    if (scaledToInteger(value, precision, n)) {
        const uint64_t whole = n / kPower[precision];
        const bool minus = std::signbit(value);
        const std::size_t length = static_cast<std::size_t>((minus ? 1 : 0) + digitCount(whole) +
                                                            (precision > 0 ? 1 + precision : 0));
        // Written backwards from the field's end, straight into the text.
        char* p = field(length, width);
        if (precision > 0) {
            p = digitsBefore(p, n % kPower[precision], precision);
            *--p = '.';
        }
        p = digitsBefore(p, whole, 1);
        // printf shows the sign of a negative value even when it rounds to zero.
        if (minus)
            *--p = '-';
        return *this;
    }
    const int length = std::snprintf(nullptr, 0, "%*.*f", width, precision, value);
    char* p = room(static_cast<std::size_t>(length) + 1);
    std::snprintf(p, static_cast<std::size_t>(length) + 1, "%*.*f", width, precision, value);
    m_size += static_cast<std::size_t>(length);
    return *this;
}

FormattedText& FormattedText::integer(long value, int width) {
    const uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    const std::size_t length =
        static_cast<std::size_t>((value < 0 ? 1 : 0) + digitCount(magnitude));
    char* p = digitsBefore(field(length, width), magnitude, 1);
    if (value < 0)
        *--p = '-';
    return *this;
}

FormattedText& FormattedText::text(const char* text, std::size_t max) {
    return literal(std::string_view(text, strnlen(text, max)));
}

FormattedText& FormattedText::literal(std::string_view text) {
    const std::size_t last = text.rfind('\n');
    if (last == std::string_view::npos) {
        append(text.data(), text.size());
        return *this;
    }
    for (std::size_t at = 0; at <= last;) {
        const std::size_t newline = text.find('\n', at);
        append(text.data() + at, newline - at);
        if (m_crlf)
            append("\r\n", 2);
        else
            append("\n", 1);
        at = newline + 1;
    }
    m_lineStart = m_size;
    append(text.data() + last + 1, text.size() - last - 1);
    flushWhenFull();
    return *this;
}

FormattedText& FormattedText::column(std::size_t column) {
    const std::size_t end = m_lineStart + column;
    if (end > m_size) {
        std::memset(room(end - m_size), ' ', end - m_size);
    }
    m_size = end;
    return *this;
}

FormattedText& FormattedText::endLine() {
    char* p = room(2);
    if (m_crlf)
        *p++ = '\r';
    *p = '\n';
    m_size += m_crlf ? 2 : 1;
    m_lineStart = m_size;
    flushWhenFull();
    return *this;
}

void FormattedText::flushWhenFull() {
    // Only between lines, so that a column is still counted from its line's start.
    if (m_sink && m_size >= kChunk && m_lineStart == m_size)
        flush();
}

bool FormattedText::flush() {
    if (m_sink && m_size > 0 && !m_failed && std::fwrite(m_data.get(), 1, m_size, m_sink) != m_size)
        m_failed = true;
    clear();
    return !m_failed;
}
