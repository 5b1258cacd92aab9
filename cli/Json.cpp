#include "cli/Json.h"

#include "cli/Cli.h"
#include "platform/Encoding.h"

#include <array>
#include <charconv>
#include <cmath>

namespace cli {

namespace {

// The escape of each byte that JSON strings cannot hold as it is; empty when it needs none.
struct EscapeTable {
    char text[256][7] = {};
    unsigned char length[256] = {};
    constexpr EscapeTable() {
        constexpr char kHex[] = "0123456789abcdef";
        for (int c = 0; c < 0x20; ++c) {
            const char u[7] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15], 0};
            for (int i = 0; i < 7; ++i)
                text[c][i] = u[i];
            length[c] = 6;
        }
        set('"', "\\\"");
        set('\\', "\\\\");
        set('\n', "\\n");
        set('\r', "\\r");
        set('\t', "\\t");
    }
    constexpr void set(unsigned char c, const char (&esc)[3]) {
        text[c][0] = esc[0];
        text[c][1] = esc[1];
        text[c][2] = 0;
        length[c] = 2;
    }
};
constexpr EscapeTable kEscapes;
// The most bytes one input byte becomes: "\u001f", or a CP1252 byte's UTF-8 (3 bytes).
constexpr size_t kMostPerByte = 6;

// "\n" and the blanks of the deepest indentation written in one piece.
constexpr std::array<char, 1 + 2 * 48> kLineBreak = [] {
    std::array<char, 1 + 2 * 48> a{};
    a[0] = '\n';
    for (size_t i = 1; i < a.size(); ++i)
        a[i] = ' ';
    return a;
}();

} // namespace

JsonWriter::JsonWriter(std::ostream& out, bool pretty)
    : m_out(out), m_buf(out.rdbuf()), m_pretty(pretty), m_end(m_buffer),
      m_bufferEnd(m_buffer + kBufferSize) {}

JsonWriter::~JsonWriter() {
    flush();
}

void JsonWriter::flush() {
    const auto n = static_cast<std::streamsize>(m_end - m_buffer);
    m_end = m_buffer;
    if (n > 0 && m_buf->sputn(m_buffer, n) != n)
        m_out.setstate(std::ios::badbit);
}

void JsonWriter::put(std::string_view bytes) {
    while (!bytes.empty()) {
        char* to = room(1);
        const size_t step = std::min(bytes.size(), static_cast<size_t>(m_bufferEnd - to));
        std::memcpy(to, bytes.data(), step);
        m_end = to + step;
        bytes.remove_prefix(step);
    }
}

void JsonWriter::newline() {
    if (!m_pretty)
        return;
    size_t n = 1 + 2 * m_levels.size();
    if (n <= kLineBreak.size()) {
        std::memcpy(room(kLineBreak.size()), kLineBreak.data(), n);
        m_end += n;
        return;
    }
    put('\n');
    for (n -= 1; n > 0;) {
        const size_t step = std::min(n, kLineBreak.size() - 1);
        put(std::string_view(kLineBreak.data() + 1, step));
        n -= step;
    }
}

void JsonWriter::beforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_levels.empty()) {
        if (m_levels.back().count++ > 0)
            put(',');
        newline();
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    put('{');
    m_levels.push_back({false, 0});
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    bool any = m_levels.back().count > 0;
    m_levels.pop_back();
    if (any)
        newline();
    put('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    put('[');
    m_levels.push_back({true, 0});
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    bool any = m_levels.back().count > 0;
    m_levels.pop_back();
    if (any)
        newline();
    put(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    put('"');
    putEscaped(name);
    put(m_pretty ? std::string_view("\": ") : std::string_view("\":"));
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view utf8) {
    beforeValue();
    put('"');
    putEscaped(utf8);
    put('"');
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    beforeValue();
    if (std::isfinite(number))
        m_end = formatNumber(number, room(kNumberSize));
    else
        put("null");
    return *this;
}

JsonWriter& JsonWriter::value(long number) {
    beforeValue();
    char* to = room(24);
    m_end = std::to_chars(to, to + 24, number).ptr;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    beforeValue();
    put(flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    put("null");
    return *this;
}

JsonWriter& JsonWriter::text(std::string_view cp1252) {
    beforeValue();
    put('"');
    putEscapedCp1252(cp1252);
    put('"');
    return *this;
}

void JsonWriter::finish() {
    put('\n');
    flush();
}

// Both escapers take the text in slices that fit the buffer at their most expanded, and
// write each byte straight into it.
void JsonWriter::putEscaped(std::string_view utf8) {
    while (!utf8.empty()) {
        const size_t slice = std::min(utf8.size(), size_t{1024});
        char* to = room(slice * kMostPerByte);
        for (unsigned char c : utf8.substr(0, slice)) {
            const size_t n = kEscapes.length[c];
            if (n == 0) {
                *to++ = static_cast<char>(c);
            } else {
                std::memcpy(to, kEscapes.text[c], 6);
                to += n;
            }
        }
        m_end = to;
        utf8.remove_prefix(slice);
    }
}

void JsonWriter::putEscapedCp1252(std::string_view cp1252) {
    while (!cp1252.empty()) {
        const size_t slice = std::min(cp1252.size(), size_t{1024});
        char* to = room(slice * kMostPerByte);
        for (unsigned char c : cp1252.substr(0, slice)) {
            const size_t n = kEscapes.length[c];
            if (c >= 0x80) {
                to = platform::cp1252ToUtf8(c, to);
            } else if (n == 0) {
                *to++ = static_cast<char>(c);
            } else {
                std::memcpy(to, kEscapes.text[c], 6);
                to += n;
            }
        }
        m_end = to;
        cp1252.remove_prefix(slice);
    }
}

std::string JsonWriter::escape(const std::string& utf8) {
    std::string out;
    for (unsigned char c : utf8) {
        if (kEscapes.length[c] != 0)
            out.append(kEscapes.text[c], kEscapes.length[c]);
        else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace cli
