// The framework's buffered text file. In text mode lines end in CR LF on disk; ReadString
// accepts either line end.
#pragma once

#include "platform/CFile.h"

class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    CStdioFile(const char* path, UINT flags);

    // Text mode unless typeBinary is given.
    BOOL Open(const char* path, UINT flags, CFileException* error = nullptr) override;

    // The next line without its end; FALSE at the end of the file with nothing read.
    BOOL ReadString(CString& line);
    // Like fgets: at most max-1 characters, keeping the "\n"; null at the end of the file.
    char* ReadString(char* buffer, UINT max);
    void WriteString(const char* text);
    FILE* stream() const { return m_stream; }
};
