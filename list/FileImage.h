// A file held whole in memory: reading the rest of an open stream into it, and writing
// bytes at an offset of it as a write at that offset of the file would.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace fileimage {

// Appends the rest of an open binary stream to `bytes`; false when a read fails.
inline bool readRest(std::FILE* f, std::string& bytes) {
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    return !std::ferror(f);
}

// Puts `size` bytes at `offset`; a gap behind the old end reads as zeros.
inline void put(std::string& image, std::size_t offset, const void* data, std::size_t size) {
    if (image.size() < offset + size)
        image.resize(offset + size, '\0');
    std::memcpy(image.data() + offset, data, size);
}

// Reads one whole line (without its end) from a text stream; false at the end of the file.
inline bool readLine(std::FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        line += static_cast<char>(c);
    }
    return any;
}

} // namespace fileimage
