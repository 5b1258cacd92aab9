// Small text helpers of the line and outcrop readers: whole lines of any length, words and
// texts cut to the size of the field they go into.
#pragma once

#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace maptext {

// Reads the next line, of any length, without its line end (LF or CR LF). False at the end
// of the file (or on a read error) with nothing read. Bytes are taken one by one so that a
// zero byte inside a line cannot hide its line end.
inline bool nextLine(std::FILE* in, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::getc(in)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return any;
}

// The lines of a text file, all read before any is parsed, so that a read error changes
// nothing in the object being filled.
class Lines {
public:
    // False on a read error.
    bool read(std::FILE* in) {
        std::string line;
        while (nextLine(in, line))
            m_lines.push_back(line);
        return !std::ferror(in);
    }
    // Reads the whole text file at `path`; false when it cannot be opened or read.
    bool readFile(const char* path) {
        std::FILE* in = platform::fopen(path, "r");
        if (!in)
            return false;
        const bool ok = read(in);
        std::fclose(in);
        return ok;
    }
    // The next line; false at the end.
    bool next(std::string& line) {
        if (m_next >= m_lines.size())
            return false;
        line = m_lines[m_next++];
        return true;
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

// A block of a line file ends at an empty line or at a line beginning with "*".
inline bool endsBlock(const std::string& line) {
    return line.empty() || line[0] == '*';
}

// The blanks that separate words, as the C library's scanning sees them.
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Copies `text` into a field of `size` bytes, cut to size - 1 characters; the rest of the
// field is zero.
inline void copyField(char* field, std::size_t size, const char* text) {
    std::size_t n = text ? strnlen(text, size - 1) : 0;
    std::memcpy(field, text ? text : "", n);
    std::memset(field + n, 0, size - n);
}

// Copies the first word of `text` (as "%s" would scan it) into a field of `size` bytes, cut
// to size - 1 characters. Without a word the field is left as it was and the result false.
inline bool scanWord(const char* text, char* field, std::size_t size) {
    while (*text && isBlank(*text))
        ++text;
    if (!*text)
        return false;
    std::size_t n = 0;
    while (text[n] && !isBlank(text[n]))
        ++n;
    std::string word(text, n < size - 1 ? n : size - 1);
    copyField(field, size, word.c_str());
    return true;
}

} // namespace maptext
