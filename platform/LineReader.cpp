#include "platform/LineReader.h"

#include "platform/CFile.h"

#include <cstring>

namespace platform {

namespace {
constexpr std::size_t kBlockSize = 64 * 1024;
}

LineReader::LineReader(CFile& file)
    : m_file(file), m_block(new char[kBlockSize]), m_size(kBlockSize),
      m_pairsTurned(file.IsTextMode()) {}

bool LineReader::next(std::string_view& line) {
    for (;;) {
        const char* from = m_block.get() + m_begin;
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
        const std::size_t kept = m_end - m_begin;
        if (kept == m_size) {
            std::unique_ptr<char[]> larger(new char[2 * m_size]);
            std::memcpy(larger.get(), from, kept);
            m_block = std::move(larger);
            m_size *= 2;
        } else {
            std::memmove(m_block.get(), from, kept);
        }
        m_begin = 0;
        m_end = kept;
        const UINT n = m_file.Read(m_block.get() + m_end, static_cast<UINT>(m_size - m_end));
        m_end += n;
        m_atEnd = n == 0;
    }
}

} // namespace platform
