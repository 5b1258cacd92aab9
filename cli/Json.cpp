#include "cli/Json.h"

#include "platform/Encoding.h"

#include <algorithm>

namespace cli {

namespace {

// UTF-8 text in a JSON string: the bytes JSON cannot hold as they are escaped, the others
// (multi-byte sequences included) kept.
constexpr JsonWriter::ByteTable utf8Table() {
    JsonWriter::ByteTable t{};
    constexpr char kHex[] = "0123456789abcdef";
    for (int c = 0; c < 256; ++c) {
        t.byte[c].text[0] = static_cast<char>(c);
        t.byte[c].length = 1;
    }
    for (int c = 0; c < 0x20; ++c) {
        const char u[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
        for (int i = 0; i < 6; ++i)
            t.byte[c].text[i] = u[i];
        t.byte[c].length = 6;
    }
    const struct {
        char c;
        char escape;
    } kShort[] = {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}};
    for (const auto& e : kShort) {
        t.byte[static_cast<unsigned char>(e.c)] = {{'\\', e.escape}, 2};
    }
    return t;
}

// CP1252 text in a JSON string: as UTF-8 text, with the bytes from 0x80 up converted.
JsonWriter::ByteTable cp1252Table() {
    JsonWriter::ByteTable t = utf8Table();
    for (int c = 0x80; c < 256; ++c) {
        JsonWriter::ByteText& b = t.byte[c];
        b = {};
        b.length = static_cast<unsigned char>(
            platform::cp1252ToUtf8(static_cast<unsigned char>(c), b.text) - b.text);
    }
    return t;
}

} // namespace

const JsonWriter::ByteTable JsonWriter::kUtf8 = utf8Table();

JsonWriter::JsonWriter(std::ostream& out, bool pretty)
    : m_out(out), m_buf(out.rdbuf()), m_pretty(pretty), m_end(m_buffer),
      m_bufferEnd(m_buffer + kBufferSize) {
    static const ByteTable cp1252 = cp1252Table();
    m_cp1252 = &cp1252;
}

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
    if (m_lineBreak <= kLineBreakSize) {
        std::memcpy(room(kLineBreakSize), kLineBreak, kLineBreakSize);
        m_end += m_lineBreak;
        return;
    }
    put('\n');
    for (size_t blanks = m_lineBreak - 1; blanks > 0;) {
        const size_t step = std::min(blanks, kLineBreakSize - 1);
        put(std::string_view(kLineBreak + 1, step));
        blanks -= step;
    }
}

char* JsonWriter::deepLineBreak(char* to) {
    m_end = to;
    newline();
    return room(kPieceSize + kMostPerByte * kShortText);
}

void JsonWriter::enter() {
    m_outerCounts.push_back(m_count);
    m_count = 0;
    ++m_depth;
    m_lineBreak = m_pretty ? 1 + 2 * m_depth : 0;
}

bool JsonWriter::leave() {
    const bool any = m_count > 0;
    m_count = m_outerCounts.back();
    m_outerCounts.pop_back();
    --m_depth;
    m_lineBreak = m_pretty ? 1 + 2 * m_depth : 0;
    return any;
}

JsonWriter& JsonWriter::beginObject() {
    char* to = separator(room(kPieceSize));
    *to++ = '{';
    m_end = to;
    enter();
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    if (leave())
        newline();
    put('}');
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    char* to = separator(room(kPieceSize));
    *to++ = '[';
    m_end = to;
    enter();
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    if (leave())
        newline();
    put(']');
    return *this;
}

void JsonWriter::Keys::prepare(std::size_t lineBreak) {
    m_lineBreak = lineBreak;
    const bool pretty = lineBreak != 0;
    m_prepared.assign(m_names.size(), Prepared{});
    for (size_t i = 0; i < m_names.size(); ++i) {
        const std::string_view name = m_names[i];
        const size_t length = lineBreak + name.size() + (pretty ? 4 : 3);
        if (lineBreak > kLineBreakSize || length > kPreparedSize || !plainAscii(name))
            continue;
        char* to = m_prepared[i].text;
        std::memcpy(to, kLineBreak, lineBreak);
        to += lineBreak;
        *to++ = '"';
        std::memcpy(to, name.data(), name.size());
        std::memcpy(to + name.size(), "\": ", pretty ? 3 : 2);
        m_prepared[i].length = length;
    }
}

JsonWriter& JsonWriter::unpreparedKey(Keys& keys, std::size_t index) {
    if (keys.m_lineBreak != m_lineBreak && m_depth > 0 && !m_afterKey) {
        keys.prepare(m_lineBreak);
        if (keys.m_prepared[index].length != 0)
            return key(keys, index);
    }
    return key(keys.m_names[index]);
}

JsonWriter& JsonWriter::longText(const ByteTable& table, std::string_view text) {
    m_end = separator(room(kPieceSize));
    put('"');
    putEscaped(table, text);
    put('"');
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    m_end = separator(room(kPieceSize));
    put(flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    m_end = separator(room(kPieceSize));
    put("null");
    return *this;
}

void JsonWriter::finish() {
    put('\n');
    flush();
}

// A long text in slices that fit the buffer at their most expanded.
void JsonWriter::putEscaped(const ByteTable& table, std::string_view text) {
    while (!text.empty()) {
        const size_t slice = std::min(text.size(), kShortText);
        m_end =
            escaped(table, text.substr(0, slice), room(kMostPerByte * slice + sizeof(ByteText)));
        text.remove_prefix(slice);
    }
}

std::string JsonWriter::escape(const std::string& utf8) {
    std::string out;
    for (unsigned char c : utf8)
        out.append(kUtf8.byte[c].text, kUtf8.byte[c].length);
    return out;
}

} // namespace cli
