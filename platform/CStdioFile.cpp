#include "platform/CStdioFile.h"

#include <cstdlib>

CStdioFile::~CStdioFile() {
    std::free(m_lineBuffer);
}

bool CStdioFile::ReadLine(std::string& line) {
    line.clear();
    if (!m_stream)
        raise(CFileException::genericException);
    ssize_t n = ::getline(&m_lineBuffer, &m_lineCapacity, m_stream);
    if (std::ferror(m_stream)) {
        std::clearerr(m_stream);
        // A failed read of an open stream: the cause the framework gives for an I/O error.
        raise(CFileException::genericException);
    }
    if (n <= 0)
        return false;
    std::size_t length = static_cast<std::size_t>(n);
    if (m_lineBuffer[length - 1] == '\n')
        --length;
    // A text-mode stream has already turned CR LF into LF: a CR still before the LF belongs
    // to the line.
    if (!m_text && length > 0 && m_lineBuffer[length - 1] == '\r')
        --length;
    line.assign(m_lineBuffer, length);
    return true;
}
