// A small JSON writer for the tool's --json output: objects, arrays, strings (UTF-8,
// escaped) and numbers in the C locale.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out, bool pretty = true)
        : m_out(out), m_buf(out.rdbuf()), m_pretty(pretty) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // The key of the next value inside an object.
    JsonWriter& key(const std::string& name);
    JsonWriter& value(const std::string& text); // UTF-8 text
    JsonWriter& value(const char* text);        // UTF-8 text
    JsonWriter& value(double number);
    JsonWriter& value(int number);
    JsonWriter& value(long number);
    JsonWriter& value(bool flag);
    JsonWriter& null();
    // A CP1252 text from the library, converted to UTF-8.
    JsonWriter& text(const char* cp1252);
    // Ends the document with a newline.
    void finish();

    static std::string escape(const std::string& utf8);

private:
    void beforeValue();
    void newline();
    // Writes straight to the stream's buffer (one formatted insertion per piece would
    // dominate a large listing); a short write puts the stream in error.
    void put(std::string_view bytes);
    void put(char c);
    void putEscaped(std::string_view utf8);
    std::ostream& m_out;
    std::streambuf* m_buf;
    bool m_pretty;
    struct Level {
        bool array;
        int count;
    };
    std::vector<Level> m_levels;
    bool m_afterKey = false;
};

} // namespace cli
