// A stdio stream that writes into memory, for code that formats through a FILE* when the
// text is wanted as bytes.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

class MemoryStream {
public:
    // Raises std::bad_alloc when no stream can be had.
    MemoryStream();
    ~MemoryStream();
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::FILE* stream() const { return m_file; }
    // Closes the stream and gives every byte written to it.
    std::string take();

private:
    std::FILE* m_file = nullptr;
    char* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace platform
