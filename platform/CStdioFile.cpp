#include "platform/CStdioFile.h"

#include <cstdlib>

CStdioFile::~CStdioFile() {
    std::free(m_lineBuffer);
}
