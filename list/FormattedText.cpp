#include "list/FormattedText.h"

#include <algorithm>
#include <cstdint>

char* FormattedText::digitsBefore(char* end, uint64_t n, int minimum) {
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

constexpr std::array<char, FormattedText::kNumbersSize> FormattedText::numberTable() {
    std::array<char, kNumbersSize> table{};
    for (char& c : table)
        c = ' ';
    for (long v = kTableLow; v <= kTableHigh; ++v) {
        const std::size_t entry = kEntry * static_cast<std::size_t>(v - kTableLow);
        std::size_t at = entry + kEntry - 1;
        long n = v < 0 ? -v : v;
        do {
            table[at--] = static_cast<char>('0' + n % 10);
            n /= 10;
        } while (n > 0);
        if (v < 0)
            table[at--] = '-';
        table[entry] = static_cast<char>(entry + kEntry - 1 - at);
    }
    return table;
}

const std::array<char, FormattedText::kNumbersSize> FormattedText::kNumbersTable = numberTable();

FormattedText::FormattedText(std::FILE* sink, bool crlf, bool background)
    : m_sink(sink), m_crlf(crlf), m_background(background && sink) {}

FormattedText::~FormattedText() = default;

void FormattedText::grow(std::size_t n) {
    const std::size_t capacity =
        std::max({m_size + n, 2 * m_capacity, (m_background ? kBackgroundChunk : kChunk) + 4096});
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

FormattedText& FormattedText::fixedInGeneral(double value, int width, int precision) {
    uint64_t n;
    if (scaledToInteger(value, precision, n)) {
        const uint64_t whole = n / kPowers10[precision];
        const bool minus = std::signbit(value);
        const std::size_t length = static_cast<std::size_t>((minus ? 1 : 0) + digitCount(whole) +
                                                            (precision > 0 ? 1 + precision : 0));
        // Written backwards from the field's end, straight into the text.
        char* p = field(length, width);
        if (precision > 0) {
            p = digitsBefore(p, n % kPowers10[precision], precision);
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

FormattedText& FormattedText::integerInGeneral(long value, int width) {
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
    if (!m_sink || m_lineStart != m_size)
        return;
    if (!m_background && m_size >= kChunk)
        flush();
    else if (m_background && m_size >= kBackgroundChunk)
        handOver();
}

void FormattedText::handOver() {
    if (!m_writer)
        m_writer = std::make_unique<platform::BackgroundWriter>(m_sink);
    platform::BackgroundWriter::Buffer next =
        m_writer->handOver({std::move(m_data), m_capacity, m_size});
    m_data = std::move(next.data);
    m_capacity = next.capacity;
    clear();
}

bool FormattedText::flush() {
    if (m_writer) {
        if (!m_writer->finish())
            m_failed = true;
    }
    if (m_sink && m_size > 0 && !m_failed && std::fwrite(m_data.get(), 1, m_size, m_sink) != m_size)
        m_failed = true;
    clear();
    return !m_failed;
}
