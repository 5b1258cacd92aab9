#include "cli/Json.h"

#include "cli/Cli.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace cli {

void JsonWriter::put(std::string_view bytes) {
    if (m_buf->sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())) !=
        static_cast<std::streamsize>(bytes.size()))
        m_out.setstate(std::ios::badbit);
}

void JsonWriter::put(char c) {
    if (std::char_traits<char>::eq_int_type(m_buf->sputc(c), std::char_traits<char>::eof()))
        m_out.setstate(std::ios::badbit);
}

void JsonWriter::newline() {
    if (!m_pretty)
        return;
    static constexpr std::string_view kSpaces = "                                ";
    put('\n');
    for (size_t n = 2 * m_levels.size(); n > 0;) {
        const size_t step = n < kSpaces.size() ? n : kSpaces.size();
        put(kSpaces.substr(0, step));
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

JsonWriter& JsonWriter::key(const std::string& name) {
    beforeValue();
    put('"');
    putEscaped(name);
    put(m_pretty ? "\": " : "\":");
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text) {
    beforeValue();
    put('"');
    putEscaped(text);
    put('"');
    return *this;
}

JsonWriter& JsonWriter::value(const char* text) {
    beforeValue();
    put('"');
    putEscaped(text ? text : "");
    put('"');
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    beforeValue();
    put(std::isfinite(number) ? cli::number(number) : "null");
    return *this;
}

JsonWriter& JsonWriter::value(int number) {
    return value(static_cast<long>(number));
}

JsonWriter& JsonWriter::value(long number) {
    beforeValue();
    char buf[24];
    put(std::string_view(
        buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, number).ptr - buf)));
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

JsonWriter& JsonWriter::text(const char* cp1252) {
    return value(toUtf8(cp1252));
}

void JsonWriter::finish() {
    put('\n');
}

namespace {

// The escape of a byte that JSON strings cannot hold as it is; null when it needs none.
const char* escapeOf(unsigned char c, char (&buf)[8]) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        if (c >= 0x20)
            return nullptr;
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        return buf;
    }
}

} // namespace

void JsonWriter::putEscaped(std::string_view utf8) {
    size_t plainFrom = 0;
    char buf[8];
    for (size_t i = 0; i < utf8.size(); ++i) {
        const char* esc = escapeOf(static_cast<unsigned char>(utf8[i]), buf);
        if (!esc)
            continue;
        put(utf8.substr(plainFrom, i - plainFrom));
        put(esc);
        plainFrom = i + 1;
    }
    put(utf8.substr(plainFrom));
}

std::string JsonWriter::escape(const std::string& utf8) {
    std::string out;
    char buf[8];
    for (unsigned char c : utf8) {
        if (const char* esc = escapeOf(c, buf))
            out += esc;
        else
            out += static_cast<char>(c);
    }
    return out;
}

} // namespace cli
