#include "platform/MemoryStream.h"

#include <cstdlib>
#include <new>

namespace platform {

MemoryStream::MemoryStream() : m_file(::open_memstream(&m_data, &m_size)) {
    if (!m_file)
        throw std::bad_alloc();
}

MemoryStream::~MemoryStream() {
    if (m_file)
        std::fclose(m_file);
    std::free(m_data);
}

std::string MemoryStream::take() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    std::string bytes(m_data ? m_data : "", m_data ? m_size : 0);
    std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    return bytes;
}

} // namespace platform
