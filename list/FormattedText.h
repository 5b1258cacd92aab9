// Text built from printf-style conversions, for files written line by line. Each conversion
// gives exactly the characters the C library's printf gives for it, without a heap string
// per line: the storage is kept from line to line and handed to the file in large pieces.
#pragma once

#include "platform/BackgroundWriter.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

class FormattedText {
public:
    // With a `sink`, the text is written to it whenever a line ends with at least kChunk
    // bytes gathered, and by flush. With `crlf`, every "\n" (line ends, and any in a text
    // or literal) is written as "\r\n", as a text-mode stream writes it. With `background`,
    // the pieces (of kBackgroundChunk) are written by a platform::BackgroundWriter while the
    // next is formatted; the sink is then the writer's until flush has returned, and a
    // FormattedText destroyed without a flush drops what was not written yet.
    explicit FormattedText(std::FILE* sink = nullptr, bool crlf = false, bool background = false);
    ~FormattedText();
    FormattedText(const FormattedText&) = delete;
    FormattedText& operator=(const FormattedText&) = delete;

    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kBackgroundChunk = 1 << 18;

    // "%W.Pf" (and "%W.Plf"): at least `width` characters (0: no width), `precision` digits
    // after the point (no point for 0).
    FormattedText& fixed(double value, int width, int precision) {
        if (const std::size_t n = putFixed(room(kFieldRoom), value, width, precision)) {
            m_size += n;
            return *this;
        }
        return fixedInGeneral(value, width, precision);
    }
    // "%Wd" (and "%Wld", "%Whd" after the usual promotions).
    FormattedText& integer(long value, int width = 0) {
        if (const std::size_t n = putInteger(room(kFieldRoom), value, width)) {
            m_size += n;
            return *this;
        }
        return integerInGeneral(value, width);
    }
    // "%.*s": `text` up to its terminating zero, at most `max` characters.
    FormattedText& text(const char* text, std::size_t max);
    FormattedText& literal(std::string_view text);
    FormattedText& put(char c) {
        if (c == '\n')
            return endLine();
        *room(1) = c;
        ++m_size;
        return *this;
    }
    // Pads the line begun last with blanks, or cuts it, to `column` characters.
    FormattedText& column(std::size_t column);
    // Ends the line; the next conversion begins a new one.
    FormattedText& endLine();

    // A line the caller writes itself: storage for `n` characters at the start of a line,
    // then `endLineAt` with the end of what was written (line end not included).
    char* lineRoom(std::size_t n) { return room(n); }
    FormattedText& endLineAt(const char* end) {
        m_size = static_cast<std::size_t>(end - m_data.get());
        return endLine();
    }

    // The common conversions written straight into storage the caller provides, for lines
    // the caller builds itself: "%Wd" of -999 to 9999 with W up to 4, and "%W.Pf" with P from
    // 1 to 4 and W up to 8 of values whose whole part is within those. Each gives the number
    // of characters written (as printf), or 0 for a value or format it does not cover; it may
    // write up to kFieldRoom characters, beyond its field too, which the caller's next
    // characters cover.
    static constexpr std::size_t kFieldRoom = 16;
    [[gnu::always_inline]] static std::size_t putInteger(char* at, long value, int width);
    template <int Precision>
    [[gnu::always_inline]] static std::size_t putFixed(char* at, double value, int width);
    static std::size_t putFixed(char* at, double value, int width, int precision) {
        switch (precision) {
        case 1:
            return putFixed<1>(at, value, width);
        case 2:
            return putFixed<2>(at, value, width);
        case 3:
            return putFixed<3>(at, value, width);
        case 4:
            return putFixed<4>(at, value, width);
        default:
            return 0;
        }
    }

    // |value| * 10^precision rounded to the nearest integer as printf rounds it (exact halves
    // to even), decided exactly from the value's bits. False for infinities and NaN, for
    // precisions above 4 (but zero, up to 18), and when the result is not below 2^63.
    [[gnu::always_inline]] static bool scaledToInteger(double value, int precision, uint64_t& n);

    std::string_view view() const { return std::string_view(m_data.get(), m_size); }
    std::size_t size() const { return m_size; }
    // Empties the text, keeping its storage.
    void clear() {
        m_size = 0;
        m_lineStart = 0;
    }
    // Writes the text to the sink and empties it (waiting for the background writer); false
    // when a write so far was refused.
    bool flush();

private:
    // Space for `n` more characters at the end of the text.
    char* room(std::size_t n) {
        if (m_capacity - m_size < n)
            grow(n);
        return m_data.get() + m_size;
    }
    void grow(std::size_t n);
    void append(const char* text, std::size_t length) {
        if (length == 0) // an empty text may have no storage yet, nor a pointer to copy from
            return;
        std::memcpy(room(length), text, length);
        m_size += length;
    }
    FormattedText& fixedInGeneral(double value, int width, int precision);
    FormattedText& integerInGeneral(long value, int width);
    // Writes the decimal digits of n backwards, ending at `end`, at least `minimum` of them
    // (leading zeros); returns where they begin.
    static char* digitsBefore(char* end, uint64_t n, int minimum);
    // Blanks up to `width` before a field of `length` characters, which the caller writes
    // backwards from the returned end.
    char* field(std::size_t length, int width);
    void flushWhenFull();
    // Hands the text to the background writer and goes on in the buffer it gives back.
    void handOver();

    std::FILE* m_sink;
    bool m_crlf;
    bool m_background;
    bool m_failed = false;
    std::unique_ptr<platform::BackgroundWriter> m_writer;
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_lineStart = 0;

    // -999 to 9999, each in an entry of kEntry characters: its length, three unused, and its
    // text right-aligned after blanks ("   7", "-999"); an entry of blanks follows the last,
    // so that four characters can be read from anywhere in an entry.
    static constexpr long kTableLow = -999;
    static constexpr long kTableHigh = 9999;
    static constexpr std::size_t kEntry = 8;
    static constexpr std::size_t kNumbersSize =
        kEntry * static_cast<std::size_t>(kTableHigh - kTableLow + 2);
    static const std::array<char, kNumbersSize> kNumbersTable;
    static constexpr std::array<char, kNumbersSize> numberTable();
    static constexpr char kPairs[] = "0001020304050607080910111213141516171819"
                                     "2021222324252627282930313233343536373839"
                                     "4041424344454647484950515253545556575859"
                                     "6061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    static constexpr uint64_t kPowers10[] = {1,
                                             10,
                                             100,
                                             1000,
                                             10000,
                                             100000,
                                             1000000,
                                             10000000,
                                             100000000,
                                             1000000000,
                                             10000000000,
                                             100000000000,
                                             1000000000000,
                                             10000000000000,
                                             100000000000000,
                                             1000000000000000,
                                             10000000000000000,
                                             100000000000000000,
                                             1000000000000000000};
    static constexpr uint64_t kPowers5[] = {1, 5, 25, 125, 625};
};

inline bool FormattedText::scaledToInteger(double value, int precision, uint64_t& n) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0x7ff || precision < 0 || precision > 18)
        return false;
    if (biased == 0 && mantissa == 0) {
        n = 0;
        return true;
    }
    if (precision > 4)
        return false;
    // |value| = mantissa * 2^exponent, so |value| * 10^p = mantissa * 5^p * 2^(exponent + p),
    // and mantissa * 5^p < 2^53 * 5^4 < 2^63.
    int exponent = -1074;
    if (biased != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = biased - 1075;
    }
    const uint64_t product = mantissa * kPowers5[precision];
    const int shift = exponent + precision;
    if (shift >= 0) {
        if (shift > 10 || (product >> (63 - shift)) != 0)
            return false;
        n = product << shift;
        return true;
    }
    if (shift <= -64) { // below 2^63 * 2^-64: less than a half
        n = 0;
        return true;
    }
    const int s = -shift;
    const uint64_t whole = product >> s;
    const uint64_t rest = product & ((uint64_t{1} << s) - 1);
    const uint64_t half = uint64_t{1} << (s - 1);
    // Up above a half, and on a half to the even neighbour; without branches, since which
    // way a value rounds cannot be predicted.
    n = whole + static_cast<uint64_t>(rest > half) +
        (static_cast<uint64_t>(rest == half) & (whole & 1));
    return true;
}

inline std::size_t FormattedText::putInteger(char* at, long value, int width) {
    if (value < kTableLow || value > kTableHigh || width > 4)
        return 0;
    // No branch on the sign or the number of digits: they follow no pattern in a file.
    const char* entry = kNumbersTable.data() + kEntry * static_cast<std::size_t>(value - kTableLow);
    const int length = entry[0];
    const int n = length > width ? length : width;
    // The last n of the entry's four characters.
    std::memcpy(at, entry + kEntry - n, 4);
    return static_cast<std::size_t>(n);
}

template <int Precision>
inline std::size_t FormattedText::putFixed(char* at, double value, int width) {
    static_assert(Precision >= 1 && Precision <= 4);
    constexpr int precision = Precision;
    uint64_t n;
    if (width > 8 || !scaledToInteger(value, precision, n))
        return 0;
    const uint64_t whole = n / kPowers10[precision];
    const auto fraction = static_cast<std::size_t>(n - whole * kPowers10[precision]);
    if (whole > kTableHigh)
        return 0;
    const char* entry = kNumbersTable.data() + kEntry * static_cast<std::size_t>(whole - kTableLow);
    // printf shows the sign of a negative value even when it rounds to zero.
    const int minus = std::signbit(value) ? 1 : 0;
    const int wholeLength = entry[0];
    const int length = minus + wholeLength + 1 + precision;
    const int blanks = width > length ? width - length : 0;
    std::memcpy(at, "        ", 8);
    char* p = at + blanks;
    *p = '-';
    p += minus;
    std::memcpy(p, entry + kEntry - wholeLength, 4);
    p += wholeLength;
    *p++ = '.';
    // The fraction's digits, with their leading zeros.
    if constexpr (precision % 2 == 1)
        *p = static_cast<char>('0' + fraction / kPowers10[precision - 1]);
    if constexpr (precision >= 2)
        std::memcpy(p + precision - 2, kPairs + 2 * (fraction % 100), 2);
    if constexpr (precision == 4)
        std::memcpy(p, kPairs + 2 * (fraction / 100), 2);
    return static_cast<std::size_t>(blanks + length);
}
