#include "platform/LineReader.h"

#include "platform/CFile.h"

#include <cstring>

namespace platform {

LineReader::LineReader(CFile& file)
    : m_file(file), m_block(64 * 1024), m_pairsTurned(file.IsTextMode()) {}

bool LineReader::next(std::string_view& line) {
    for (;;) {
        const char* from = m_block.data() + m_begin;
        if (const auto* lf = static_cast<const char*>(std::memchr(from, '\n', m_end - m_begin))) {
            std::size_t length = static_cast<std::size_t>(lf - from);
            if (!m_pairsTurned && length > 0 && from[length - 1] == '\r')
                --length; // the CR of a CR LF pair
            line = std::string_view(from, length);
            m_begin += static_cast<std::size_t>(lf - from) + 1;
            return true;
        }
        if (m_atEnd) {
            // A last line without a line end keeps a CR it ends in, as a text stream does.
            line = std::string_view(from, m_end - m_begin);
            const bool any = m_end > m_begin;
            m_begin = m_end;
            return any;
        }
        // Keep the start of the line; a line longer than the block makes it larger.
        std::memmove(m_block.data(), from, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
        if (m_end == m_block.size())
            m_block.resize(2 * m_block.size());
        const UINT n =
            m_file.Read(m_block.data() + m_end, static_cast<UINT>(m_block.size() - m_end));
        m_end += n;
        m_atEnd = n == 0;
    }
}

} // namespace platform
