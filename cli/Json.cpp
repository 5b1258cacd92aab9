#include "cli/Json.h"

#include "cli/Cli.h"

#include <cmath>
#include <cstdio>

namespace cli {

void JsonWriter::newline() {
    if (!m_pretty)
        return;
    m_out << '\n';
    for (size_t i = 0; i < m_levels.size(); ++i)
        m_out << "  ";
}

void JsonWriter::beforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_levels.empty()) {
        if (m_levels.back().count++ > 0)
            m_out << ',';
        newline();
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    m_out << '{';
    m_levels.push_back({false, 0});
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    bool any = m_levels.back().count > 0;
    m_levels.pop_back();
    if (any)
        newline();
    m_out << '}';
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    m_out << '[';
    m_levels.push_back({true, 0});
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    bool any = m_levels.back().count > 0;
    m_levels.pop_back();
    if (any)
        newline();
    m_out << ']';
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name) {
    beforeValue();
    m_out << '"' << escape(name) << "\":" << (m_pretty ? " " : "");
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text) {
    beforeValue();
    m_out << '"' << escape(text) << '"';
    return *this;
}

JsonWriter& JsonWriter::value(const char* text) {
    return value(std::string(text ? text : ""));
}

JsonWriter& JsonWriter::value(double number) {
    beforeValue();
    if (std::isfinite(number))
        m_out << cli::number(number);
    else
        m_out << "null";
    return *this;
}

JsonWriter& JsonWriter::value(int number) {
    beforeValue();
    m_out << number;
    return *this;
}

JsonWriter& JsonWriter::value(long number) {
    beforeValue();
    m_out << number;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    beforeValue();
    m_out << (flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    m_out << "null";
    return *this;
}

JsonWriter& JsonWriter::text(const char* cp1252) {
    return value(toUtf8(cp1252));
}

void JsonWriter::finish() {
    m_out << '\n';
}

std::string JsonWriter::escape(const std::string& utf8) {
    std::string out;
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

} // namespace cli
