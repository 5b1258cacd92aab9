// The lines of a file as a text-mode stream gives them to CStdioFile::ReadLine: each without
// its line end, CR LF ending a line as LF does and any other CR kept in its line, zero bytes
// kept; from a file opened in binary mode too. The file is read in blocks of 64 KiB and each
// line is a view into the block, without a copy or a call into the stream per line.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

class CFile;

namespace platform {

class LineReader {
public:
    // Reads `file` from where it stands.
    explicit LineReader(CFile& file);
    // The next line, valid until the next call; false at the end with nothing read. A read
    // error raises CFileException.
    bool next(std::string_view& line);

private:
    CFile& m_file;
    // Not cleared: a reader is made for every file read, most of them far smaller.
    std::unique_ptr<char[]> m_block;
    std::size_t m_size;
    std::size_t m_begin = 0; // the first byte not given yet
    std::size_t m_end = 0;   // the end of the bytes read
    bool m_atEnd = false;    // the file has no more bytes
    bool m_pairsTurned;      // a text-mode file: its reads give CR LF as LF already
};

} // namespace platform
