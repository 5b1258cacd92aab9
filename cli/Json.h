// A small JSON writer for the tool's --json output: objects, arrays, strings (UTF-8,
// escaped) and numbers in the C locale.
#pragma once

#include "cli/Cli.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out, bool pretty = true);
    // Hands what is still buffered to the stream.
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next value inside an object.
    JsonWriter& key(std::string_view name) {
        quoted(kUtf8, name);
        put(m_pretty ? std::string_view(": ") : std::string_view(":"));
        m_afterKey = true;
        return *this;
    }
    class Keys;
    JsonWriter& value(std::string_view utf8) { return quoted(kUtf8, utf8); }
    JsonWriter& value(const std::string& utf8) { return value(std::string_view(utf8)); }
    JsonWriter& value(const char* utf8) { return value(std::string_view(utf8 ? utf8 : "")); }
    JsonWriter& value(double number) {
        char* to = separator(room(kPieceSize));
        if (std::isfinite(number)) {
            m_end = formatNumber(number, to);
        } else {
            std::memcpy(to, "null", 4);
            m_end = to + 4;
        }
        return *this;
    }
    JsonWriter& value(int number) { return value(static_cast<long>(number)); }
    JsonWriter& value(long number) {
        char* to = separator(room(kPieceSize));
        m_end = std::to_chars(to, to + 24, number).ptr;
        return *this;
    }
    JsonWriter& value(bool flag);
    JsonWriter& null();
    // A CP1252 text from the library, converted to UTF-8.
    JsonWriter& text(const char* cp1252) { return text(std::string_view(cp1252 ? cp1252 : "")); }
    JsonWriter& text(std::string_view cp1252) { return quoted(*m_cp1252, cp1252); }
    // A fixed text field of a library record (CP1252), up to its first NUL or its end.
    template <std::size_t N> JsonWriter& field(const char (&cp1252)[N]) {
        return text(std::string_view(cp1252, strnlen(cp1252, N)));
    }
    // Ends the document with a newline and hands the buffered text to the stream.
    void finish();

    static std::string escape(const std::string& utf8);

    // What each byte of a text becomes inside a JSON string: itself, its escape, or (from
    // CP1252) its UTF-8 sequence; at most kMostPerByte bytes.
    struct ByteText {
        char text[7];
        unsigned char length;
    };
    struct ByteTable {
        ByteText byte[256];
    };

    // The keys of objects written many times (the records of a listing): each is made
    // once, with the line break and indentation before it, for the depth and layout it is
    // written at, and then costs one fixed-size copy. Names that need escaping, or too long
    // to prepare, are written as any key.
    class Keys {
    public:
        Keys(std::initializer_list<std::string_view> names) : m_names(names) {}

    private:
        friend class JsonWriter;
        static constexpr std::size_t kPreparedSize = 48;
        struct Prepared {
            char text[kPreparedSize];
            std::size_t length; // 0: not prepared
        };
        void prepare(std::size_t lineBreak);
        std::vector<std::string_view> m_names;
        std::vector<Prepared> m_prepared;
        // The writer's line break they are prepared for (0 when compact; in a pretty
        // document 3 or more below the top level).
        std::size_t m_lineBreak = SIZE_MAX;
    };

    // Key `index` of `keys`, prepared for the current depth.
    JsonWriter& key(Keys& keys, std::size_t index) {
        if (keys.m_lineBreak != m_lineBreak || m_afterKey || m_depth == 0)
            return unpreparedKey(keys, index);
        const Keys::Prepared* p = &keys.m_prepared[index];
        if (p->length == 0)
            return key(keys.m_names[index]);
        char* to = room(kPieceSize);
        if (m_count++ > 0)
            *to++ = ',';
        std::memcpy(to, p->text, Keys::kPreparedSize);
        m_end = to + p->length;
        m_afterKey = true;
        return *this;
    }

private:
    // The text is gathered in m_buffer and handed to the stream's buffer in large blocks (a
    // call into the stream per piece would dominate a large listing); a short write puts the
    // stream in error.
    static constexpr std::size_t kBufferSize = 1 << 15;
    // Room enough for the separator, line break and indentation of a value at a depth up
    // to 31 with a number or a short piece after it.
    static constexpr std::size_t kPieceSize = 160;
    static constexpr std::size_t kLineBreakSize = 64;
    // "\n" and the blanks of 31 levels, copied whole and advanced over in part.
    static constexpr char kLineBreak[kLineBreakSize + 1] =
        "\n                                                               ";
    static_assert(sizeof kLineBreak == kLineBreakSize + 1 && kLineBreak[kLineBreakSize - 1] == ' ');
    // Texts up to this length are written in one piece; longer ones in slices.
    static constexpr std::size_t kShortText = 256;
    static constexpr std::size_t kMostPerByte = 6;
    static const ByteTable kUtf8;

    // Room for at least `n` more bytes (n <= kBufferSize); returns where they go.
    char* room(std::size_t n) {
        if (static_cast<std::size_t>(m_bufferEnd - m_end) < n)
            flush();
        return m_end;
    }
    // Writes what goes before a value at `to` (a comma and a line break with the
    // indentation, as the place needs) and returns where the value goes; `to` has room
    // for kPieceSize bytes, which stay at least kPieceSize - 66 after the separator.
    char* separator(char* to) {
        if (m_afterKey) {
            m_afterKey = false;
            return to;
        }
        if (m_depth == 0)
            return to;
        if (m_count++ > 0)
            *to++ = ',';
        if (m_lineBreak > kLineBreakSize)
            return deepLineBreak(to);
        std::memcpy(to, kLineBreak, kLineBreakSize);
        return to + m_lineBreak;
    }
    static constexpr std::uint64_t kOnes = 0x0101010101010101u;
    // The bytes of `w` below 0x20, from 0x80 up, '"' or '\\' (each test exact for a word).
    static std::uint64_t specialBytes(std::uint64_t w) {
        constexpr std::uint64_t kHigh = 0x8080808080808080u;
        auto zeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
        return ((w - 0x20 * kOnes) & ~w & kHigh) | (w & kHigh) | zeroByte(w ^ ('"' * kOnes)) |
               zeroByte(w ^ ('\\' * kOnes));
    }
    // True when no byte of `text` needs escaping or converting.
    static bool plainAscii(std::string_view text) {
        std::uint64_t special = 0;
        std::size_t at = 0;
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t w;
            std::memcpy(&w, text.data() + at, 8);
            special |= specialBytes(w);
        }
        return (special | specialBytes(tailWord(text.data() + at, text.size() - at))) == 0;
    }
    // The last `n` (< 8) bytes of a text at `p` as one word, the rest blanks. Loaded in at
    // most two overlapping pieces straight into a register: a word assembled byte by byte
    // in memory and then loaded whole waits for every byte's store.
    static std::uint64_t tailWord(const char* p, std::size_t n) {
        static_assert(std::endian::native == std::endian::little);
        std::uint64_t w = 0;
        if (n >= 4) {
            std::uint32_t lo, hi;
            std::memcpy(&lo, p, 4);
            std::memcpy(&hi, p + n - 4, 4);
            w = lo | static_cast<std::uint64_t>(hi) << (8 * (n - 4));
        } else if (n >= 2) {
            std::uint16_t lo, hi;
            std::memcpy(&lo, p, 2);
            std::memcpy(&hi, p + n - 2, 2);
            w = lo | static_cast<std::uint64_t>(hi) << (8 * (n - 2));
        } else if (n == 1) {
            w = static_cast<unsigned char>(*p);
        }
        return w | 0x2020202020202020u << (8 * n);
    }
    // Writes `text` at `to` through `table`; room for kMostPerByte bytes a byte and 8 more.
    // Most texts are plain ASCII: copied eight bytes at a time while they are checked (the
    // last word padded with blanks, written whole and advanced over in part).
    static char* escaped(const ByteTable& table, std::string_view text, char* to) {
        std::uint64_t special = 0;
        std::size_t at = 0;
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t w;
            std::memcpy(&w, text.data() + at, 8);
            std::memcpy(to + at, &w, 8);
            special |= specialBytes(w);
        }
        if (at < text.size()) {
            const std::uint64_t w = tailWord(text.data() + at, text.size() - at);
            std::memcpy(to + at, &w, 8);
            special |= specialBytes(w);
        }
        if (special == 0)
            return to + text.size();
        for (unsigned char c : text) {
            std::memcpy(to, &table.byte[c], sizeof(ByteText));
            to += table.byte[c].length;
        }
        return to;
    }
    JsonWriter& quoted(const ByteTable& table, std::string_view text) {
        if (text.size() > kShortText)
            return longText(table, text);
        char* to = separator(room(kPieceSize + kMostPerByte * text.size()));
        *to++ = '"';
        to = escaped(table, text, to);
        *to++ = '"';
        m_end = to;
        return *this;
    }
    char* deepLineBreak(char* to);
    JsonWriter& unpreparedKey(Keys& keys, std::size_t index);
    JsonWriter& longText(const ByteTable& table, std::string_view text);
    void putEscaped(const ByteTable& table, std::string_view text);
    void put(std::string_view bytes);
    void put(char c) { *room(1) = c, ++m_end; }
    void flush();
    void newline();

    std::ostream& m_out;
    std::streambuf* m_buf;
    bool m_pretty;
    void enter();
    bool leave(); // true when the level held any value

    // The values written at the current depth, and at each enclosing one.
    int m_count = 0;
    std::vector<int> m_outerCounts;
    std::size_t m_depth = 0;
    // The line break and indentation before a value at this depth: 0 when compact.
    std::size_t m_lineBreak = 0;
    bool m_afterKey = false;
    const ByteTable* m_cp1252;
    char* m_end;
    char* m_bufferEnd;
    char m_buffer[kBufferSize];
};

} // namespace cli
