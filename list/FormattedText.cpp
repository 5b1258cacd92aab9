#include "list/FormattedText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kScale[] = {1, 10, 100, 1000, 10000};
constexpr uint64_t kPower[] = {1, 10, 100, 1000, 10000};

// The decimal digits of n, at least `minimum` of them (leading zeros), written at `out`.
char* digits(char* out, uint64_t n, int minimum) {
    char buf[24];
    const char* end = std::to_chars(buf, buf + sizeof buf, n).ptr;
    for (int count = static_cast<int>(end - buf); count < minimum; ++count)
        *out++ = '0';
    std::memcpy(out, buf, static_cast<std::size_t>(end - buf));
    return out + (end - buf);
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
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole; // exact below 2^52
    if (std::fabs(fraction - 0.5) > scaled * 0x1p-51) {
        n = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
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

void FormattedText::appendPadded(const char* begin, const char* end, int width) {
    const std::ptrdiff_t length = end - begin;
    if (width > length)
        m_text.append(static_cast<std::size_t>(width - length), ' ');
    m_text.append(begin, end);
}

FormattedText& FormattedText::fixed(double value, int width, int precision) {
    uint64_t n;
    if (scaledToInteger(value, precision, n)) {
        char buf[48];
        char* p = buf;
        // printf shows the sign of a negative value even when it rounds to zero.
        if (std::signbit(value))
            *p++ = '-';
        p = digits(p, n / kPower[precision], 1);
        if (precision > 0) {
            *p++ = '.';
            p = digits(p, n % kPower[precision], precision);
        }
        appendPadded(buf, p, width);
        return *this;
    }
    const std::size_t from = m_text.size();
    const int length = std::snprintf(nullptr, 0, "%*.*f", width, precision, value);
    m_text.resize(from + static_cast<std::size_t>(length) + 1);
    std::snprintf(m_text.data() + from, static_cast<std::size_t>(length) + 1, "%*.*f", width,
                  precision, value);
    m_text.resize(from + static_cast<std::size_t>(length));
    return *this;
}

FormattedText& FormattedText::integer(long value, int width) {
    char buf[24];
    const char* end = std::to_chars(buf, buf + sizeof buf, value).ptr;
    appendPadded(buf, end, width);
    return *this;
}

FormattedText& FormattedText::text(const char* text, std::size_t max) {
    return literal(std::string_view(text, strnlen(text, max)));
}

FormattedText& FormattedText::literal(std::string_view text) {
    const std::size_t last = text.rfind('\n');
    if (last == std::string_view::npos) {
        m_text.append(text);
        return *this;
    }
    for (std::size_t at = 0; at <= last;) {
        const std::size_t newline = text.find('\n', at);
        m_text.append(text.substr(at, newline - at));
        if (m_crlf)
            m_text.push_back('\r');
        m_text.push_back('\n');
        at = newline + 1;
    }
    m_lineStart = m_text.size();
    m_text.append(text.substr(last + 1));
    flushWhenFull();
    return *this;
}

FormattedText& FormattedText::column(std::size_t column) {
    m_text.resize(m_lineStart + column, ' ');
    return *this;
}

FormattedText& FormattedText::endLine() {
    if (m_crlf)
        m_text.push_back('\r');
    m_text.push_back('\n');
    m_lineStart = m_text.size();
    flushWhenFull();
    return *this;
}

void FormattedText::flushWhenFull() {
    // Only between lines, so that a column is still counted from its line's start.
    if (m_sink && m_text.size() >= kChunk && m_lineStart == m_text.size())
        flush();
}

bool FormattedText::flush() {
    if (m_sink && !m_text.empty() &&
        std::fwrite(m_text.data(), 1, m_text.size(), m_sink) != m_text.size())
        m_failed = true;
    clear();
    return !m_failed;
}
