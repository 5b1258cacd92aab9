// Text built from printf-style conversions, for files written line by line. Each conversion
// gives exactly the characters the C library's printf gives for it, without a heap string
// per line: the storage is kept from line to line and handed to the file in large pieces.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

class FormattedText {
public:
    // With a `sink`, the text is written to it whenever a line ends with at least kChunk
    // bytes gathered, and by flush. With `crlf`, every "\n" (line ends, and any in a text
    // or literal) is written as "\r\n", as a text-mode stream writes it.
    explicit FormattedText(std::FILE* sink = nullptr, bool crlf = false)
        : m_sink(sink), m_crlf(crlf) {}

    static constexpr std::size_t kChunk = 1 << 16;

    // "%W.Pf" (and "%W.Plf"): at least `width` characters (0: no width), `precision` digits
    // after the point (no point for 0).
    FormattedText& fixed(double value, int width, int precision);
    // "%Wd" (and "%Wld", "%Whd" after the usual promotions).
    FormattedText& integer(long value, int width = 0);
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

    std::string_view view() const { return std::string_view(m_data.get(), m_size); }
    std::size_t size() const { return m_size; }
    // Empties the text, keeping its storage.
    void clear() {
        m_size = 0;
        m_lineStart = 0;
    }
    // Writes the text to the sink and empties it; false when a write so far was refused.
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
    // Blanks up to `width` before a field of `length` characters, which the caller writes
    // backwards from the returned end.
    char* field(std::size_t length, int width);
    void flushWhenFull();

    std::FILE* m_sink;
    bool m_crlf;
    bool m_failed = false;
    std::unique_ptr<char[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_lineStart = 0;
};
