// Text built from printf-style conversions, for files written line by line. Each conversion
// gives exactly the characters the C library's printf gives for it, without a heap string
// per line: the storage is kept from line to line and handed to the file in large pieces.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
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
        m_text.push_back(c);
        return *this;
    }
    // Pads the line begun last with blanks, or cuts it, to `column` characters.
    FormattedText& column(std::size_t column);
    // Ends the line; the next conversion begins a new one.
    FormattedText& endLine();

    std::string_view view() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    // Empties the text, keeping its storage.
    void clear() {
        m_text.clear();
        m_lineStart = 0;
    }
    // Writes the text to the sink and empties it; false when a write so far was refused.
    bool flush();

private:
    void appendPadded(const char* begin, const char* end, int width);
    void flushWhenFull();

    std::FILE* m_sink;
    bool m_crlf;
    bool m_failed = false;
    std::string m_text;
    std::size_t m_lineStart = 0;
};
