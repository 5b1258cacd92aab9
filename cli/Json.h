// A small JSON writer for the tool's --json output: objects, arrays, strings (UTF-8,
// escaped) and numbers in the C locale.
#pragma once

#include <cstddef>
#include <cstring>
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
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view utf8);
    JsonWriter& value(const std::string& utf8) { return value(std::string_view(utf8)); }
    JsonWriter& value(const char* utf8) { return value(std::string_view(utf8 ? utf8 : "")); }
    JsonWriter& value(double number);
    JsonWriter& value(int number) { return value(static_cast<long>(number)); }
    JsonWriter& value(long number);
    JsonWriter& value(bool flag);
    JsonWriter& null();
    // A CP1252 text from the library, converted to UTF-8.
    JsonWriter& text(const char* cp1252) { return text(std::string_view(cp1252 ? cp1252 : "")); }
    JsonWriter& text(std::string_view cp1252);
    // A fixed text field of a library record (CP1252), up to its first NUL or its end.
    template <std::size_t N> JsonWriter& field(const char (&cp1252)[N]) {
        return text(std::string_view(cp1252, strnlen(cp1252, N)));
    }
    // Ends the document with a newline and hands the buffered text to the stream.
    void finish();

    static std::string escape(const std::string& utf8);

private:
    // The text is gathered in m_buffer and handed to the stream's buffer in large blocks (a
    // call into the stream per piece would dominate a large listing); a short write puts the
    // stream in error.
    static constexpr std::size_t kBufferSize = 1 << 15;
    // The most one piece of a value may need at once: a number, a key's separator and
    // line break with the deepest indentation written in one go.
    static constexpr std::size_t kPieceSize = 128;
    // Room for at least `n` more bytes; returns where they go.
    char* room(std::size_t n) {
        if (static_cast<std::size_t>(m_bufferEnd - m_end) < n)
            flush();
        return m_end;
    }
    void put(std::string_view bytes);
    void put(char c) { *room(1) = c, ++m_end; }
    void flush();
    void beforeValue();
    void newline();
    void putEscaped(std::string_view utf8);
    void putEscapedCp1252(std::string_view cp1252);

    std::ostream& m_out;
    std::streambuf* m_buf;
    bool m_pretty;
    struct Level {
        bool array;
        int count;
    };
    std::vector<Level> m_levels;
    bool m_afterKey = false;
    char* m_end;
    char* m_bufferEnd;
    char m_buffer[kBufferSize];
};

} // namespace cli
