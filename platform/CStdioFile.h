// The framework's buffered text file. In text mode lines end in CR LF on disk; ReadString
// accepts either line end.
#pragma once

#include "platform/CFile.h"

#include <string>

class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    CStdioFile(const char* path, UINT flags);
    ~CStdioFile() override;

    // Text mode unless typeBinary is given.
    BOOL Open(const char* path, UINT flags, CFileException* error = nullptr) override;

    // The next line without its end; FALSE at the end of the file with nothing read.
    BOOL ReadString(CString& line);
    // Like fgets: at most max-1 characters, keeping the "\n"; null at the end of the file.
    char* ReadString(char* buffer, UINT max);
    // Like ReadString(CString&), into `line`, whose storage is reused from line to line;
    // embedded zero bytes are kept. One locked pass over the stream's buffer per line.
    bool ReadLine(std::string& line);
    void WriteString(const char* text);
    FILE* stream() const { return m_stream; }

private:
    char* m_lineBuffer = nullptr; // getline's buffer, kept for the next line
    size_t m_lineCapacity = 0;
};
